#include "settings/uOption.h"

#include "CommUnit/TIntegerEdit.h"
#include "engine/TBitmap32.h"
#include "engine/TImgView32.h"
#include "engine/uEventErrors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

namespace {

constexpr int kClientWidth = 383;
constexpr int kClientHeight = 312;
constexpr int kPreviewWidth = 135;
constexpr int kPreviewHeight = 71;

template <typename T> T* Named(T* Widget, const char* Name) {
    Widget->setObjectName(QString::fromLatin1(Name));
    return Widget;
}

QStringList Items(const std::vector<std::string>& Names) {
    QStringList items;
    for (const std::string& name : Names)
        items << QString::fromStdString(name);
    return items;
}

// One page beside the format list: a caption over its control, or nothing.
QWidget* Page(QStackedWidget* Pages, const char* Name, const QString& Caption, QWidget* Control) {
    auto* page = Named(new QWidget(Pages), Name);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(8, 4, 4, 4);
    if (Control) {
        auto* label = new QLabel(Caption, page);
        label->setBuddy(Control);
        layout->addWidget(label);
        Control->setParent(page);
        layout->addWidget(Control);
    }
    layout->addStretch(1);
    Pages->addWidget(page);
    return page;
}

} // namespace

TfrmOption::TfrmOption(TIniOption& Option, const std::string& AppFolder, QWidget* Parent)
    : QDialog(Parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      FOption(Option), FAppFolder(AppFolder) {
    setObjectName(QStringLiteral("frmOption"));
    setWindowTitle(QStringLiteral("Standard Option"));
    QFont font;
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")});
    font.setPointSize(8);
    setFont(font);
    FLogic.Open(Option);

    gbFormat = Named(new QGroupBox(QStringLiteral("Format Properties"), this), "gbFormat");
    lbFormat = Named(new QListWidget(gbFormat), "lbFormat");
    lbFormat->addItems(Items(TOptionLogic::FormatNames()));
    lbFormat->setSelectionMode(QAbstractItemView::SingleSelection);
    // As high as its four rows, with room for one more.
    lbFormat->setFixedHeight(lbFormat->sizeHintForRow(0) * 5 + 2 * lbFormat->frameWidth());
    plCompress = Named(new QStackedWidget(gbFormat), "plCompress");

    spJpgcompress = Named(new TIntegerEdit, "spJpgcompress");
    spJpgcompress->SetLimits(0, 100, 3);
    cbPngCompress = Named(new QComboBox, "cbPngCompress");
    cbPngCompress->addItems(Items(TOptionLogic::PngLevelNames()));
    cbColors = Named(new QComboBox, "cbColors");
    cbColors->addItems(Items(TOptionLogic::ColorDepthNames()));
    Page(plCompress, "spCompress1", QStringLiteral("&Jpeg quality:"), spJpgcompress);
    Page(plCompress, "spCompress2", QStringLiteral("&Png compress:"), cbPngCompress);
    Page(plCompress, "spCompress3", QStringLiteral("C&olors:"), cbColors);
    Page(plCompress, "spCompress4", QString(), nullptr);

    auto* formatLayout = new QHBoxLayout(gbFormat);
    formatLayout->addWidget(lbFormat, 3);
    formatLayout->addWidget(plCompress, 2);

    GroupBox1 = Named(new QGroupBox(QStringLiteral("Desktop Image"), this), "GroupBox1");
    auto* desktopLabel =
        new QLabel(QStringLiteral("Please select a image for &desktop:"), GroupBox1);
    cbDesktopImage = Named(new QComboBox(GroupBox1), "cbDesktopImage");
    cbDesktopImage->setEditable(true);
    cbDesktopImage->setInsertPolicy(QComboBox::NoInsert);
    cbDesktopImage->addItems(Items(TOptionLogic::DesktopPictureNames()));
    desktopLabel->setBuddy(cbDesktopImage);
    DesktopView = Named(new TImage32(GroupBox1), "DesktopView");
    DesktopView->setFixedSize(kPreviewWidth, kPreviewHeight);
    DesktopView->SetColor(clWhite);
    DesktopView->SetBitmapAlign(baCenter);
    DesktopView->SetScaleMode(smResize);
    DesktopView->setFocusPolicy(Qt::NoFocus);

    auto* chooser = new QVBoxLayout;
    chooser->addWidget(desktopLabel);
    chooser->addWidget(cbDesktopImage);
    chooser->addStretch(1);
    auto* desktopLayout = new QHBoxLayout(GroupBox1);
    desktopLayout->addLayout(chooser, 1);
    desktopLayout->addWidget(DesktopView, 0, Qt::AlignTop);

    cbShowToolbar = Named(new QCheckBox(QStringLiteral("Show &Toolbar on the main window."), this),
                          "cbShowToolbar");
    btnSave = Named(new QPushButton(QStringLiteral("&Save"), this), "btnSave");
    btnSave->setDefault(true);
    btnCancel = Named(new QPushButton(QStringLiteral("&Cancel"), this), "btnCancel");

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnSave);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(gbFormat);
    layout->addWidget(GroupBox1);
    layout->addWidget(cbShowToolbar);
    layout->addStretch(1);
    layout->addLayout(buttons);

    // The controls show the settings of this opening.
    cbDesktopImage->setEditText(QString::fromStdString(FLogic.DesktopName));
    spJpgcompress->ShowValue(FLogic.JpgQuality);
    cbPngCompress->setCurrentIndex(FLogic.PngLevel);
    cbColors->setCurrentIndex(FLogic.ColorDepth);
    cbShowToolbar->setChecked(FLogic.ShowToolbar);
    lbFormat->setCurrentRow(FLogic.FormatRow);
    plCompress->setCurrentIndex(TOptionLogic::PageForFormat(FLogic.FormatRow));

    // The page follows the list's current row however it changes: a click, the
    // arrow keys, or typing a format's first letter.
    connect(lbFormat, &QListWidget::currentRowChanged, this, [this](int Row) {
        FLogic.FormatRow = Row;
        plCompress->setCurrentIndex(TOptionLogic::PageForFormat(Row));
    });
    connect(cbDesktopImage, &QComboBox::currentTextChanged, this, [this] { ShowDesktopPreview(); });
    connect(btnSave, &QPushButton::clicked, this,
            [this] { GuardEvent(this, [this] { btnSaveClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    const QSize hint = sizeHint();
    setFixedSize(std::max(kClientWidth, hint.width()), std::max(kClientHeight, hint.height()));
}

void TfrmOption::btnSaveClick() {
    // A number typed but not yet taken by the field counts as typed.
    spJpgcompress->interpretText();
    FLogic.DesktopName = cbDesktopImage->currentText().toStdString();
    FLogic.JpgQuality = spJpgcompress->value();
    FLogic.PngLevel = cbPngCompress->currentIndex();
    FLogic.ColorDepth = cbColors->currentIndex();
    FLogic.ShowToolbar = cbShowToolbar->isChecked();
    FLogic.Save(FOption);
    accept();
}

void TfrmOption::ShowDesktopPreview() {
    FLogic.DesktopName = cbDesktopImage->currentText().toStdString();
    const std::string file = FLogic.PreviewFile(FAppFolder);
    if (file.empty())
        return;
    // Read aside first, so that a picture that fails half-way leaves the
    // former one in the preview.
    TBitmap32 picture;
    try {
        picture.LoadFromFile(file);
    } catch (...) {
        return;
    }
    picture.SetDrawMode(dmBlend);
    DesktopView->SetBitmap(picture);
    DesktopView->Bitmap().SetDrawMode(dmBlend);
    DesktopView->Invalidate();
}

void TfrmOption::showEvent(QShowEvent* Event) {
    QDialog::showEvent(Event);
    if (!Event->spontaneous())
        ShowDesktopPreview();
}
