#include "settings/uOption.h"

#include "CommUnit/TIntegerEdit.h"
#include "engine/TBitmap32.h"
#include "engine/TImgView32.h"
#include "tests/engine/GuiApplication.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

// The pictures of these tests are read by Qt: the settings library has no
// decoders of its own.
void LoadWithQt(TBitmap32& Dest, const std::string& FileName) {
    const QImage picture(QString::fromStdString(FileName));
    if (picture.isNull())
        throw std::runtime_error("unreadable picture " + FileName);
    Dest.Assign(picture);
}

class OptionDialog : public ::testing::Test {
protected:
    QTemporaryDir app;
    TIniOption option;

    void SetUp() override {
        EnsureGuiApplication();
        TBitmap32::SetFileLoader(&LoadWithQt);
        ASSERT_TRUE(app.isValid());
        ASSERT_TRUE(QDir().mkpath(app.filePath(QStringLiteral("Desktop"))));
    }
    std::string AppFolder() const { return app.path().toStdString() + "/"; }

    void Picture(const QString& Name, int W, int H, QColor Colour) {
        QImage picture(W, H, QImage::Format_RGB32);
        picture.fill(Colour);
        ASSERT_TRUE(picture.save(app.filePath(QStringLiteral("Desktop/") + Name), "BMP"));
    }
    // The colour in the middle of the preview, as it is painted.
    static TColor32 PreviewCentre(TfrmOption& dlg) {
        TImage32* view = dlg.DesktopView;
        TBitmap32 shown;
        shown.SetSize(view->width(), view->height());
        view->RenderTo(shown, TRect{0, 0, view->width(), view->height()});
        return shown.Pixel(view->width() / 2, view->height() / 2) | 0xFF000000u;
    }
};

TEST_F(OptionDialog, OpensOnTheJpegPageWithTheSettingsShown) {
    option.JpgCompress = 0;
    option.PngCompress = 3;
    option.MaxColor = 2;
    option.ShowToolbar = false;
    option.DesktopBg = "Own.bmp";
    TfrmOption dlg(option, AppFolder());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Standard Option"));
    EXPECT_EQ(dlg.lbFormat->count(), 4);
    EXPECT_EQ(dlg.lbFormat->currentRow(), 0);
    EXPECT_EQ(dlg.plCompress->currentIndex(), 0);
    EXPECT_EQ(dlg.spJpgcompress->value(), 0);
    EXPECT_EQ(dlg.spJpgcompress->minimum(), 0);
    EXPECT_EQ(dlg.spJpgcompress->maximum(), 100);
    EXPECT_EQ(dlg.spJpgcompress->MaxDigits(), 3);
    EXPECT_EQ(dlg.cbPngCompress->currentText(), QStringLiteral("3"));
    EXPECT_EQ(dlg.cbColors->currentText(), QStringLiteral("True color(16bit)"));
    EXPECT_FALSE(dlg.cbShowToolbar->isChecked());
    EXPECT_EQ(dlg.cbDesktopImage->currentText(), QStringLiteral("Own.bmp"));
    EXPECT_EQ(dlg.cbDesktopImage->count(), 3);
    EXPECT_EQ(dlg.DesktopView->size(), QSize(135, 71));
    EXPECT_GE(dlg.width(), 383);
    EXPECT_GE(dlg.height(), 312);
}

TEST_F(OptionDialog, ThePageFollowsTheListByMouseAndKeyboard) {
    TfrmOption dlg(option, AppFolder());
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    dlg.lbFormat->setFocus();
    const QWidget* pages[] = {dlg.spJpgcompress, dlg.cbPngCompress, dlg.cbColors};
    for (int row = 1; row < 4; ++row) {
        QTest::keyClick(dlg.lbFormat, Qt::Key_Down);
        EXPECT_EQ(dlg.lbFormat->currentRow(), row);
        EXPECT_EQ(dlg.plCompress->currentIndex(), row);
    }
    EXPECT_TRUE(dlg.plCompress->currentWidget()->findChildren<QWidget*>().isEmpty())
        << "GIF has an empty page";
    QTest::keyClick(dlg.lbFormat, Qt::Key_Home);
    EXPECT_EQ(dlg.plCompress->currentIndex(), 0);
    for (int row : {2, 1, 0}) {
        const QRect item = dlg.lbFormat->visualItemRect(dlg.lbFormat->item(row));
        QTest::mouseClick(dlg.lbFormat->viewport(), Qt::LeftButton, {}, item.center());
        EXPECT_EQ(dlg.plCompress->currentIndex(), row);
        EXPECT_TRUE(pages[row]->isVisible());
    }
    // Nothing chosen shows the empty page.
    dlg.lbFormat->setCurrentRow(-1);
    EXPECT_EQ(dlg.plCompress->currentIndex(), 3);
}

TEST_F(OptionDialog, TabReachesEveryControl) {
    TfrmOption dlg(option, AppFolder());
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    QApplication::setActiveWindow(&dlg);
    dlg.lbFormat->setFocus();
    QSet<QWidget*> reached;
    for (int i = 0; i < 12; ++i) {
        QWidget* w = QApplication::focusWidget();
        reached << w;
        if (w && w->parentWidget() && w->parentWidget()->inherits("QAbstractSpinBox"))
            reached << w->parentWidget(); // the spin edit's own line edit
        if (w && w->parentWidget() && w->parentWidget() == dlg.cbDesktopImage)
            reached << w->parentWidget();
        QTest::keyClick(w, Qt::Key_Tab);
    }
    for (QWidget* w :
         std::initializer_list<QWidget*>{dlg.lbFormat, dlg.spJpgcompress, dlg.cbDesktopImage,
                                         dlg.cbShowToolbar, dlg.btnSave, dlg.btnCancel})
        EXPECT_TRUE(reached.contains(w)) << w->objectName().toStdString();
}

TEST_F(OptionDialog, SaveStoresTheControlsAndCancelStoresNothing) {
    option.JpgCompress = 0;
    const TIniOption before = option;
    {
        TfrmOption dlg(option, AppFolder());
        dlg.show();
        dlg.lbFormat->setCurrentRow(2);
        dlg.cbColors->setCurrentIndex(1); // "256 colors"
        dlg.cbPngCompress->setCurrentIndex(0);
        dlg.cbShowToolbar->setChecked(false);
        dlg.cbDesktopImage->setEditText(QStringLiteral("Nothing here.bmp"));
        dlg.spJpgcompress->selectAll();
        QTest::keyClicks(dlg.spJpgcompress, QStringLiteral("55"));
        QTest::keyClick(&dlg, Qt::Key_Escape);
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
        EXPECT_FALSE(dlg.isVisible());
    }
    EXPECT_EQ(option.JpgCompress, before.JpgCompress);
    EXPECT_EQ(option.PngCompress, before.PngCompress);
    EXPECT_EQ(option.MaxColor, before.MaxColor);
    EXPECT_EQ(option.DesktopBg, before.DesktopBg);
    EXPECT_TRUE(option.ShowToolbar);

    // A quality left at 0 is stored as 0.
    {
        TfrmOption dlg(option, AppFolder());
        dlg.show();
        dlg.lbFormat->setCurrentRow(2);
        dlg.cbColors->setCurrentIndex(1);
        dlg.cbShowToolbar->setChecked(false);
        dlg.cbDesktopImage->setEditText(QStringLiteral("Nothing here.bmp"));
        dlg.btnSave->click();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }
    EXPECT_EQ(option.JpgCompress, 0);
    EXPECT_EQ(option.MaxColor, 1);
    EXPECT_EQ(option.PngCompress, 9);
    EXPECT_EQ(option.DesktopBg, "Nothing here.bmp");
    EXPECT_FALSE(option.ShowToolbar);

    // A quality typed as 100 and not yet confirmed in its field is stored as 100.
    {
        TfrmOption dlg(option, AppFolder());
        dlg.show();
        dlg.spJpgcompress->selectAll();
        QTest::keyClicks(dlg.spJpgcompress, QStringLiteral("100"));
        dlg.btnSave->click();
    }
    EXPECT_EQ(option.JpgCompress, 100);
}

TEST_F(OptionDialog, PreviewFitsThePictureFoundLikeTheWelcomePage) {
    Picture(QStringLiteral("MainBG1.bmp"), 40, 20, QColor(200, 30, 40));
    Picture(QStringLiteral("MainBG2.bmp"), 10, 50, QColor(20, 40, 220));
    QFile broken(app.filePath(QStringLiteral("Desktop/Broken.bmp")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("BM no picture at all");
    broken.close();

    option.DesktopBg = "MainBg1.bmp"; // the default name, in another case than the file
    TfrmOption dlg(option, AppFolder());
    EXPECT_TRUE(dlg.DesktopView->Bitmap().IsEmpty()) << "the preview is made on showing";
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    TImage32* view = dlg.DesktopView;
    ASSERT_EQ(view->Bitmap().Width(), 40);
    // Scaled up to fit 135 x 71 with its ratio kept, and centred.
    EXPECT_EQ(view->BitmapRect(), (TRect{0, 1, 135, 69}));
    EXPECT_EQ(PreviewCentre(dlg), 0xFFC81E28u);

    for (const char* name : {"Nothing.bmp", "Broken.bmp", "../MainBG2.bmp", ""}) {
        dlg.cbDesktopImage->setEditText(QString::fromLatin1(name));
        EXPECT_EQ(view->Bitmap().Width(), 40) << name << ": the preview keeps its picture";
    }
    dlg.cbDesktopImage->setCurrentIndex(1); // "MainBG2.bmp", chosen from the list
    ASSERT_EQ(view->Bitmap().Width(), 10);
    const TRect tall = view->BitmapRect();
    EXPECT_EQ(tall.Bottom - tall.Top, 71);
    EXPECT_EQ(tall.Right - tall.Left, 14);
    EXPECT_EQ(PreviewCentre(dlg), 0xFF1428DCu);
}

} // namespace
