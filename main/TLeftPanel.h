// The left side of the main window: the tab bar TabBarLeft over the page list
// plLeft, whose "Properties " page lpProperties holds the adjustment controls
// and the picture list, and whose "Explorer" page lpPicture holds the folder
// explorer.
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QSlider;
class QStackedWidget;
class QTabBar;
class QToolButton;
class TThumbnailViewer;
class QVBoxLayout;

class TLeftPanel : public QWidget {
    Q_OBJECT
public:
    explicit TLeftPanel(QWidget* Parent = nullptr);

    // Shows page Index (0 properties, 1 explorer) and selects its tab.
    void ShowPage(int Index);

    QTabBar* TabBarLeft;
    QStackedWidget* plLeft;
    QWidget* lpProperties;
    QWidget* lpPicture;
    // The "Adjustment" group of the properties page.
    QGroupBox* ghPicture;
    QLabel* lbScale;
    QComboBox* ScaleCombo;
    QCheckBox* cbCropped;
    QLabel* lbOpacity;
    QSlider* LayerOpacity;
    // The "Pictures List" panel: the thumbnails of the picture list and the
    // buttons of its commands.
    QGroupBox* pnlLayerIndex;
    TThumbnailViewer* lvPicList;
    QToolButton* btnAdd;
    QToolButton* btnDel;
    QToolButton* btnUp;
    QToolButton* btnDown;
    QToolButton* btnEdit;
    // The layouts of the two pages, for the panels that join them.
    QVBoxLayout* PropertiesLayout;
    QVBoxLayout* ExplorerLayout;
};
