#include "main/uAbout.h"

#include "main/uDesktopLauncher.h"
#include "main/uProgramInfo.h"

#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kClientWidth = 399;
constexpr int kClientHeight = 276;

template <typename T> T* Named(T* Widget, const char* Name) {
    Widget->setObjectName(QString::fromLatin1(Name));
    return Widget;
}

QLabel* Link(QWidget* Parent, const char* Name, const QString& Text) {
    auto* label = Named(new QLabel(Parent), Name);
    label->setText(QStringLiteral("<a href=\"#\" style=\"color:#0000ff;\">%1</a>").arg(Text.toHtmlEscaped()));
    label->setTextFormat(Qt::RichText);
    label->setCursor(Qt::PointingHandCursor);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    return label;
}

} // namespace

QImage TfrmAbout::TitlePicture(qreal Scale) {
    Scale = std::max<qreal>(1, Scale);
    QImage image(int(std::ceil(240 * Scale)), int(std::ceil(23 * Scale)),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(Scale);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Four tiles of a small grid, then the name.
    const QColor tiles[] = {QColor(0xE0, 0x5A, 0x47), QColor(0xF2, 0xB1, 0x34),
                            QColor(0x3E, 0x9C, 0xD6), QColor(0x59, 0xB5, 0x6A)};
    for (int i = 0; i < 4; ++i)
        p.fillRect(QRectF(2 + (i % 2) * 10, 1.5 + (i / 2) * 10, 9, 9), tiles[i]);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(17);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(0x2B, 0x3A, 0x4F));
    p.drawText(QRect(28, 0, 212, 23), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromLatin1(kProgramTitle));
    return image;
}

TfrmAbout::TfrmAbout(QWidget* Parent, const QString& AppFolder, TDesktopLauncher& Launcher)
    : QDialog(Parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    QFont font;
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")});
    font.setPointSize(8);
    setFont(font);
    setFixedSize(kClientWidth, kClientHeight);

    auto* panelLeft = Named(new QFrame(this), "PanelLeft");
    panelLeft->setFrameShape(QFrame::Panel);
    panelLeft->setFrameShadow(QFrame::Sunken);
    ImageLeft = Named(new QLabel(panelLeft), "ImageLeft");
    ImageLeft->setAlignment(Qt::AlignCenter);
    const QPixmap logo(QDir(AppFolder).filePath(QStringLiteral("leftlogo.bmp")));
    if (!logo.isNull())
        ImageLeft->setPixmap(logo);
    auto* panelLayout = new QVBoxLayout(panelLeft);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    panelLayout->addWidget(ImageLeft);
    panelLeft->setVisible(!logo.isNull());

    Image1 = Named(new QLabel(this), "Image1");
    // Drawn at the screen's own resolution, sharp on high-density screens.
    Image1->setPixmap(QPixmap::fromImage(TitlePicture(devicePixelRatioF())));
    Image1->setFixedSize(240, 23);

    auto* labelVerT = Named(new QLabel(QStringLiteral("Version"), this), "LabelVerT");
    LabelVer = Named(new QLabel(QString::fromLatin1(kProgramVersion), this), "LabelVer");
    auto* notice = Named(new QLabel(this), "LabelNotice");
    notice->setText(QStringLiteral("Free software under the GNU General Public License, "
                                   "version 3 or later."));
    notice->setWordWrap(true);
    auto* label3 = Named(new QLabel(QStringLiteral("HomePage:"), this), "Label3");
    LinkLabelUrl = Link(this, "LinkLabelUrl", QString::fromLatin1(kHomePageUrl));
    auto* label4 = Named(new QLabel(QStringLiteral("E-mail:"), this), "Label4");
    LinkLabelUrlEmail = Link(this, "LinkLabelUrlEmail", QString::fromLatin1(kSupportEmail));
    connect(LinkLabelUrl, &QLabel::linkActivated, this, [&Launcher] { OpenHomePage(Launcher); });
    connect(LinkLabelUrlEmail, &QLabel::linkActivated, this,
            [&Launcher] { WriteToSupport(Launcher); });

    auto* bevel = Named(new QFrame(this), "BevelLine");
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    btnAboutYes = Named(new QPushButton(QStringLiteral("&Close"), this), "btnAboutYes");
    btnAboutYes->setDefault(true);
    connect(btnAboutYes, &QPushButton::clicked, this, &QDialog::accept);

    auto* facts = new QGridLayout;
    facts->setHorizontalSpacing(8);
    facts->addWidget(labelVerT, 0, 0);
    facts->addWidget(LabelVer, 0, 1);
    facts->addWidget(label3, 1, 0);
    facts->addWidget(LinkLabelUrl, 1, 1);
    facts->addWidget(label4, 2, 0);
    facts->addWidget(LinkLabelUrlEmail, 2, 1);
    facts->setColumnStretch(1, 1);

    auto* right = new QVBoxLayout;
    right->addWidget(Image1);
    right->addSpacing(12);
    right->addLayout(facts);
    right->addSpacing(8);
    right->addWidget(notice);
    right->addStretch(1);

    auto* body = new QHBoxLayout;
    body->addWidget(panelLeft);
    body->addLayout(right, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnAboutYes);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(bevel);
    layout->addLayout(buttons);
}
