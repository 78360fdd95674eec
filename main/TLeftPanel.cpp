#include "main/TLeftPanel.h"

#include "CommUnit/TThumbnailViewer.h"
#include "engine/TColor32.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QToolButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

namespace {

constexpr int kPanelWidth = 185;
constexpr int kTabBarHeight = 30;
constexpr int kPicListWidth = 105;

const char* const kScaleItems[] = {"25%",  "50%",  "75%",  "100%", "200%",
                                   "300%", "400%", "800%", "1600%"};

template <typename T> T* Named(T* Widget, const char* Name) {
    Widget->setObjectName(QString::fromLatin1(Name));
    return Widget;
}

} // namespace

TLeftPanel::TLeftPanel(QWidget* Parent) : QWidget(Parent) {
    setObjectName(QStringLiteral("pnlLeft"));
    setFixedWidth(kPanelWidth);

    TabBarLeft = Named(new QTabBar(this), "TabBarLeft");
    TabBarLeft->addTab(QStringLiteral("Properties "));
    TabBarLeft->addTab(QStringLiteral("Explorer"));
    TabBarLeft->setTabsClosable(false);
    TabBarLeft->setExpanding(true);
    TabBarLeft->setDrawBase(false);
    TabBarLeft->setFixedHeight(kTabBarHeight);
    TabBarLeft->setCursor(Qt::PointingHandCursor);
    TabBarLeft->setAutoFillBackground(true);
    TabBarLeft->setStyleSheet(
        QStringLiteral("QTabBar { background: #3c4a5c; }"
                       "QTabBar::tab { color: white; background: #3c4a5c; padding: 6px 10px; }"
                       "QTabBar::tab:selected { background: #5a6f8a; }"));

    plLeft = Named(new QStackedWidget(this), "plLeft");
    lpProperties = Named(new QWidget(plLeft), "lpProperties");
    lpPicture = Named(new QWidget(plLeft), "lpPicture");
    plLeft->addWidget(lpProperties);
    plLeft->addWidget(lpPicture);

    // The adjustments of the selected layer and of the preview; all disabled
    // until there is a canvas and a selection.
    ghPicture = Named(new QGroupBox(QStringLiteral("Adjustment"), lpProperties), "ghPicture");
    lbScale = Named(new QLabel(QStringLiteral("Preview scale:"), ghPicture), "lbScale");
    ScaleCombo = Named(new QComboBox(ghPicture), "ScaleCombo");
    ScaleCombo->setEditable(true);
    ScaleCombo->setInsertPolicy(QComboBox::NoInsert);
    ScaleCombo->setMaxVisibleItems(9);
    for (const char* item : kScaleItems)
        ScaleCombo->addItem(QString::fromLatin1(item));
    ScaleCombo->setCurrentIndex(3);
    cbCropped = Named(new QCheckBox(QStringLiteral("Cropped"), ghPicture), "cbCropped");
    cbCropped->setToolTip(
        QStringLiteral("When this option is checked, selected picture will paint only the "
                       "portion of its picture, that intersects with the picture of the "
                       "container:"));
    lbOpacity = Named(new QLabel(QStringLiteral("Transparence:"), ghPicture), "lbOpacity");
    LayerOpacity = Named(new QSlider(Qt::Horizontal, ghPicture), "LayerOpacity");
    LayerOpacity->setRange(0, 255);
    LayerOpacity->setValue(255);
    for (QWidget* w : {static_cast<QWidget*>(lbScale), static_cast<QWidget*>(ScaleCombo),
                       static_cast<QWidget*>(cbCropped), static_cast<QWidget*>(lbOpacity),
                       static_cast<QWidget*>(LayerOpacity)})
        w->setEnabled(false);

    auto* adjust = new QVBoxLayout(ghPicture);
    adjust->addWidget(lbScale);
    adjust->addWidget(ScaleCombo);
    adjust->addWidget(cbCropped);
    adjust->addWidget(lbOpacity);
    adjust->addWidget(LayerOpacity);

    // The picture list: thumbnails of 70 x 50 in cells of 80 x 60, one column,
    // and the buttons of the list's commands beside them.
    pnlLayerIndex =
        Named(new QGroupBox(QStringLiteral("Pictures List"), lpProperties), "pnlLayerIndex");
    lvPicList = Named(new TThumbnailViewer(pnlLayerIndex), "lvPicList");
    lvPicList->SetCellSize(QSize(80, 60));
    lvPicList->SetSpacing(4);
    lvPicList->SetColor(clAppWorkSpace);
    lvPicList->setFixedWidth(kPicListWidth);
    const struct {
        QToolButton** Button;
        const char* Name;
        const char* Caption;
        const char* Hint;
    } buttons[] = {
        {&btnAdd, "btnAdd", "Insert", "Insert a new picture"},
        {&btnDel, "btnDel", "Remove", "Remove the selected picture"},
        {&btnUp, "btnUp", "Up", "Move up the selected picture"},
        {&btnDown, "btnDown", "Down", "Move down the selected picture"},
        {&btnEdit, "btnEdit", "Edit pic", ""},
    };
    auto* buttonColumn = new QVBoxLayout;
    buttonColumn->setSpacing(4);
    for (const auto& b : buttons) {
        *b.Button = Named(new QToolButton(pnlLayerIndex), b.Name);
        (*b.Button)->setText(QString::fromLatin1(b.Caption));
        (*b.Button)->setToolTip(QString::fromLatin1(b.Hint));
        (*b.Button)->setToolButtonStyle(Qt::ToolButtonTextOnly);
        (*b.Button)->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        buttonColumn->addWidget(*b.Button);
    }
    buttonColumn->addStretch(1);
    auto* listRow = new QHBoxLayout(pnlLayerIndex);
    listRow->setContentsMargins(4, 4, 4, 4);
    listRow->addWidget(lvPicList);
    listRow->addLayout(buttonColumn, 1);

    PropertiesLayout = new QVBoxLayout(lpProperties);
    PropertiesLayout->setContentsMargins(4, 4, 4, 4);
    PropertiesLayout->addWidget(ghPicture);
    PropertiesLayout->addWidget(pnlLayerIndex, 1);

    ExplorerLayout = new QVBoxLayout(lpPicture);
    ExplorerLayout->setContentsMargins(4, 4, 4, 4);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(TabBarLeft);
    layout->addWidget(plLeft, 1);

    connect(TabBarLeft, &QTabBar::currentChanged, plLeft, &QStackedWidget::setCurrentIndex);
}

void TLeftPanel::ShowPage(int Index) {
    TabBarLeft->setCurrentIndex(Index);
    plLeft->setCurrentIndex(Index);
}
