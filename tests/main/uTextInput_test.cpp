// The text input window and text layers, through the main window.
#include "document/TTextLayer.h"
#include "engine/TImgView32.h"
#include "main/uTextInput.h"
#include "tests/main/MainWindowFixture.h"

#include <QAction>
#include <QLineEdit>
#include <QToolButton>

namespace {

class TextInput : public MainWindowTest {
protected:
    std::unique_ptr<TfrmMain> win;
    TMergeDocument* doc = nullptr;
    TfrmTextInput* form = nullptr;

    void SetUp() override {
        MainWindowTest::SetUp();
        win = Start();
        doc = &win->Document();
        form = win->frmTextInput;
    }
    void EmptyCanvas(int W = 480, int H = 640) {
        IniOption.NewWidth = W;
        IniOption.NewHeight = H;
        doc->GridMode = false;
        win->RebuildPicture();
        win->UpdateActions();
    }
    void Open() { win->Action(QStringLiteral("ActAddText"))->trigger(); }
    void Apply(const QString& Text) {
        Open();
        form->edtText->setText(Text);
        form->btnAdd->click();
    }
    std::vector<TTextLayer*> Texts() const {
        std::vector<TTextLayer*> texts;
        for (int i = 0; i < win->ImgView->Layers().Count(); ++i)
            if (auto* t = dynamic_cast<TTextLayer*>(win->ImgView->Layers().Items(i)))
                texts.push_back(t);
        return texts;
    }
};

TEST_F(TextInput, TheWindowAndItsControls) {
    EXPECT_FALSE(win->Action(QStringLiteral("ActAddText"))->isEnabled()) << "no canvas yet";
    EmptyCanvas();
    EXPECT_TRUE(win->Action(QStringLiteral("ActAddText"))->isEnabled());
    EXPECT_FALSE(form->isVisible());
    Open();
    ASSERT_TRUE(form->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "no modal loop";
    EXPECT_TRUE(form->windowFlags() & Qt::Tool);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Text Input"));
    EXPECT_EQ(form->size(), QSize(273, 29));
    EXPECT_EQ(form->edtText->geometry(), QRect(4, 4, 173, 21));
    EXPECT_EQ(form->btnSetFont->geometry(), QRect(180, 2, 25, 25));
    EXPECT_EQ(form->btnAdd->geometry(), QRect(212, 2, 25, 25));
    EXPECT_EQ(form->btnCancel->geometry(), QRect(239, 2, 25, 25));
    EXPECT_EQ(form->btnCancel->toolTip(), QStringLiteral("Cancel"));
    // The edit box first, then every button by Tab.
    EXPECT_EQ(form->edtText->nextInFocusChain(), form->btnSetFont);
    EXPECT_EQ(form->btnSetFont->nextInFocusChain(), form->btnAdd);
    EXPECT_EQ(form->btnAdd->nextInFocusChain(), form->btnCancel);
    // The gradient, top to bottom.
    const QImage shot = form->grab().toImage();
    const auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) <= 3 && std::abs(a.green() - b.green()) <= 3 &&
               std::abs(a.blue() - b.blue()) <= 3;
    };
    EXPECT_TRUE(near(shot.pixelColor(2, 0), TfrmTextInput::kTopColor));
    EXPECT_TRUE(near(shot.pixelColor(2, shot.height() - 1), TfrmTextInput::kBottomColor));
    EXPECT_EQ(TfrmTextInput::kTopColor, QColor(224, 228, 254));
    EXPECT_EQ(TfrmTextInput::kBottomColor, QColor(166, 179, 253));
}

TEST_F(TextInput, ButtonPictures) {
    const struct {
        TTextInputPicture Which;
        QColor Ink;
        bool WhiteGround;
    } pictures[] = {
        {tipSetFont, QColor(0xf0, 0x8c, 0x00), true},
        {tipAdd, QColor(0x2f, 0x9e, 0x44), false},
        {tipCancel, QColor(0xd0, 0x2c, 0x2c), false},
    };
    for (const auto& p : pictures) {
        const QImage img = TextInputPicture(p.Which).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(img.size(), QSize(16, 16));
        int ink = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ink += QColor(img.pixel(x, y)) == p.Ink;
        EXPECT_GT(ink, 8) << int(p.Which);
        EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0) << "a transparent corner";
        if (p.WhiteGround)
            EXPECT_EQ(img.pixel(2, 13), qRgb(255, 255, 255));
        else
            EXPECT_EQ(qAlpha(img.pixel(8, 1)), 0);

        // On a screen at 200 % the same picture is drawn with twice the
        // pixels, not blown up: smooth strokes are finer than a doubled 1x
        // picture's steps.
        const QImage sharp = TextInputPicture(p.Which, 2).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(sharp.size(), QSize(32, 32));
        EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
        if (!p.WhiteGround) {
            EXPECT_NE(sharp, img.scaled(32, 32)) << int(p.Which);
        }
        int sharpInk = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                sharpInk += QColor(sharp.pixel(x, y)) == p.Ink;
        EXPECT_GT(sharpInk, 2 * ink) << int(p.Which);
        EXPECT_EQ(TextInputIcon(p.Which).availableSizes().size(), 3);
    }
}

TEST_F(TextInput, ApplyAddsTheTextInTheMiddleOfWhatIsVisible) {
    EmptyCanvas(3000, 2000);
    // Scrolled to the lower right of the large canvas.
    win->ImgView->CenterOn(2600, 1800);
    const TRect vp = win->ImgView->ViewportRect();
    const TPoint middle =
        win->ImgView->ViewToBitmap(TPoint{(vp.Left + vp.Right) / 2, (vp.Top + vp.Bottom) / 2});
    ASSERT_GT(middle.X, 2000);
    ASSERT_GT(middle.Y, 1400);
    Apply(QStringLiteral("abc"));
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->edtText->text().isEmpty());
    const auto texts = Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(doc->SelectedLayer, texts[0]);
    EXPECT_EQ(texts[0]->Tag, 999);
    const TRectF& r = texts[0]->Location();
    EXPECT_LE(std::abs((r.Left + r.Right) / 2 - middle.X), 0.5f);
    EXPECT_LE(std::abs((r.Top + r.Bottom) / 2 - middle.Y), 0.5f);
    EXPECT_EQ(r.Left, std::floor(r.Left)) << "whole pixels";
}

TEST_F(TextInput, EmptyTextCancelAndTheKeysOfTheEditBox) {
    EmptyCanvas();
    Apply(QString());
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(Texts().empty());

    Open();
    form->edtText->setText(QStringLiteral("kept"));
    QTest::keyClick(form->edtText, Qt::Key_Return);
    QTest::keyClick(form->edtText, Qt::Key_Escape);
    EXPECT_TRUE(form->isVisible()) << "Enter and Escape do nothing";
    EXPECT_TRUE(Texts().empty());
    form->btnCancel->click();
    EXPECT_FALSE(form->isVisible());
    Open();
    EXPECT_EQ(form->edtText->text(), QStringLiteral("kept"));

    // Open across a rebuild, applying to the document there is then.
    win->RebuildPicture();
    EXPECT_TRUE(form->isVisible());
    form->btnAdd->click();
    EXPECT_EQ(Texts().size(), 1u);
}

TEST_F(TextInput, AChosenFontServesOnlyLaterTexts) {
    EmptyCanvas();
    Apply(QStringLiteral("A"));
    const int firstHeight = Texts()[0]->Bitmap().Height();

    Open();
    form->edtText->setText(QStringLiteral("B"));
    TFont offered;
    form->FontDlg->Chooser = [&](TFont& Font) {
        offered = Font;
        Font.Name = QStringLiteral("Arial");
        Font.Size = 12;
        Font.Style = fsBold;
        Font.Color = 0xFF0000; // blue
        return true;
    };
    form->btnSetFont->click();
    EXPECT_EQ(offered.Size, 28);
    EXPECT_EQ(offered.Color, TColor(255));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->edtText->text(), QStringLiteral("B"));
    EXPECT_EQ(doc->TextFont.Size, 12);
    EXPECT_EQ(doc->TextFont.Style, TFontStyles(fsBold));

    // A cancelled choice changes nothing.
    form->FontDlg->Chooser = [](TFont& Font) {
        Font.Size = 99;
        return false;
    };
    form->btnSetFont->click();
    EXPECT_EQ(doc->TextFont.Size, 12);

    form->btnAdd->click();
    const auto texts = Texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0]->Bitmap().Height(), firstHeight) << "the first text keeps its look";
    EXPECT_LT(texts[1]->Bitmap().Height(), firstHeight);
    bool blue = false;
    const TBitmap32& b = texts[1]->Bitmap();
    for (int y = 0; y < b.Height() && !blue; ++y)
        for (int x = 0; x < b.Width() && !blue; ++x)
            blue = b.Pixel(x, y) == 0xFF0000FFu;
    EXPECT_TRUE(blue);
}

TEST_F(TextInput, TooLargeATextShowsTheErrorAndKeepsTheWindow) {
    EmptyCanvas();
    doc->TextFont.Size = 2000;
    TMessageBoxAnswerer answer(QMessageBox::Ok);
    Apply(QString(2000, QLatin1Char('W')));
    EXPECT_TRUE(answer.Seen);
    EXPECT_EQ(answer.Text, QStringLiteral("Can't allocate the DIB handle"));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->edtText->text().size(), 2000);
    EXPECT_TRUE(Texts().empty());
}

} // namespace
