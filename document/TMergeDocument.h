// The merged picture as a document: the canvas, the layers over it, the list of
// source pictures and the flags of the main window, with the operations that
// build it from the layout settings. It holds no widget: the main window shows
// it through a TDocumentView, and tools without a window use it as it is.
#pragma once

#include "document/TEditHistory.h"
#include "document/uLayerSource.h"
#include "engine/TBitmap.h"
#include "engine/TBitmap32.h"
#include "engine/TFont.h"
#include "engine/TLayers.h"
#include "engine/TRect.h"
#include "engine/TRubberbandLayer.h"
#include "layout/uGridGeometry.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// What the document asks of the window that shows it. Every call has a default
// that does nothing, which is all a document without a window needs.
class TDocumentView {
public:
    virtual ~TDocumentView() = default;
    // Switches from the welcome page to the canvas.
    virtual void ShowCanvasPage() {}
    // The zoom of the canvas (1.0 for a new canvas).
    virtual void SetViewScale(float /*Scale*/) {}
    // Re-applies the zoom the user chose, after a rebuild.
    virtual void ReapplyZoom() {}
    // The zoom label and box, enabled only while there is a canvas.
    virtual void SetScaleControlsEnabled(bool /*Enabled*/) {}
    // Status bar panel 0.
    virtual void ShowDimension(const std::string& /*Text*/) {}
    // The opacity label and slider and the "Cropped" box; Opacity and Cropped
    // are the selected layer's when Enabled. Showing them runs no handler.
    virtual void SetLayerControls(bool /*Enabled*/, int /*Opacity*/, bool /*Cropped*/) {}
    // The wait cursor during long work.
    virtual void SetBusy(bool /*Busy*/) {}
    // Repaints the canvas.
    virtual void InvalidateView() {}
    // Paints the canvas and its visible layers at scale 1 into Target (already
    // sized to the canvas). A view that maps the layers to the screen does it
    // itself and answers true; false lets the document paint them directly.
    virtual bool RenderCanvas(TBitmap32& /*Target*/) { return false; }
    // A picture of the list that could not be loaded, and why; it is skipped.
    virtual void PictureSkipped(const std::string& /*File*/, const std::string& /*Why*/) {}
    // Long work: Done of Total pictures are in place.
    virtual void Progress(int /*Done*/, int /*Total*/) {}
    // The picture list (files and thumbnails) changed.
    virtual void PictureListChanged() {}
    // A step was added to the undo history, or taken back or done again.
    virtual void HistoryChanged() {}
};

struct TIniOption;
class TDocumentStep;
struct TPictureState;
struct TProject;
class TTextLayer;

// The layout and fitting values a rebuild works from. The document reads no
// process-wide settings: the window hands over its settings record, the command
// line a record of its own.
struct TMergeLayout {
    // Rows, columns, cell size and gap of a grid.
    TGridLayout Grid;
    // How a picture is fitted into its cell (0 stretch, 1 keep the ratio).
    std::int32_t ResizeType = 0;
    // Colour around a picture whose ratio is kept.
    TColor FillColor = 0;
    // Background of the canvas, and the size of an empty one.
    TColor NewBg = 0xFFFFFF;
    std::int32_t NewWidth = 480;
    std::int32_t NewHeight = 640;

    static TMergeLayout FromOption(const TIniOption& Option);
};

class TMergeDocument {
public:
    // Canvas and Layers belong to the view showing them (or to a tool without a
    // window); they must outlive the document.
    TMergeDocument(TBitmap32& Canvas, TLayerCollection& Layers, TDocumentView* View = nullptr);
    ~TMergeDocument();
    TMergeDocument(const TMergeDocument&) = delete;
    TMergeDocument& operator=(const TMergeDocument&) = delete;

    TBitmap32& Canvas() { return FCanvas; }
    TLayerCollection& Layers() { return FLayers; }
    void SetView(TDocumentView* View);

    // Full paths of the source pictures, in cell order.
    std::vector<std::string> PicFileList;
    // Their thumbnails, one of kThumbnailWidth x kThumbnailHeight per entry
    // of PicFileList, in the same order. The list operations below change
    // both together, or neither.
    std::vector<QImage> ImgPicList;
    static constexpr int kThumbnailWidth = 70;
    static constexpr int kThumbnailHeight = 50;
    // True for a grid, false for an empty picture.
    bool GridMode = false;
    // Work pictures on the way into a layer, and the explorer's drag picture.
    TBitmap32 WorkBitmap32;
    TBitmap WorkBitmap{pf24bit};
    TBitmap DragBitmap{pf24bit};
    // The selected layer and the one selection frame; both owned by Layers.
    TCustomLayer* SelectedLayer = nullptr;
    TRubberbandLayer* RubberBand = nullptr;
    // True when nothing waits to be saved.
    bool Saved = true;
    // The picture last chosen in the explorer or the picture list.
    std::string CurrentPicFile;
    // Canvas point at which a dropped picture is placed.
    TPoint DropPoint;
    // Font of new text layers: Arial, 28, red.
    TFont TextFont;
    // Tick counter of the picture list's reload timer.
    int ReloadTicks = 0;

    // Given to every picture layer and to the frame; the main window sets them.
    TLayerMouseEvent LayerMouseDown;
    TRBResizingEvent FrameResizing;

    // Builds the whole picture from Layout and PicFileList. Asked for while a
    // rebuild runs (from an event the rebuild lets through), it waits and runs
    // once that rebuild has ended.
    void RebuildPicture(const TMergeLayout& Layout);
    // Runs Change now, or, while a rebuild or another long operation runs
    // (they let events through), once it has ended: a change of the layers or
    // the list never lands in the middle of one. Changes that wait run in the
    // order they were asked for.
    void WhenIdle(std::function<void()> Change);
    // True while a rebuild places its pictures or thumbnails are being made.
    bool Busy() const { return FBusy; }
    // Empties the layers and gives the canvas a new size and one colour.
    void SetCanvas(int Width, int Height, TColor32 Background);
    // The dotted outline of every cell, covering exactly the cell.
    static void DrawCellGuides(TBitmap32& Canvas, int Cols, int Rows, int CellWidth, int CellHeight,
                               int Space, TColor Color);
    // One picture layer per cell of Layout, in list order, each fitted by
    // FitType on FillColor in grid mode.
    void PlacePictures(const TGridLayout& Layout, int FitType, TColor FillColor,
                       const std::vector<std::string>& Files);
    // Loads one file and adds it as the top layer at TopLeft, fitted into the
    // cell by FitType on FillColor in grid mode, at its own size (transparency
    // kept) otherwise. A file that cannot be loaded adds nothing. An error while
    // the layer is set up frees it and passes on.
    void AddPictureLayer(const std::string& FileName, TPoint TopLeft, int CellWidth, int CellHeight,
                         int Tag, int FitType, TColor FillColor);
    // Asks a running rebuild to stop placing pictures (the window is closing);
    // the next rebuild starts afresh.
    void RequestStop() { FStopRequested = true; }
    bool StopRequested() const { return FStopRequested; }

    // Threads that read and fit the pictures of a rebuild; 0 is one per core.
    // Layers are still made in list order on the calling thread.
    unsigned LoadThreads = 0;

    // Frames Layer with the selection frame, or hides the frame for none.
    void SelectLayer(TCustomLayer* Layer);

    // The layout the canvas was last built from. Drops fit their pictures by
    // it: the settings may have changed since (a cancelled wizard, say)
    // without the canvas following.
    const TMergeLayout& BuiltLayout() const { return FBuiltLayout; }

    // ---- Text and drops ----

    // Renders Text in TextFont into a new text layer (tag kTextLayerTag): the
    // text's extent plus a transparent margin of 10 pixels on every side, the
    // glyphs' coverage as alpha, placed about canvas point Centre on whole
    // pixels. The layer is selected and goes directly under the frame, above
    // every picture and earlier text. An error frees the layer and passes on,
    // nothing then being selected.
    TTextLayer* AddTextLayer(const QString& Text, TPoint Centre);
    // The picture of a text layer: Text in Font with the transparent margin.
    static void MakeTextPicture(const QString& Text, const TFont& Font, TBitmap32& Picture);

    // Adds the picture CurrentPicFile dropped onto CanvasPoint: in grid mode
    // fitted into the cell under the point and appended to PicFileList and
    // ImgPicList, its layer tagged with its list index; on an empty canvas at
    // its own size with its corner on the point. The list entry, thumbnail and
    // layer are added together or not at all: nothing is added for an empty
    // CurrentPicFile, a file that cannot be read (or is gone), or a drop that
    // PlaceDrop ignores. True when the picture was added. Like every change it
    // belongs in WhenIdle when a rebuild may be running.
    bool DropPicture(TPoint CanvasPoint);
    // Drops Files one after the other onto CanvasPoint, each becoming
    // CurrentPicFile in turn; on an empty canvas each lands kDropFanStep
    // pixels right of and below the one before. Returns how many were added;
    // an error ends the drop there, what was added staying.
    int DropPictures(const std::vector<std::string>& Files, TPoint CanvasPoint);

    // ---- The picture list ----

    // Makes the thumbnail of File (stretched to 70 x 50, opaque) and appends
    // it to ImgPicList; false, with nothing appended, when the picture cannot
    // be read. PicFileList is the caller's.
    bool AddThumbnail(const std::string& File);
    // Appends every file whose thumbnail can be made to both lists, in the
    // given order; the thumbnails are made on the reading threads, with
    // progress. Returns how many were appended.
    int AddPictures(const std::vector<std::string>& Files);
    // Removes entry Index from both lists. Picture layers keep tags equal to
    // their picture's index in the list: the layer of the removed entry gets
    // -1, those above it one less. False, changing nothing, for an index
    // outside either list.
    bool DeleteListEntry(int Index);
    // Moves entry Index one place up (Step -1) or down (Step 1) in both lists;
    // the tags of the two pictures' layers follow. False when either place is
    // outside the lists.
    bool MoveListEntry(int Index, int Step);
    // Empties both lists.
    void ClearPictureList();
    // Counts a tick of the picture list's reload timer: true when the rebuild
    // is due (the third tick after the last change), the count then starting
    // again from 0.
    bool ReloadTick();

    // ---- Layer edits; each does nothing without a selected layer ----

    // Selects a layer that took a press, and keeps the frame on top of it.
    void PickLayer(TCustomLayer* Layer);
    // Moves the selected layer and its frame together by (Dx, Dy).
    void MoveSelectedLayer(float Dx, float Dy);
    // The selected bitmap layer's master alpha and cropping.
    void SetSelectedOpacity(int Opacity);
    void SetSelectedCropped(bool Cropped);
    // Restacking: to the top of the pictures and texts (just under the
    // frame), to the bottom, one step up or down.
    void BringSelectedToFront();
    void SendSelectedToBack();
    void MoveSelectedUp();
    void MoveSelectedDown();
    // Mirrors the selected bitmap layer's picture.
    void FlipSelected(bool Horizontally);
    // Turns the selected bitmap layer's picture by QuarterTurns x 90 degrees
    // clockwise (1, 2 or 3); a quarter turn turns its location about its centre.
    void TurnSelected(int QuarterTurns);
    // Deletes the selected layer and, in grid mode, its picture's list entry
    // (text layers have none). True when the list changed.
    bool DeleteSelectedLayer();
    // Paints every layer into the canvas and removes them; the lists stay.
    void FlattenPicture();
    // Switches the selected layer between canvas and screen coordinates.
    void ToggleSelectedScaled();
    // Fits the selected layer into the grid cell under its centre (in grid
    // mode), or into the canvas keeping its aspect ratio (on an empty canvas).
    void AutoFitSelected(const TMergeLayout& Layout);
    // The selected layer as a bitmap layer, or null.
    TBitmapLayer* SelectedBitmapLayer() const;

    // ---- Undo and redo ----

    // Every edit above, the list changes, texts, drops, rebuilds and flatten
    // are steps of the history. Saved follows it: back where the document was
    // saved, it counts as saved.
    TEditHistory History;
    // Takes back or does again one step and selects the layer it touched; the
    // step, or null when there was none (or a rebuild runs).
    TDocumentStep* Undo();
    TDocumentStep* Redo();
    // The document was saved as it is now.
    void MarkSaved();
    // Runs Change, which may rebuild the picture, empty or refill the lists and
    // change the kind of picture, as one step Name: undoing it brings back the
    // canvas, the layers, the lists and the kind from before.
    void RecordWholeChange(const std::string& Name, const std::function<void()>& Change);
    // Runs Change, a change of the picture list that answers whether it changed
    // anything, as one step Name.
    void RecordListChange(const std::string& Name, const std::function<bool()>& Change);
    // Puts Layer at Location, through the frame when the frame holds it.
    void PlaceLayer(TPositionedLayer* Layer, const TRectF& Location);
    // The canvas, the layers or the lists were put back by a step: the view
    // shows them anew.
    void PictureRestored();
    // The picture as it is saved: the selection is dropped (and stays dropped),
    // then the canvas and every visible layer are painted at scale 1 into
    // Target, which takes the canvas's size. Layers are cut at the canvas edges.
    void RenderMergedPicture(TBitmap32& Target);

    // ---- Where the layers and the canvas come from ----

    // The source and edits of a layer the document made; null for any other.
    const TLayerSource* LayerSource(const TCustomLayer* Layer) const;
    // Layer as it stands, with its source (Unknown for a layer the document
    // did not make).
    TLayerRecord LayerRecordOf(const TBitmapLayer& Layer) const;
    // What the canvas was made of: its size and colour, its guides and the
    // layers flattened into it.
    const TCanvasSource& CanvasSource() const { return FCanvasSource; }
    // Puts back the source of a canvas and the layout it was built by, as a
    // step brings back a former picture.
    void RestoreCanvasSource(TCanvasSource Source, const TMergeLayout& Built);
    // Mirrors or turns Layer's picture and adds Edit to its edits; TakeBackEdit
    // applies the inverse and removes the last of them. Neither moves the layer.
    void ApplyEdit(TBitmapLayer* Layer, TLayerEdit Edit);
    void TakeBackEdit(TBitmapLayer* Layer, TLayerEdit Edit);

    // ---- Projects ----

    // The document as a project: its kind, the layout it was built by, the
    // picture list, the canvas and every layer from the bottom up, with the
    // files' full paths. Throws for a layer it cannot re-create.
    TProject Project() const;
    // Replaces the picture by Project (its files given by full paths): the
    // canvas, the layers, the lists and the kind, the layout it was built by
    // taken as the document's. Every picture is read and every text rendered
    // before anything changes: a project whose canvas or cells cannot be held,
    // whose layers and thumbnails together take more than kProjectLayerPixels,
    // or an error while they are made, changes nothing. A picture that cannot
    // be read is left out (a list entry with it, the tags of the others
    // following, as a deleted entry does), told to the view as skipped and
    // named in LeftOut, which is empty when nothing was left out. The history starts empty and the
    // document counts as saved. False, changing nothing, when a stop was
    // asked for while the pictures were read.
    bool OpenProject(const TProject& Project, std::vector<std::string>& LeftOut);
    // The project file holds the document as it is now; ProjectSaved tells
    // whether the history stands there again. MarkProjectUnsaved: the file
    // holds none of the states of the history.
    void MarkProjectSaved();
    void MarkProjectUnsaved();
    bool ProjectSaved() const { return History.IsSaved(TSaveMark::Project); }

    // "Dimension(px): <width> x <height>".
    static std::string DimensionStatusText(int Width, int Height);
    // The guide colour of empty cells.
    static constexpr TColor kGuideColor = 0xEEEEEE;

private:
    // Steps after loading: the prepared picture, made from Source, becomes the
    // top layer at TopLeft.
    TBitmapLayer* AddPreparedLayer(std::unique_ptr<TBitmap32> Picture, TPoint TopLeft, int Tag,
                                   TLayerSource Source);
    // A new text layer over Picture, the text rendered by MakeTextPicture;
    // placed at the top (the frame stays above it) and not selected.
    TTextLayer* AddTextPicture(const TBitmap32& Picture, const TRectF& Location,
                               TLayerSource Source);
    // Remembers Layer's source for as long as the layer lives.
    void SetLayerSource(TCustomLayer* Layer, TLayerSource Source);
    // Paints every layer into the canvas and removes them, the visible ones
    // joining the canvas's flattened layers.
    void FlattenLayers();
    void Rebuild(const TMergeLayout& Layout);
    // Runs Work as one long operation: changes asked for meanwhile wait for
    // its end (also when it fails), and none starts inside another.
    void RunBusy(const std::function<void()>& Work);
    // Sets the selected layer's location through the frame when it is framed.
    void SetSelectedLocation(const TRectF& Location);
    // Adds a step to the history (inside a whole change it is part of that).
    void Record(std::unique_ptr<TDocumentStep> Step);
    TDocumentStep* Replay(bool Back);
    // Empties the stack of layers; during a recorded whole change the picture
    // from before it is kept in its step.
    void ClearLayersKept();
    // Moves the selected layer to Index as one step.
    void Restack(int Index, const char* Name);
    // Runs the changes that waited for a rebuild to end.
    void RunPendingChanges();

    TBitmap32& FCanvas;
    TLayerCollection& FLayers;
    TDocumentView FNoView;
    TDocumentView* FView;
    TMergeLayout FBuiltLayout;
    TCanvasSource FCanvasSource;
    // The sources of the layers made here, kept while the layers live (they
    // forget themselves when destroyed, also after the document has gone).
    std::shared_ptr<std::map<const TCustomLayer*, TLayerSource>> FSources;
    bool FStopRequested = false;
    bool FBusy = false;
    // While a whole change is recorded: what it will take back to.
    TPictureState* FWholeBefore = nullptr;
    // Where the frame's layer was when a drag of the frame began.
    TRectF FDragStart;
    std::vector<std::function<void()>> FPending;
};
