// The main window: the merged picture on its canvas page, the welcome page, the
// left panel, the command table with its menus and tool bar, and the status bar.
#pragma once

#include "document/TLogFile.h"
#include "document/TMergeDocument.h"
#include "engine/uEventErrors.h"
#include "main/uLogWindow.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QStringList>

#include <memory>
#include <string>

class QAction;
class QFrame;
class QLabel;
class QMenu;
class QStackedWidget;
class QToolBar;
class TCustomImage32;
class TImage32;
class TWelcomeImage;
class TImgView32;
class TLeftPanel;
class TMainActions;
class TDesktopLauncher;
class TOpenPicturesDialog;
class TProjectCommands;
class TSaveDialog;
class QTimer;
class TExplorerPanel;
class TPictureDropTarget;
class TfrmTextInput;
class TfrmReset;
class TfrmWizard;

class QProgressBar;

class TfrmMain : public QMainWindow, public TDocumentView {
    Q_OBJECT
public:
    // SettingsFolder holds Setup.ini and Log.dat; AppFolder holds the files that
    // ship with the program (the welcome pictures under "Desktop/", the manual,
    // the logo). Both end in a separator.
    explicit TfrmMain(const std::string& SettingsFolder = DefaultSettingsFolder(),
                      const std::string& AppFolder = DefaultAppFolder(), QWidget* Parent = nullptr);
    ~TfrmMain() override;

    static std::string DefaultSettingsFolder();
    static std::string DefaultAppFolder();

    // The document shown on the canvas page.
    TMergeDocument& Document() { return *FDocument; }

    // The document's operations, as the window's commands use them; layout
    // and fitting values come from the settings record.
    void RebuildPicture();
    void SetCanvas(int Width, int Height, TColor32 Background) {
        FDocument->SetCanvas(Width, Height, Background);
    }
    void DrawCellGuides(TBitmap32& Canvas, int Cols, int Rows, int CellWidth, int CellHeight,
                        int Space, TColor Color) {
        TMergeDocument::DrawCellGuides(Canvas, Cols, Rows, CellWidth, CellHeight, Space, Color);
    }
    void PlacePictures(TBitmap32& Canvas, int Cols, int Rows, int CellWidth, int CellHeight,
                       int Space, const std::vector<std::string>& Files);
    void AddPictureLayer(const std::string& FileName, TPoint TopLeft, int CellWidth, int CellHeight,
                         int Tag, TColor FillColor);
    void SelectLayer(TCustomLayer* Layer) { FDocument->SelectLayer(Layer); }
    // The picture as it is saved, at the canvas's size; drops the selection.
    void RenderMergedPicture(TBitmap32& Target) { FDocument->RenderMergedPicture(Target); }

    // Enables and disables the commands from the document state.
    void UpdateActions();

    // Handlers of the canvas and the adjustment controls.
    void ImgViewMouseDown(TCustomImage32* Sender, TMouseButton Button, TShiftState Shift, int X,
                          int Y, TCustomLayer* Layer);
    void ImgViewMouseWheelUp(TCustomImage32* Sender, TShiftState Shift, QPoint MousePos,
                             bool& Handled);
    void ImgViewMouseWheelDown(TCustomImage32* Sender, TShiftState Shift, QPoint MousePos,
                               bool& Handled);
    void ImgViewKeyUp(TCustomImage32* Sender, int& Key, TShiftState Shift);
    void LayerMouseDown(TCustomLayer* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void FrameResizing(TRubberbandLayer* Sender, const TRectF& OldLocation, TRectF& NewLocation,
                       TRBDragState DragState, TShiftState Shift);
    void LayerOpacityChange();
    void cbCroppedClick();
    void ScaleComboChange();

    // Undo and redo of the document's steps.
    void ActUndoExecute();
    void ActRedoExecute();

    // The layer commands.
    void ActBringFrontExecute() { FDocument->BringSelectedToFront(); }
    void ActSendBackExecute() { FDocument->SendSelectedToBack(); }
    void ActPictureUpExecute() { FDocument->MoveSelectedUp(); }
    void ActPictureDownExecute() { FDocument->MoveSelectedDown(); }
    void ActDeletePictureExecute();
    void ActFlipHorzExecute() { FDocument->FlipSelected(true); }
    void ActFlipVertExecute() { FDocument->FlipSelected(false); }
    void ActRotate90Execute() { FDocument->TurnSelected(1); }
    void ActRotate180Execute() { FDocument->TurnSelected(2); }
    void ActRotate270Execute() { FDocument->TurnSelected(3); }
    void ActFlattenPictureExecute() { FDocument->FlattenPicture(); }
    void ActScaledPictureExecute() { FDocument->ToggleSelectedScaled(); }
    void ActAutoFitExecute();

    // The picture list's commands and handlers.
    void ActAddPicExecute();
    void ActDelPicExecute();
    void ActUpPicExecute();
    void ActDownPicExecute();
    void ReloadTimerTimer();
    void lvPicListMouseDown();
    // A change of the list: the rebuild follows on the third tick after the
    // last change.
    void StartReload();
    // Drops a rebuild that a change of the list has asked for (New, Reset).
    void CancelReload();
    // The Exit command: asks to save a new picture, then closes the window.
    void ActExitExecute();
    // The Save command: the merged picture into the file and type chosen in
    // SavePicDlg. Errors reach the caller; a cancelled dialog does nothing.
    void ActSaveExecute();
    // Help, the home page, the external editor and the about box.
    void ActHelpManualExecute();
    void ActHomePageExecute();
    void ActEditPicExecute();
    void ActAboutSoftExecute();
    // Opens files, addresses and programs for the commands above; tests put
    // a recorder in its place.
    std::shared_ptr<TDesktopLauncher> Launcher;
    // The options dialog; the tool bar follows ShowToolbar whenever it closes.
    void ActStandardOptionExecute();
    // The log window with the entries of LogFileMain.
    void ActShowLogsExecute();
    // Empties the activity log and its file.
    void ActClearLogsExecute();

    // The explorer page, its drag and the drop onto the canvas page.
    // A tab of TabBarLeft was chosen: the explorer fills itself on its first visit.
    void TabBarLeftChange(int Index);
    // After the folder dialog of SelectDir: the folder chosen, or after a
    // cancel the one shown.
    void SelectDirAfterDialog(bool Chosen, const QString& Folder);
    // A press on ivLeft: the pressed picture becomes CurrentPicFile and may be dragged.
    void ivLeftMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, QPoint Pos);
    // A drop at Pos on plImgView of Files, or of the explorer's picture when
    // Files is empty. Waits for a running rebuild; errors are swallowed.
    void DropTarDrop(const QStringList& Files, QPoint Pos, Qt::KeyboardModifiers Shift);
    TExplorerPanel* ExplorerPanel = nullptr;
    TPictureDropTarget* DropTar = nullptr;

    // Text layers: "Add Text" shows the text window; a text applied there
    // becomes a layer centred on the middle of what the canvas view shows.
    void ActAddTextExecute();
    void AddTextLayer(const QString& Text);
    TfrmTextInput* frmTextInput = nullptr;
    // New and Reset.
    // Pictures given on the command line: a grid of them in the order given,
    // with the layout of the settings, as New makes one after its wizard. When
    // none can be read, a message says so and the welcome page stays. A
    // project among them is opened instead (the first one given).
    void OpenPictures(const std::vector<std::string>& Files);
    // The New command: offers to save an unsaved picture, then makes an empty
    // picture or a grid with the creation wizard.
    void ActFileNewExecute();
    // The Reset command: lays the grid out again with the reset dialog.
    void ActResetExecute();
    // The creation wizard and the reset dialog, made hidden with the window.
    TfrmWizard* frmWizard = nullptr;
    TfrmReset* frmReset = nullptr;

    // Project files: "Open Project..." asks about unsaved changes first and
    // makes the document the chosen project; "Save Project..." writes it.
    void ActOpenProjectExecute();
    void ActSaveProjectExecute();
    // Makes the document the project File without asking (a project given on
    // the command line); a file that is no readable project throws with the
    // reason, the document unchanged.
    void OpenProjectFile(const QString& File);
    // The project commands with their dialogs (tests set their hooks).
    std::unique_ptr<TProjectCommands> Projects;

    TMainActions& ActMain() { return *FActions; }
    // The action named Name of ActMain, or null.
    QAction* Action(const QString& Name) const;
    // The text of status bar panel 0 or 1.
    QString StatusPanelText(int Index) const;
    void SetStatusPanelText(int Index, const QString& Text);

    // Controls other parts of the program and the tests reach.
    QStackedWidget* PageListMain;
    QWidget* plWelcome;
    QWidget* plImgView;
    TWelcomeImage* ImageBG;
    TImgView32* ImgView;
    TLeftPanel* LeftPanel;
    QFrame* CoolBarMain;
    QToolBar* ToolBarMain;
    QMenu* pmenuRotate;
    // The picture save dialog, kept with its file, type and default extension.
    TSaveDialog* SavePicDlg;
    // The picture open dialog of "Insert Pictures".
    TOpenPicturesDialog* OpenPicDlg;
    // Rebuilds the grid a while after the picture list changed (1000 ms ticks).
    QTimer* ReloadTimer;
    // The activity log, "Log.dat" in the settings folder once the window is shown.
    TLogFile LogFileMain;
    // The printer and save dialog of the log window (the real ones when empty).
    TLogWindowServices LogWindowServices;

    // TDocumentView
    void ShowCanvasPage() override;
    void SetViewScale(float Scale) override;
    void ReapplyZoom() override;
    void SetScaleControlsEnabled(bool Enabled) override;
    void ShowDimension(const std::string& Text) override;
    void SetLayerControls(bool Enabled, int Opacity, bool Cropped) override;
    void SetBusy(bool Busy) override;
    void InvalidateView() override;
    bool RenderCanvas(TBitmap32& Target) override;
    void Progress(int Done, int Total) override;
    // The list viewer shows the thumbnails again.
    void PictureListChanged() override;
    // The Undo and Redo commands name their steps and follow the history.
    void HistoryChanged() override;

protected:
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    void moveEvent(QMoveEvent* Event) override;

private:
    void CreateControls();
    // Connects the canvas, the adjustment controls and the layer commands.
    void WireLayerEditing();
    // Connects the picture list, its buttons, commands and reload timer.
    void WirePictureList();
    // Fills the explorer page and connects it and the drop onto the canvas.
    void WireExplorer();
    // Makes the text window and connects "Add Text".
    void WireTextInput();
    // Makes the reset dialog and the wizard and connects New and Reset.
    void WireNewAndReset();
    // Makes the project commands and connects Open Project and Save Project.
    void WireProject();
    // The caption names the project and shows whether it has unsaved changes.
    void UpdateCaption();
    // With a project open, asks whether to save its unsaved changes and saves
    // them on Yes; true when a project is open (the picture's question is then
    // not asked).
    bool OfferToSaveProject();
    // Before New or Open Project replaces the document: asks about unsaved
    // project changes, or else about an unsaved picture, and saves on Yes.
    void OfferToSaveFirst();
    // Shows the project just opened: its page, commands and caption.
    void ShowOpenedProject();
    // The layout rebuilds go by: the open project's, else the settings'.
    TMergeLayout DocumentLayout() const;
    // Connects "Standard Option".
    void WireOptions();
    // The reload timer holds its ticks while a layout dialog is open, so that
    // a half-typed value never rebuilds behind it: HoldReload stops it and
    // tells whether it ran, ResumeReload starts it again if it did.
    bool HoldReload();
    void ResumeReload(bool WasRunning);
    // New after "&Finish": the list, the left panel's page and the rebuild.
    void MakeNewPicture();
    void LoadSettings();
    void RestoreWindow();
    // Sets the window's outer size (frame included).
    void SetOuterSize(int Width, int Height);
    void CentreOnScreen();
    void FirstShow();
    // The activity log is set up here when the window is first shown.
    void SetupActivityLog();
    // Stores the window's size and state and writes the settings, once.
    void StoreSettings();
    // Errors met while starting, shown once the window is on the screen.
    void ReportStartErrors();

    // The reporter of the controls' event errors before this window's.
    TEventErrorReporter FPreviousErrorReporter;
    std::string FSettingsFolder;
    std::string FAppFolder;
    std::unique_ptr<TMergeDocument> FDocument;
    TMainActions* FActions = nullptr;
    QLabel* FStatusPanels[2] = {nullptr, nullptr};
    // Shown in the status bar while a rebuild reads its pictures.
    QProgressBar* FProgressBar = nullptr;
    QStringList FStartErrors;
    bool FShown = false;
    bool FStored = false;
    // Setup.ini could not be read at start: it is left as it is at exit.
    bool FSettingsUnreadable = false;
    bool FPlacing = false;
    // Shown before the window manager added the frame.
    bool FFramePending = false;
    QElapsedTimer FShownAt;
    bool FBusy = false;
    // A close that arrived during a rebuild, carried out when it has ended.
    bool FCloseWhenIdle = false;
    // The zoom box's text is being set by the program, not typed.
    bool FSettingScaleText = false;
    // A tick of the reload timer waits for the end of a rebuild.
    bool FReloadTickWaiting = false;
};
