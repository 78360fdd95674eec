#include "main/uMain.h"

#include "CommUnit/TPictureOpenDialog.h"
#include "CommUnit/TThumbnailViewer.h"
#include "engine/TImgView32.h"
#include "main/TExplorerPanel.h"
#include "main/TLeftPanel.h"
#include "main/uAbout.h"
#include "main/TPictureDropTarget.h"
#include "main/uActions.h"
#include "main/uDesktopLauncher.h"
#include "main/uErrorMessage.h"
#include "main/uOpenPicturesDialog.h"
#include "main/uProgramArguments.h"
#include "main/uProjectCommands.h"
#include "main/uSaveCommand.h"
#include "main/uSaveDialog.h"
#include "main/uTextInput.h"
#include "main/TWelcomeImage.h"
#include "main/uWelcomePicture.h"
#include "main/uWindowSnap.h"
#include "main/uZoomText.h"
#include "document/uEditSteps.h"
#include "document/uLayerGeometry.h"
#include "document/uNewPicture.h"
#include "layout/uResetPic.h"
#include "layout/uWizard.h"
#include "pictures/uPicLib.h"
#include "settings/uAppPaths.h"
#include "settings/uDesktopPicture.h"
#include "settings/uIniOption.h"
#include "settings/uOption.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

namespace {

// The client area the window is laid out for; kept when the window starts
// minimized or maximized.
constexpr int kDesignedWidth = 809;
constexpr int kDesignedHeight = 551;
constexpr int kCoolBarMinHeight = 48;
constexpr int kStatusPanelWidths[2] = {175, 150};
// How long after the first showing a late window frame still sets the size.
constexpr qint64 kFrameWaitMs = 2000;
// How long the status bar shows why an explorer picture cannot be read.
constexpr int kPictureErrorMs = 6000;

template <typename T> T* Named(T* Widget, const char* Name) {
    Widget->setObjectName(QString::fromLatin1(Name));
    return Widget;
}

} // namespace

std::string TfrmMain::DefaultSettingsFolder() {
    return DataPath();
}

std::string TfrmMain::DefaultAppFolder() {
    return ProgramFilesPath();
}

TfrmMain::TfrmMain(const std::string& SettingsFolder, const std::string& AppFolder, QWidget* Parent)
    : QMainWindow(Parent), FSettingsFolder(SettingsFolder), FAppFolder(AppFolder) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromLatin1(kProgramTitle) + QStringLiteral(" V") +
                   QString::fromLatin1(kProgramVersion));
    QApplication::setApplicationName(QString::fromLatin1(kProgramTitle));
    // Tahoma at 8 points, or the nearest sans-serif face where it is missing.
    QFont font;
    font.setFamilies(
        {QStringLiteral("Tahoma"), QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setPointSize(8);
    setFont(font);

    CreateControls();
    WireLayerEditing();
    WirePictureList();
    WireNewAndReset();
    FPreviousErrorReporter = SetEventErrorReporter(ErrorBoxReporter(this));
    FDocument = std::make_unique<TMergeDocument>(ImgView->Bitmap(), ImgView->Layers(), this);
    FDocument->Saved = true;
    FDocument->LayerMouseDown = [this](TCustomLayer* Sender, TMouseButton Button, TShiftState Shift,
                                       int X, int Y) { LayerMouseDown(Sender, Button, Shift, X, Y); };
    FDocument->FrameResizing = [this](TRubberbandLayer* Sender, const TRectF& Old, TRectF& New,
                                      TRBDragState State, TShiftState Shift) {
        FrameResizing(Sender, Old, New, State, Shift);
    };
    WireExplorer();
    WireTextInput();
    WireProject();
    WireOptions();

    LoadSettings();
    RestoreWindow();
    CoolBarMain->setVisible(IniOption.ShowToolbar);
}

TfrmMain::~TfrmMain() {
    StoreSettings();
    // The layers go with the view; the document lets go of them first.
    FDocument->SelectLayer(nullptr);
    FDocument->RubberBand = nullptr;
    FDocument.reset();
    SetBusy(false);
    SetEventErrorReporter(std::move(FPreviousErrorReporter));
}

void TfrmMain::CreateControls() {
    FActions = new TMainActions(this);
    FActions->SetHandler(QStringLiteral("ActExit"), [this] { ActExitExecute(); });
    FActions->SetHandler(QStringLiteral("ActSave"), [this] { ActSaveExecute(); });
    FActions->SetHandler(QStringLiteral("ActShowLogs"), [this] { ActShowLogsExecute(); });
    FActions->SetHandler(QStringLiteral("ActClearLogs"), [this] { ActClearLogsExecute(); });
    Launcher = std::make_shared<TDesktopLauncher>();
    FActions->SetHandler(QStringLiteral("ActHelpManual"), [this] { ActHelpManualExecute(); });
    FActions->SetHandler(QStringLiteral("ActHomePage"), [this] { ActHomePageExecute(); });
    FActions->SetHandler(QStringLiteral("ActEditPic"), [this] { ActEditPicExecute(); });
    FActions->SetHandler(QStringLiteral("ActAboutSoft"), [this] { ActAboutSoftExecute(); });
    SavePicDlg = new TSaveDialog(this, QString::fromLatin1(SavePictureFilter),
                                 QString::fromLatin1(SavePictureDefaultExt));
    SavePicDlg->setObjectName(QStringLiteral("SavePicDlg"));
    SavePicDlg->FolderMustExist = true;

    Named(menuBar(), "MenuMain");
    FActions->BuildMainMenu(menuBar());

    auto* client = Named(new QWidget(this), "pnlClient");
    auto* clientLayout = new QVBoxLayout(client);
    clientLayout->setContentsMargins(0, 0, 0, 0);
    clientLayout->setSpacing(0);

    CoolBarMain = Named(new QFrame(client), "CoolBarMain");
    CoolBarMain->setFrameShape(QFrame::StyledPanel);
    CoolBarMain->setMinimumHeight(kCoolBarMinHeight);
    auto* coolLayout = new QHBoxLayout(CoolBarMain);
    coolLayout->setContentsMargins(2, 2, 2, 2);
    ToolBarMain = Named(new QToolBar(CoolBarMain), "ToolBarMain");
    ToolBarMain->setMovable(false);
    ToolBarMain->setFloatable(false);
    FActions->BuildToolBar(ToolBarMain);
    coolLayout->addWidget(ToolBarMain);
    coolLayout->addStretch(1);
    clientLayout->addWidget(CoolBarMain);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    LeftPanel = new TLeftPanel(client);
    body->addWidget(LeftPanel);

    PageListMain = Named(new QStackedWidget(client), "PageListMain");
    plWelcome = Named(new QWidget(PageListMain), "plWelcome");
    ImageBG = Named(new TWelcomeImage(plWelcome), "ImageBG");
    ImageBG->SetColor(clWhite);
    ImageBG->SetBitmapAlign(baCenter);
    ImageBG->SetScaleMode(smNormal);
    ImageBG->SetScale(1.0f);
    ImageBG->Bitmap().SetDrawMode(dmBlend);
    auto* welcomeLayout = new QVBoxLayout(plWelcome);
    welcomeLayout->setContentsMargins(0, 0, 0, 0);
    welcomeLayout->addWidget(ImageBG);

    plImgView = Named(new QWidget(PageListMain), "plImgView");
    ImgView = Named(new TImgView32(plImgView), "ImgView");
    ImgView->SetColor(clAppWorkSpace);
    ImgView->SetScale(1.0f);
    ImgView->SetScaleMode(smScale);
    ImgView->SetOverSize(0);
    ImgView->Bitmap().SetDrawMode(dmOpaque);
    auto* viewLayout = new QVBoxLayout(plImgView);
    viewLayout->setContentsMargins(0, 0, 0, 0);
    viewLayout->addWidget(ImgView);

    PageListMain->addWidget(plWelcome);
    PageListMain->addWidget(plImgView);
    body->addWidget(PageListMain, 1);
    clientLayout->addLayout(body, 1);
    setCentralWidget(client);

    pmenuRotate = FActions->BuildRotateMenu(this);
    ImgView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ImgView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pmenuRotate->popup(ImgView->mapToGlobal(pos)); });

    auto* status = Named(new QStatusBar(this), "StatusBarMain");
    for (int i = 0; i < 2; ++i) {
        FStatusPanels[i] = new QLabel(status);
        FStatusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        FStatusPanels[i]->setFixedWidth(kStatusPanelWidths[i]);
        FStatusPanels[i]->setFrameShape(QFrame::StyledPanel);
        FStatusPanels[i]->setFrameShadow(QFrame::Sunken);
        status->addWidget(FStatusPanels[i]);
    }
    FProgressBar = new QProgressBar(status);
    FProgressBar->setObjectName(QStringLiteral("ProgressRebuild"));
    FProgressBar->setFormat(QStringLiteral("%v / %m"));
    FProgressBar->setMaximumWidth(200);
    FProgressBar->hide();
    status->addPermanentWidget(FProgressBar);
    setStatusBar(status);
}

void TfrmMain::LoadSettings() {
    try {
        LoadIniOption(FSettingsFolder);
    } catch (const std::exception& e) {
        // A settings file that exists but cannot be read: the run goes on with
        // the defaults, and the user learns why once the window is shown.
        IniOption = TIniOption();
        IniOption.ScrIniPath = DefaultPictureFolder();
        FStartErrors << QString::fromUtf8(e.what());
        // The defaults of this run are not written over the user's file.
        FSettingsUnreadable = true;
    }
    CorrectOutputOptions(IniOption);
}

void TfrmMain::RestoreWindow() {
    resize(kDesignedWidth, kDesignedHeight);
    if (IniOption.WinState == 1)
        setWindowState(Qt::WindowMinimized);
    else if (IniOption.WinState == 2)
        setWindowState(Qt::WindowMaximized);
    else
        SetOuterSize(IniOption.WinWidth, IniOption.WinHeight);
}

void TfrmMain::SetOuterSize(int Width, int Height) {
    const QSize frame = frameGeometry().size() - geometry().size();
    resize(Width - frame.width(), Height - frame.height());
}

void TfrmMain::CentreOnScreen() {
    const QScreen* s = screen();
    if (!s)
        return;
    const QRect area = s->availableGeometry();
    const QRect frame = frameGeometry();
    FPlacing = true;
    move(area.x() + (area.width() - frame.width()) / 2,
         area.y() + (area.height() - frame.height()) / 2);
    FPlacing = false;
}

void TfrmMain::showEvent(QShowEvent* Event) {
    QMainWindow::showEvent(Event);
    if (FShown)
        return;
    FShown = true;
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        // Bring the outer size to the stored one with the frame known so far.
        // Some window managers add the frame only after the window is shown;
        // the size and the place are then set once more when it arrives, so
        // that the stored outer size does not grow by a frame at every run.
        SetOuterSize(IniOption.WinWidth, IniOption.WinHeight);
        CentreOnScreen();
        FFramePending = frameGeometry().size() == geometry().size();
        FShownAt.start();
    }
    FirstShow();
}

void TfrmMain::FirstShow() {
    SetupActivityLog();
    try {
        if (LoadWelcomePicture(ImageBG->Bitmap(), FAppFolder, IniOption.DesktopBg)) {
            ImageBG->Bitmap().SetDrawMode(dmBlend);
            // The drawing for screens at 200 %, when the picture comes with one.
            ImageBG->SetSharpPicture(LoadSharpPicture(
                FindDesktopPicture(FAppFolder, IniOption.DesktopBg), 2,
                ImageBG->Bitmap().Width(), ImageBG->Bitmap().Height()));
            ImageBG->Invalidate();
        }
    } catch (const std::exception& e) {
        FStartErrors << QString::fromUtf8(e.what());
    }
    PageListMain->setCurrentWidget(plWelcome);
    LeftPanel->ShowPage(0);
    FDocument->GridMode = false;
    UpdateActions();
    ReportStartErrors();
}

void TfrmMain::SetupActivityLog() {
    bool readable = true;
    try {
        LogFileMain.SetFileName(QString::fromStdString(FSettingsFolder) +
                                QStringLiteral("Log.dat"));
    } catch (const std::exception& e) {
        // The user learns why once the window is shown. The log then lives in
        // memory only, so that the file it could not read is not replaced.
        FStartErrors << QString::fromUtf8(e.what());
        readable = false;
    }
    LogFileMain.SetAutoSave(readable);
    LogFileMain.SetActive(true);
}

void TfrmMain::ReportStartErrors() {
    if (FStartErrors.isEmpty())
        return;
    const QStringList errors = FStartErrors;
    FStartErrors.clear();
    QTimer::singleShot(0, this, [this, errors] {
        for (const QString& text : errors)
            ShowErrorMessage(this, text);
    });
}

void TfrmMain::closeEvent(QCloseEvent* Event) {
    if (FBusy) {
        // A rebuild is reading pictures: it stops at the next picture, and the
        // window closes once it has unwound.
        Event->ignore();
        FCloseWhenIdle = true;
        FDocument->RequestStop();
        return;
    }
    StoreSettings();
    QMainWindow::closeEvent(Event);
}

void TfrmMain::StoreSettings() {
    if (FStored || FSettingsUnreadable)
        return;
    FStored = true;
    try {
        const QRect frame = frameGeometry();
        IniOption.WinWidth = frame.width();
        IniOption.WinHeight = frame.height();
        const Qt::WindowStates state = windowState();
        IniOption.WinState = (state & Qt::WindowMinimized)   ? 1
                             : (state & Qt::WindowMaximized) ? 2
                                                             : 0;
        SaveIniOption(FSettingsFolder);
    } catch (...) {
        // Settings that cannot be written at exit are not reported; the
        // program ends and the changes of this run are lost.
    }
}

void TfrmMain::moveEvent(QMoveEvent* Event) {
    QMainWindow::moveEvent(Event);
    if (FFramePending && frameGeometry().size() != geometry().size()) {
        FFramePending = false;
        if (FShownAt.elapsed() < kFrameWaitMs &&
            !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))) {
            SetOuterSize(IniOption.WinWidth, IniOption.WinHeight);
            CentreOnScreen();
            return;
        }
    }
    if (FPlacing || !isVisible() || !WindowsCanPlaceThemselves() ||
        (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)))
        return;
    const QScreen* s = screen();
    if (!s)
        return;
    const QRect frame = frameGeometry();
    const QPoint snapped = SnapToEdges(frame, s->availableGeometry());
    if (snapped == frame.topLeft())
        return;
    FPlacing = true;
    move(snapped);
    FPlacing = false;
}

QAction* TfrmMain::Action(const QString& Name) const {
    return FActions->Action(Name);
}

QString TfrmMain::StatusPanelText(int Index) const {
    return FStatusPanels[Index]->text();
}

void TfrmMain::SetStatusPanelText(int Index, const QString& Text) {
    FStatusPanels[Index]->setText(Text);
}

void TfrmMain::RebuildPicture() {
    FDocument->RebuildPicture(DocumentLayout());
}

void TfrmMain::PlacePictures(TBitmap32& /*Canvas*/, int Cols, int Rows, int CellWidth,
                             int CellHeight, int Space, const std::vector<std::string>& Files) {
    FDocument->PlacePictures(TGridLayout::Of(Rows, Cols, CellWidth, CellHeight, Space),
                             IniOption.ResizeType, IniOption.FillColor, Files);
}

void TfrmMain::AddPictureLayer(const std::string& FileName, TPoint TopLeft, int CellWidth,
                               int CellHeight, int Tag, TColor FillColor) {
    FDocument->AddPictureLayer(FileName, TopLeft, CellWidth, CellHeight, Tag, IniOption.ResizeType,
                               FillColor);
}

void TfrmMain::UpdateActions() {
    TActionState state;
    state.CanvasEmpty = ImgView->Bitmap().IsEmpty();
    state.GridMode = FDocument->GridMode;
    const std::string& file = FDocument->CurrentPicFile;
    state.PicFileExists = !file.empty() && QFileInfo(QString::fromStdString(file)).isFile();
    state.CanUndo = FDocument->History.CanUndo();
    state.CanRedo = FDocument->History.CanRedo();
    FActions->Update(state);
    LeftPanel->lbScale->setEnabled(!state.CanvasEmpty);
}

void TfrmMain::ActExitExecute() {
    if (!OfferToSaveProject() && !FDocument->Saved) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Confirmation"),
                        QStringLiteral("A new picture has been created. Do you want to save now?"),
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setDefaultButton(QMessageBox::Yes);
        // Saving runs whatever the state of the Save command's button.
        if (box.exec() == QMessageBox::Yes)
            FActions->Run(QStringLiteral("ActSave"));
    }
    close();
}

void TfrmMain::ActSaveExecute() {
    SaveMergedPicture(*SavePicDlg, *FDocument, LogFileMain, SaveOptionsFromSettings(IniOption));
}

void TfrmMain::ActHelpManualExecute() {
    OpenHelp(*Launcher, QString::fromStdString(FAppFolder));
}

void TfrmMain::ActHomePageExecute() {
    OpenHomePage(*Launcher);
}

void TfrmMain::ActEditPicExecute() {
    // The editor is a program: it lies beside ours, not among our files.
    OpenInEditor(*Launcher, QString::fromStdString(AppPath()),
                 QString::fromStdString(FDocument->CurrentPicFile));
}

void TfrmMain::ActAboutSoftExecute() {
    TfrmAbout about(this, QString::fromStdString(FAppFolder), *Launcher);
    about.exec();
}

// Options

void TfrmMain::WireOptions() {
    FActions->SetHandler(QStringLiteral("ActStandardOption"),
                         [this] { ActStandardOptionExecute(); });
}

void TfrmMain::ActStandardOptionExecute() {
    {
        TfrmOption option(IniOption, FAppFolder, this);
        option.exec();
    }
    CoolBarMain->setVisible(IniOption.ShowToolbar);
}

void TfrmMain::ActShowLogsExecute() {
    ShowLogWindow(this, LogFileMain, QStringLiteral("Show Logs"), LogWindowServices);
}

void TfrmMain::ActClearLogsExecute() {
    LogFileMain.ClearEntries();
}

// Layer editing

namespace {

// Keeps Delete and the arrow keys for the canvas while it has the focus: they
// edit the selected layer there, and no window shortcut takes them.
class TCanvasKeys : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override {
        if (Event->type() == QEvent::ShortcutOverride) {
            switch (static_cast<QKeyEvent*>(Event)->key()) {
            case Qt::Key_Delete:
            case Qt::Key_Left:
            case Qt::Key_Up:
            case Qt::Key_Right:
            case Qt::Key_Down:
                Event->accept();
                return true;
            default:
                break;
            }
        }
        return QObject::eventFilter(Watched, Event);
    }
};

} // namespace

void TfrmMain::WireLayerEditing() {
    ImgView->setFocusPolicy(Qt::ClickFocus);
    ImgView->installEventFilter(new TCanvasKeys(ImgView));
    ImgView->OnMouseDown = [this](TCustomImage32* Sender, TMouseButton Button, TShiftState Shift,
                                  int X, int Y, TCustomLayer* Layer) {
        ImgViewMouseDown(Sender, Button, Shift, X, Y, Layer);
    };
    ImgView->OnMouseWheelUp = [this](TCustomImage32* Sender, TShiftState Shift, QPoint Pos,
                                     bool& Handled) { ImgViewMouseWheelUp(Sender, Shift, Pos, Handled); };
    ImgView->OnMouseWheelDown = [this](TCustomImage32* Sender, TShiftState Shift, QPoint Pos,
                                       bool& Handled) {
        ImgViewMouseWheelDown(Sender, Shift, Pos, Handled);
    };
    ImgView->OnKeyUp = [this](TCustomImage32* Sender, int& Key, TShiftState Shift) {
        ImgViewKeyUp(Sender, Key, Shift);
    };
    // One step of the history for each drag of the slider.
    connect(LeftPanel->LayerOpacity, &QSlider::sliderPressed, this,
            [this] { FDocument->History.CloseMerge(); });
    connect(LeftPanel->LayerOpacity, &QSlider::sliderReleased, this,
            [this] { FDocument->History.CloseMerge(); });
    connect(LeftPanel->LayerOpacity, &QSlider::valueChanged, this,
            [this] { RunCommand(this, [this] { LayerOpacityChange(); }); });
    connect(LeftPanel->cbCropped, &QCheckBox::clicked, this,
            [this] { RunCommand(this, [this] { cbCroppedClick(); }); });
    connect(LeftPanel->ScaleCombo, &QComboBox::editTextChanged, this, [this] {
        if (!FSettingScaleText)
            RunCommand(this, [this] { ScaleComboChange(); });
    });
    const struct {
        const char* Name;
        void (TfrmMain::*Handler)();
    } commands[] = {
        {"ActBringFront", &TfrmMain::ActBringFrontExecute},
        {"ActSendBack", &TfrmMain::ActSendBackExecute},
        {"ActPictureUp", &TfrmMain::ActPictureUpExecute},
        {"ActPictureDown", &TfrmMain::ActPictureDownExecute},
        {"ActDeletePicture", &TfrmMain::ActDeletePictureExecute},
        {"ActFlipHorz", &TfrmMain::ActFlipHorzExecute},
        {"ActFlipVert", &TfrmMain::ActFlipVertExecute},
        {"ActRotate90", &TfrmMain::ActRotate90Execute},
        {"ActRotate180", &TfrmMain::ActRotate180Execute},
        {"ActRotate270", &TfrmMain::ActRotate270Execute},
        {"ActFlattenPicture", &TfrmMain::ActFlattenPictureExecute},
        {"ActScaledPicture", &TfrmMain::ActScaledPictureExecute},
        {"ActAutoFit", &TfrmMain::ActAutoFitExecute},
        {"ActUndo", &TfrmMain::ActUndoExecute},
        {"ActRedo", &TfrmMain::ActRedoExecute},
    };
    for (const auto& c : commands)
        FActions->SetHandler(QString::fromLatin1(c.Name), [this, h = c.Handler] { (this->*h)(); });
}

void TfrmMain::WirePictureList() {
    OpenPicDlg = new TOpenPicturesDialog(this);
    ReloadTimer = new QTimer(this);
    ReloadTimer->setObjectName(QStringLiteral("ReloadTimer"));
    ReloadTimer->setInterval(1000);
    connect(ReloadTimer, &QTimer::timeout, this,
            [this] { RunCommand(this, [this] { ReloadTimerTimer(); }); });
    TThumbnailViewer* viewer = LeftPanel->lvPicList;
    viewer->OnMouseDown = [this](Qt::MouseButton, Qt::KeyboardModifiers, QPoint) {
        RunCommand(this, [this] { lvPicListMouseDown(); });
    };
    viewer->OnSelectionChanged = [this] { RunCommand(this, [this] { lvPicListMouseDown(); }); };
    const struct {
        const char* Name;
        void (TfrmMain::*Handler)();
        QToolButton* Button;
    } commands[] = {
        {"ActAddPic", &TfrmMain::ActAddPicExecute, LeftPanel->btnAdd},
        {"ActDelPic", &TfrmMain::ActDelPicExecute, LeftPanel->btnDel},
        {"ActUpPic", &TfrmMain::ActUpPicExecute, LeftPanel->btnUp},
        {"ActDownPic", &TfrmMain::ActDownPicExecute, LeftPanel->btnDown},
        {"ActEditPic", nullptr, LeftPanel->btnEdit},
    };
    for (const auto& c : commands) {
        const QString name = QString::fromLatin1(c.Name);
        if (c.Handler)
            FActions->SetHandler(name, [this, h = c.Handler] { (this->*h)(); });
        const QString caption = c.Button->text();
        const QString hint = c.Button->toolTip();
        TMainActions::BindButton(c.Button, FActions->Action(name), caption);
        c.Button->setToolTip(hint);
    }
}

void TfrmMain::ImgViewMouseDown(TCustomImage32*, TMouseButton, TShiftState, int, int,
                                TCustomLayer* Layer) {
    if (!Layer)
        SelectLayer(nullptr);
    ImgView->setFocus(Qt::MouseFocusReason);
}

void TfrmMain::ImgViewMouseWheelUp(TCustomImage32*, TShiftState, QPoint, bool&) {
    const float s = WheelZoom(ImgView->Scale(), true);
    ImgView->SetScale(s);
    const QSignalBlocker quiet(LeftPanel->ScaleCombo);
    LeftPanel->ScaleCombo->setEditText(ZoomText(s));
}

void TfrmMain::ImgViewMouseWheelDown(TCustomImage32*, TShiftState, QPoint, bool&) {
    const float s = WheelZoom(ImgView->Scale(), false);
    ImgView->SetScale(s);
    const QSignalBlocker quiet(LeftPanel->ScaleCombo);
    LeftPanel->ScaleCombo->setEditText(ZoomText(s));
}

void TfrmMain::ImgViewKeyUp(TCustomImage32*, int& Key, TShiftState) {
    switch (Key) {
    case Qt::Key_Delete:
        ActDeletePictureExecute();
        break;
    case Qt::Key_Left:
        FDocument->MoveSelectedLayer(-1, 0);
        break;
    case Qt::Key_Up:
        FDocument->MoveSelectedLayer(0, -1);
        break;
    case Qt::Key_Right:
        FDocument->MoveSelectedLayer(1, 0);
        break;
    case Qt::Key_Down:
        FDocument->MoveSelectedLayer(0, 1);
        break;
    default:
        break;
    }
}

void TfrmMain::LayerMouseDown(TCustomLayer* Sender, TMouseButton, TShiftState, int, int) {
    FDocument->PickLayer(Sender);
}

void TfrmMain::FrameResizing(TRubberbandLayer*, const TRectF& OldLocation, TRectF& NewLocation,
                             TRBDragState DragState, TShiftState Shift) {
    NewLocation = SymmetricResize(OldLocation, NewLocation, DragState, Shift);
}

void TfrmMain::LayerOpacityChange() {
    FDocument->SetSelectedOpacity(LeftPanel->LayerOpacity->value());
}

void TfrmMain::cbCroppedClick() {
    FDocument->SetSelectedCropped(LeftPanel->cbCropped->isChecked());
}

void TfrmMain::ScaleComboChange() {
    QComboBox* box = LeftPanel->ScaleCombo;
    const TZoomEdit edit = ZoomFromText(box->currentText(), ImgView->Scale());
    if (!edit.Changed)
        return;
    if (edit.SetScale)
        ImgView->SetScale(edit.Scale);
    FSettingScaleText = true;
    box->setEditText(edit.Text);
    FSettingScaleText = false;
    if (QLineEdit* line = box->lineEdit())
        line->setCursorPosition(edit.Caret);
}

void TfrmMain::ActDeletePictureExecute() {
    FDocument->DeleteSelectedLayer();
}

namespace {

// After a step of the list was undone or redone: the list's rebuild follows,
// or is no longer wanted.
void FollowListStep(TDocumentStep* Step, bool Undone, const std::function<void()>& Start,
                    const std::function<void()>& Cancel) {
    if (!Step || !Step->ChangesList())
        return;
    if (Step->ListWantsRebuild(Undone))
        Start();
    else
        Cancel();
}

} // namespace

void TfrmMain::ActUndoExecute() {
    FollowListStep(
        FDocument->Undo(), true, [this] { StartReload(); }, [this] { CancelReload(); });
}

void TfrmMain::ActRedoExecute() {
    FollowListStep(
        FDocument->Redo(), false, [this] { StartReload(); }, [this] { CancelReload(); });
}

void TfrmMain::HistoryChanged() {
    // Only Undo and Redo follow at once; the other commands keep their states
    // until UpdateActions runs.
    const TEditHistory& h = FDocument->History;
    const auto show = [this](const char* Name, const char* Verb, bool Can, const std::string& Step) {
        QAction* action = Action(QString::fromLatin1(Name));
        action->setText(QString::fromLatin1(Verb) +
                        (Can ? QLatin1Char(' ') + QString::fromStdString(Step) : QString()));
        action->setEnabled(Can);
    };
    show("ActUndo", "Undo", h.CanUndo(), h.UndoName());
    show("ActRedo", "Redo", h.CanRedo(), h.RedoName());
    UpdateCaption();
}

void TfrmMain::ActAutoFitExecute() {
    FDocument->AutoFitSelected(DocumentLayout());
}

void TfrmMain::PictureListChanged() {
    TThumbnailViewer* viewer = LeftPanel->lvPicList;
    const std::vector<QImage>& thumbnails = FDocument->ImgPicList;
    viewer->SetCount(int(thumbnails.size()));
    for (std::size_t i = 0; i < thumbnails.size(); ++i)
        viewer->SetImage(int(i), thumbnails[i]);
}

// The picture list

void TfrmMain::ActAddPicExecute() {
    if (!OpenPicDlg->Execute(QString::fromStdString(IniOption.ScrIniPath)))
        return;
    std::vector<std::string> files;
    for (const QString& file : OpenPicDlg->Files)
        files.push_back(file.toStdString());
    IniOption.ScrIniPath = IncludeTrailingSeparator(
        QDir::toNativeSeparators(QFileInfo(OpenPicDlg->Files.first()).absolutePath())
            .toStdString());
    FDocument->WhenIdle([this, files] {
        FDocument->RecordListChange("Insert Pictures",
                                    [&] { return FDocument->AddPictures(files) > 0; });
        StartReload();
    });
}

void TfrmMain::ActDelPicExecute() {
    const int i = LeftPanel->lvPicList->SelectedIndex();
    if (i < 0)
        return;
    FDocument->WhenIdle([this, i] {
        bool deleted = false;
        FDocument->RecordListChange("Delete Selected", [&] {
            return deleted = FDocument->DeleteListEntry(i);
        });
        if (deleted)
            StartReload();
    });
}

void TfrmMain::ActUpPicExecute() {
    const int i = LeftPanel->lvPicList->SelectedIndex();
    FDocument->WhenIdle([this, i] {
        bool moved = false;
        FDocument->RecordListChange("Move Up",
                                    [&] { return moved = FDocument->MoveListEntry(i, -1); });
        if (!moved)
            return;
        LeftPanel->lvPicList->SetSelectedIndex(i - 1);
        StartReload();
    });
}

void TfrmMain::ActDownPicExecute() {
    const int i = LeftPanel->lvPicList->SelectedIndex();
    FDocument->WhenIdle([this, i] {
        bool moved = false;
        FDocument->RecordListChange("Move Down",
                                    [&] { return moved = FDocument->MoveListEntry(i, 1); });
        if (!moved)
            return;
        LeftPanel->lvPicList->SetSelectedIndex(i + 1);
        StartReload();
    });
}

void TfrmMain::StartReload() {
    FDocument->ReloadTicks = 0;
    if (!ReloadTimer->isActive())
        ReloadTimer->start();
}

void TfrmMain::CancelReload() {
    ReloadTimer->stop();
    FDocument->ReloadTicks = 0;
}

void TfrmMain::ReloadTimerTimer() {
    // A tick while a rebuild reads its pictures waits for its end; ticks that
    // come meanwhile are one tick.
    if (FReloadTickWaiting)
        return;
    FReloadTickWaiting = true;
    FDocument->WhenIdle([this] {
        FReloadTickWaiting = false;
        if (!FDocument->ReloadTick())
            return;
        // Stopped before the rebuild: one that fails or takes long is not
        // started again at every tick.
        ReloadTimer->stop();
        RebuildPicture();
    });
}

void TfrmMain::lvPicListMouseDown() {
    const int i = LeftPanel->lvPicList->SelectedIndex();
    if (i < 0 || std::size_t(i) >= FDocument->PicFileList.size() ||
        std::size_t(i) >= FDocument->ImgPicList.size())
        return;
    FDocument->CurrentPicFile = FDocument->PicFileList[std::size_t(i)];
    SetStatusPanelText(1, QString::fromStdString(FDocument->CurrentPicFile));
    UpdateActions();
}

// New and Reset

void TfrmMain::WireNewAndReset() {
    frmReset = new TfrmReset(IniOption, this);
    frmWizard = new TfrmWizard(IniOption, this);
    // The wizard's list takes the file types of "Insert Pictures".
    frmWizard->OpenPicDlg->setNameFilters(OpenPicDlg->nameFilters());
    FActions->SetHandler(QStringLiteral("ActFileNew"), [this] { ActFileNewExecute(); });
    FActions->SetHandler(QStringLiteral("ActReset"), [this] { ActResetExecute(); });
}

bool TfrmMain::HoldReload() {
    const bool running = ReloadTimer->isActive();
    ReloadTimer->stop();
    return running;
}

void TfrmMain::ResumeReload(bool WasRunning) {
    if (WasRunning && !ReloadTimer->isActive())
        ReloadTimer->start();
}

void TfrmMain::OfferToSaveFirst() {
    if (OfferToSaveProject() || FDocument->Saved)
        return;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirmation"),
                    QStringLiteral("A new picture has been created. Do you want to save now?"),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::Yes);
    // A save that fails throws, ending the command that asked with its error;
    // a cancelled save dialog goes on.
    if (box.exec() == QMessageBox::Yes)
        ActSaveExecute();
}

void TfrmMain::ActFileNewExecute() {
    const bool reloading = HoldReload();
    bool finished = false;
    try {
        OfferToSaveFirst();
        finished = frmWizard->Execute();
    } catch (...) {
        ResumeReload(reloading);
        throw;
    }
    if (!finished) {
        ResumeReload(reloading);
        UpdateActions();
        return;
    }
    // The new picture replaces whatever the list was waiting to rebuild.
    CancelReload();
    MakeNewPicture();
    // A new picture is no longer the project's.
    Projects->Detach();
    UpdateCaption();
}

void TfrmMain::MakeNewPicture() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // One way out, also for an error part-way: the wizard hidden, the cursor
    // back and the commands in step with what the document has become.
    auto end = [this] {
        if (frmWizard->isVisible())
            frmWizard->hide();
        QApplication::restoreOverrideCursor();
        UpdateActions();
    };
    try {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        const bool grid = frmWizard->GridFlag();
        // One step: undoing it brings back the picture that was there.
        FDocument->RecordWholeChange("New Picture", [&] {
            StartNewPicture(*FDocument, grid, frmWizard->PictureFiles(),
                            TMergeLayout::FromOption(IniOption));
            if (grid) {
                frmWizard->ClearPictures();
                LeftPanel->ShowPage(0);
            } else {
                LeftPanel->ShowPage(1);
            }
            RebuildPicture();
        });
    } catch (...) {
        end();
        throw;
    }
    end();
}

void TfrmMain::OpenPictures(const std::vector<std::string>& Files) {
    // A saved project given by the file manager opens as the project; of
    // several, the first one given.
    const auto project = std::find_if(Files.begin(), Files.end(), IsProjectFileName);
    if (project != Files.end()) {
        OpenProjectFile(QString::fromStdString(*project));
        return;
    }
    // One readable picture is enough to go on; each is tried at a thumbnail's
    // small decode, and the search stops at the first that loads.
    const bool anyReadable = std::any_of(Files.begin(), Files.end(), [](const std::string& f) {
        TBitmap probe(pf24bit);
        int w = 0, h = 0;
        return LoadPictureForFit(f, probe, TMergeDocument::kThumbnailWidth,
                                 TMergeDocument::kThumbnailHeight, 0, w, h);
    });
    if (!anyReadable) {
        ShowErrorMessage(this, QStringLiteral("None of the pictures given could be read."));
        return;
    }
    CancelReload();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto end = [this] {
        QApplication::restoreOverrideCursor();
        UpdateActions();
    };
    try {
        FDocument->RecordWholeChange("New Picture", [&] {
            StartNewPicture(*FDocument, true, Files, TMergeLayout::FromOption(IniOption));
            LeftPanel->ShowPage(0);
            RebuildPicture();
        });
    } catch (...) {
        end();
        throw;
    }
    end();
}

void TfrmMain::ActResetExecute() {
    const bool reloading = HoldReload();
    bool ok = false;
    try {
        // An open project's layout is reset, the user's settings stay.
        if (Projects->Layout()) {
            TMergeLayout layout = *Projects->Layout();
            ok = EditLayoutInOption(IniOption, layout, [this] { return frmReset->Execute(); });
            Projects->SetLayout(layout);
        } else {
            ok = frmReset->Execute();
        }
    } catch (...) {
        ResumeReload(reloading);
        throw;
    }
    if (!ok) {
        // The values changed stay; the list's pending rebuild still comes.
        ResumeReload(reloading);
        return;
    }
    CancelReload();
    FDocument->RecordWholeChange("Reset", [this] { RebuildPicture(); });
}

// TDocumentView

void TfrmMain::ShowCanvasPage() {
    PageListMain->setCurrentWidget(plImgView);
}

void TfrmMain::SetViewScale(float Scale) {
    ImgView->SetScale(Scale);
}

void TfrmMain::ReapplyZoom() {
    ScaleComboChange();
}

void TfrmMain::SetScaleControlsEnabled(bool Enabled) {
    LeftPanel->lbScale->setEnabled(Enabled);
    LeftPanel->ScaleCombo->setEnabled(Enabled);
}

void TfrmMain::ShowDimension(const std::string& Text) {
    SetStatusPanelText(0, QString::fromStdString(Text));
}

void TfrmMain::SetLayerControls(bool Enabled, int Opacity, bool Cropped) {
    LeftPanel->lbOpacity->setEnabled(Enabled);
    LeftPanel->LayerOpacity->setEnabled(Enabled);
    LeftPanel->cbCropped->setEnabled(Enabled);
    if (!Enabled)
        return;
    // Showing the selected layer's values is no change by the user.
    const QSignalBlocker opacity(LeftPanel->LayerOpacity);
    const QSignalBlocker cropped(LeftPanel->cbCropped);
    LeftPanel->LayerOpacity->setValue(Opacity);
    LeftPanel->cbCropped->setChecked(Cropped);
}

void TfrmMain::SetBusy(bool Busy) {
    if (Busy == FBusy)
        return;
    FBusy = Busy;
    if (Busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else {
        QApplication::restoreOverrideCursor();
        FProgressBar->hide();
        if (FCloseWhenIdle)
            QTimer::singleShot(0, this, &QWidget::close);
    }
}

void TfrmMain::InvalidateView() {
    ImgView->Invalidate();
}

bool TfrmMain::RenderCanvas(TBitmap32& Target) {
    ImgView->RenderTo(Target, TRect(0, 0, Target.Width(), Target.Height()));
    return true;
}

void TfrmMain::Progress(int Done, int Total) {
    if (Done >= Total) {
        FProgressBar->hide();
        return;
    }
    FProgressBar->setRange(0, Total);
    FProgressBar->setValue(Done);
    FProgressBar->show();
    // Repaints and window moves go on; commands wait until the rebuild is done.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// The explorer and drag and drop

void TfrmMain::WireExplorer() {
    ExplorerPanel = new TExplorerPanel(LeftPanel->lpPicture);
    LeftPanel->ExplorerLayout->addWidget(ExplorerPanel, 1);
    connect(LeftPanel->TabBarLeft, &QTabBar::currentChanged, this,
            [this](int Index) { RunCommand(this, [this, Index] { TabBarLeftChange(Index); }); });
    ExplorerPanel->OnAfterDialog = [this](bool Chosen, const QString& Folder) {
        RunCommand(this, [&] { SelectDirAfterDialog(Chosen, Folder); });
    };
    ExplorerPanel->OnMouseDown = [this](Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                                        QPoint Pos) {
        RunCommand(this, [&] { ivLeftMouseDown(Button, Shift, Pos); });
    };
    // Shown once per file, never as a box: it comes from scrolling.
    ExplorerPanel->OnPictureError = [this](const QString& Why) {
        statusBar()->showMessage(Why, kPictureErrorMs);
    };
    DropTar = new TPictureDropTarget(plImgView);
    DropTar->OnDrop = [this](const QStringList& Files, QPoint Pos, Qt::KeyboardModifiers Shift) {
        DropTarDrop(Files, Pos, Shift);
    };
}

void TfrmMain::TabBarLeftChange(int Index) {
    if (LeftPanel->plLeft->widget(Index) != LeftPanel->lpPicture ||
        !ExplorerPanel->SelectDir->text().isEmpty())
        return;
    const QString folder = QString::fromStdString(IniOption.ScrIniPath);
    ExplorerPanel->InitialDir = folder;
    ExplorerPanel->LoadFolder(folder);
}

void TfrmMain::SelectDirAfterDialog(bool Chosen, const QString& Folder) {
    if (Chosen)
        ExplorerPanel->LoadFolder(Folder);
    if (!ExplorerPanel->Folder().isEmpty())
        IniOption.ScrIniPath =
            IncludeTrailingSeparator(QDir::toNativeSeparators(ExplorerPanel->Folder()).toStdString());
}

void TfrmMain::ivLeftMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers, QPoint Pos) {
    const int i = ExplorerPanel->ivLeft->SelectedIndex();
    if (i < 0 || i >= ExplorerPanel->Model().Count() || Button != Qt::LeftButton)
        return;
    const QString file = ExplorerPanel->Model().Path(i);
    FDocument->CurrentPicFile = file.toStdString();
    UpdateActions();
    // The thumbnail stands for the picture: a file it could not be made of
    // cannot be dragged, and the drag shows at most an item's size.
    const QImage thumbnail = ExplorerPanel->PictureOf(i);
    if (thumbnail.isNull())
        return;
    const TMergeLayout& built = FDocument->BuiltLayout();
    const QImage picture =
        DragPicture(thumbnail, FDocument->GridMode, built.Grid.ResizeWidth, built.Grid.ResizeHeight,
                    built.ResizeType, built.FillColor,
                    QSize(TExplorerPanel::kItemWidth, TExplorerPanel::kItemHeight));
    FDocument->DragBitmap.AssignImage(picture);
    ExplorerPanel->ArmDrag(Pos, file, picture);
}

void TfrmMain::DropTarDrop(const QStringList& Files, QPoint Pos, Qt::KeyboardModifiers) {
    std::vector<std::string> files;
    for (const QString& file : Files)
        files.push_back(file.toStdString());
    const QPoint viewPoint = ImgView->mapFrom(plImgView, Pos);
    // The point is mapped when the drop is carried out: after a rebuild that
    // was running, through the view as it is then.
    FDocument->WhenIdle([this, files, viewPoint] {
        const bool fromExplorer = files.empty();
        if (fromExplorer)
            SetStatusPanelText(1, QString::fromStdString(FDocument->CurrentPicFile));
        try {
            const TPoint point = ImgView->ViewToBitmap(TPoint{viewPoint.x(), viewPoint.y()});
            if (fromExplorer)
                FDocument->DropPicture(point);
            else
                FDocument->DropPictures(files, point);
        } catch (...) {
            // A drop reports nothing; what it added before the error stays,
            // the picture list in step.
        }
        if (!fromExplorer) {
            SetStatusPanelText(1, QString::fromStdString(FDocument->CurrentPicFile));
            UpdateActions();
        }
    });
}

// Text layers

void TfrmMain::WireTextInput() {
    frmTextInput = new TfrmTextInput(this, &FDocument->TextFont);
    frmTextInput->OnAddText = [this](const QString& Text) { AddTextLayer(Text); };
    FActions->SetHandler(QStringLiteral("ActAddText"), [this] { ActAddTextExecute(); });
}

void TfrmMain::ActAddTextExecute() {
    if (!frmTextInput->isVisible())
        frmTextInput->show();
}

void TfrmMain::AddTextLayer(const QString& Text) {
    const TRect r = ImgView->ViewportRect();
    const TPoint middle{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    FDocument->AddTextLayer(Text, ImgView->ViewToBitmap(middle));
}

// Project files

void TfrmMain::WireProject() {
    Projects = std::make_unique<TProjectCommands>(this, *FDocument);
    FActions->SetHandler(QStringLiteral("ActOpenProject"), [this] { ActOpenProjectExecute(); });
    FActions->SetHandler(QStringLiteral("ActSaveProject"), [this] { ActSaveProjectExecute(); });
}

void TfrmMain::UpdateCaption() {
    if (!Projects)
        return; // still being made
    setWindowTitle(ProjectCaption(QString::fromLatin1(kProgramTitle) + QStringLiteral(" V") +
                                      QString::fromLatin1(kProgramVersion),
                                  Projects->File(), Projects->Unsaved()));
}

TMergeLayout TfrmMain::DocumentLayout() const {
    return Projects && Projects->Layout() ? *Projects->Layout()
                                          : TMergeLayout::FromOption(IniOption);
}

bool TfrmMain::OfferToSaveProject() {
    if (!Projects->Attached())
        return false;
    if (!Projects->Unsaved())
        return true;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirmation"),
                    QStringLiteral("The project \"%1\" has unsaved changes. Do you want to save "
                                   "them now?")
                        .arg(QFileInfo(Projects->File()).completeBaseName()),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::Yes);
    // A save that fails throws: the command that asked stops with its error.
    if (box.exec() == QMessageBox::Yes)
        Projects->SaveTo(Projects->File());
    return true;
}

void TfrmMain::ActOpenProjectExecute() {
    const bool reloading = HoldReload();
    bool opened = false;
    try {
        OfferToSaveFirst();
        opened = Projects->Open(QString::fromStdString(IniOption.ScrIniPath));
    } catch (...) {
        ResumeReload(reloading);
        UpdateCaption();
        throw;
    }
    if (!opened) {
        ResumeReload(reloading);
        UpdateCaption();
        return;
    }
    ShowOpenedProject();
}

void TfrmMain::OpenProjectFile(const QString& File) {
    try {
        if (Projects->OpenFile(File))
            ShowOpenedProject();
    } catch (...) {
        UpdateCaption();
        throw;
    }
}

void TfrmMain::ShowOpenedProject() {
    // The project replaces whatever the list was waiting to rebuild.
    CancelReload();
    LeftPanel->ShowPage(FDocument->GridMode ? 0 : 1);
    UpdateActions();
    UpdateCaption();
}

void TfrmMain::ActSaveProjectExecute() {
    Projects->SaveAs();
    UpdateCaption();
}
