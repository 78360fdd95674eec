#include "main/uTextInput.h"

#include "main/uErrorMessage.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kPictureSize = 16;
constexpr int kClientWidth = 273;
constexpr int kClientHeight = 29;

const QColor kOrange(0xf0, 0x8c, 0x00);
const QColor kGreen(0x2f, 0x9e, 0x44);
const QColor kRed(0xd0, 0x2c, 0x2c);

QColor QColorOfTColor(TColor C) {
    return QColor::fromRgb(ColorToColor32(C));
}

TColor TColorOfQColor(const QColor& C) {
    return TColor(C.red() | (C.green() << 8) | (C.blue() << 16));
}

QPen Stroke(const QColor& C) {
    QPen pen(C, 2.6);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

} // namespace

QImage TextInputPicture(TTextInputPicture Which, int Scale) {
    Scale = std::max(1, Scale);
    QImage image(kPictureSize * Scale, kPictureSize * Scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.scale(Scale, Scale);
    switch (Which) {
    case tipSetFont:
        // An orange letter F on a white tile, in whole-pixel bars.
        p.fillRect(QRect(1, 1, 14, 14), Qt::white);
        p.setPen(QColor(0xb0, 0xb8, 0xc4));
        p.drawRect(QRect(1, 1, 13, 13));
        p.fillRect(QRect(4, 3, 3, 11), kOrange);
        p.fillRect(QRect(4, 3, 9, 2), kOrange);
        p.fillRect(QRect(4, 7, 7, 2), kOrange);
        break;
    case tipAdd: {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Stroke(kGreen));
        QPainterPath tick;
        tick.moveTo(3, 8.5);
        tick.lineTo(6.5, 12);
        tick.lineTo(13, 4);
        p.drawPath(tick);
        break;
    }
    case tipCancel:
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Stroke(kRed));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    }
    p.end();
    image.setDevicePixelRatio(Scale);
    return image;
}

QIcon TextInputIcon(TTextInputPicture Which) {
    // One drawing for each common screen scale, so that no picture is blown up.
    QIcon icon;
    for (int scale = 1; scale <= 3; ++scale)
        icon.addPixmap(QPixmap::fromImage(TextInputPicture(Which, scale)));
    return icon;
}

// ---- The font dialog ----

TFontDlg::TFontDlg(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("FontDlg"));
    setWindowTitle(QStringLiteral("Font"));
    FontBox = new QFontDialog(this);
    FontBox->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    FontBox->setWindowFlags(Qt::Widget);
    FontBox->setSizeGripEnabled(false);
    btnColor = new QPushButton(QStringLiteral("&Colour..."), this);
    btnColor->setObjectName(QStringLiteral("btnColor"));
    auto* colourLabel = new QLabel(QStringLiteral("Text colour:"), this);
    colourLabel->setBuddy(btnColor);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* colourRow = new QHBoxLayout;
    colourRow->addWidget(colourLabel);
    colourRow->addWidget(btnColor);
    colourRow->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FontBox);
    layout->addLayout(colourRow);
    layout->addWidget(buttons);

    connect(btnColor, &QPushButton::clicked, this, [this] {
        const QColor c = QColorDialog::getColor(FColor, this, QStringLiteral("Text colour"));
        if (c.isValid())
            SetColor(c);
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    SetColor(Qt::red);
}

void TFontDlg::SetColor(const QColor& Color) {
    FColor = Color;
    // The button shows the colour as a swatch.
    QPixmap swatch(24, 12);
    swatch.fill(Color);
    btnColor->setIcon(QIcon(swatch));
}

bool TFontDlg::Execute(TFont& Font) {
    if (Chooser) {
        TFont chosen = Font;
        if (!Chooser(chosen))
            return false;
        Font = chosen;
        return true;
    }
    QFont shown(Font.Name);
    shown.setPointSize(std::max(1, Font.Size));
    shown.setBold((Font.Style & fsBold) != 0);
    shown.setItalic((Font.Style & fsItalic) != 0);
    shown.setUnderline((Font.Style & fsUnderline) != 0);
    shown.setStrikeOut((Font.Style & fsStrikeOut) != 0);
    FontBox->setCurrentFont(shown);
    SetColor(QColorOfTColor(Font.Color));
    if (exec() != QDialog::Accepted)
        return false;
    Font.SetFromQFont(FontBox->currentFont());
    Font.Color = TColorOfQColor(FColor);
    return true;
}

// ---- The text window ----

const QColor TfrmTextInput::kTopColor(224, 228, 254);
const QColor TfrmTextInput::kBottomColor(166, 179, 253);

TfrmTextInput::TfrmTextInput(QWidget* Parent, TFont* TextFont)
    : QWidget(Parent, Qt::Tool | Qt::WindowStaysOnTopHint), FTextFont(TextFont) {
    setObjectName(QStringLiteral("frmTextInput"));
    setWindowTitle(QStringLiteral("Text Input"));
    setFixedSize(kClientWidth, kClientHeight);

    edtText = new QLineEdit(this);
    edtText->setObjectName(QStringLiteral("edtText"));
    edtText->setGeometry(4, 4, 173, 21);
    const struct {
        QToolButton** Button;
        const char* Name;
        TTextInputPicture Picture;
        int Left;
        const char* Hint;
    } buttons[] = {
        {&btnSetFont, "btnSetFont", tipSetFont, 180, "Apply"},
        {&btnAdd, "btnAdd", tipAdd, 212, "Apply"},
        {&btnCancel, "btnCancel", tipCancel, 239, "Cancel"},
    };
    for (const auto& b : buttons) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(b.Name));
        button->setGeometry(b.Left, 2, 25, 25);
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::StrongFocus);
        button->setIcon(TextInputIcon(b.Picture));
        button->setIconSize(QSize(kPictureSize, kPictureSize));
        button->setToolTip(QString::fromLatin1(b.Hint));
        *b.Button = button;
    }
    setTabOrder(edtText, btnSetFont);
    setTabOrder(btnSetFont, btnAdd);
    setTabOrder(btnAdd, btnCancel);
    FontDlg = new TFontDlg(this);

    connect(btnAdd, &QToolButton::clicked, this,
            [this] { RunCommand(this, [this] { btnAddClick(); }); });
    connect(btnCancel, &QToolButton::clicked, this,
            [this] { RunCommand(this, [this] { btnCancelClick(); }); });
    connect(btnSetFont, &QToolButton::clicked, this,
            [this] { RunCommand(this, [this] { btnSetFontClick(); }); });
}

void TfrmTextInput::btnAddClick() {
    const QString text = edtText->text();
    if (!text.isEmpty() && OnAddText)
        OnAddText(text);
    edtText->clear();
    hide();
}

void TfrmTextInput::btnCancelClick() {
    hide();
}

void TfrmTextInput::btnSetFontClick() {
    if (FTextFont)
        FontDlg->Execute(*FTextFont);
}

void TfrmTextInput::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, kTopColor);
    gradient.setColorAt(1, kBottomColor);
    p.fillRect(rect(), gradient);
}

void TfrmTextInput::showEvent(QShowEvent* Event) {
    QWidget::showEvent(Event);
    if (FPlaced)
        return;
    // First shown in the middle of the screen; later where the user left it.
    FPlaced = true;
    if (const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen()) {
        const QRect area = s->availableGeometry();
        const QRect frame = frameGeometry();
        move(area.x() + (area.width() - frame.width()) / 2,
             area.y() + (area.height() - frame.height()) / 2);
    }
}
