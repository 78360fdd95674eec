#include "document/TMergeDocument.h"

#include "document/TTextLayer.h"
#include "document/uEditSteps.h"
#include "document/uDropPlacement.h"
#include "document/uLayerGeometry.h"
#include "document/uProjectFile.h"
#include "layout/uCanvasLimit.h"
#include "layout/uGridGeometry.h"
#include "pictures/TPicturePrefetcher.h"
#include "pictures/uPicLib.h"
#include "settings/uIniOption.h"

#include <algorithm>
#include <cmath>
#include <chrono>
#include <exception>
#include <map>
#include <stdexcept>

namespace {

// Holds the wait cursor for the time of a rebuild, also when it ends in an
// error, so that the user is never left with an hourglass over a finished window.
class TBusyGuard {
public:
    explicit TBusyGuard(TDocumentView& View) : FView(View) { FView.SetBusy(true); }
    ~TBusyGuard() { FView.SetBusy(false); }
    TBusyGuard(const TBusyGuard&) = delete;
    TBusyGuard& operator=(const TBusyGuard&) = delete;

private:
    TDocumentView& FView;
};

} // namespace

TMergeDocument::TMergeDocument(TBitmap32& Canvas, TLayerCollection& Layers, TDocumentView* View)
    : FCanvas(Canvas), FLayers(Layers), FView(View ? View : &FNoView),
      FSources(std::make_shared<std::map<const TCustomLayer*, TLayerSource>>()) {
    TextFont.Name = QStringLiteral("Arial");
    TextFont.Size = 28;
    TextFont.Color = 255;
}

TMergeDocument::~TMergeDocument() {
    // The layers outlive the document only when the view does; forget them here.
    SelectedLayer = nullptr;
    RubberBand = nullptr;
}

void TMergeDocument::SetView(TDocumentView* View) {
    FView = View ? View : &FNoView;
}

std::string TMergeDocument::DimensionStatusText(int Width, int Height) {
    return "Dimension(px): " + std::to_string(Width) + " x " + std::to_string(Height);
}

TMergeLayout TMergeLayout::FromOption(const TIniOption& Option) {
    TMergeLayout l;
    l.Grid = TGridLayout::FromOption(Option);
    l.ResizeType = Option.ResizeType;
    l.FillColor = Option.FillColor;
    l.NewBg = Option.NewBg;
    l.NewWidth = Option.NewWidth;
    l.NewHeight = Option.NewHeight;
    return l;
}

void TMergeDocument::RebuildPicture(const TMergeLayout& Layout) {
    if (FBusy) {
        // An event let through while pictures are read (a timer, a drop) asked
        // for it: it runs once the work under way has ended.
        WhenIdle([this, Layout] { RebuildPicture(Layout); });
        return;
    }
    RecordWholeChange("Rebuild Picture", [&] { RunBusy([&] { Rebuild(Layout); }); });
}

void TMergeDocument::RunBusy(const std::function<void()>& Work) {
    FBusy = true;
    try {
        Work();
    } catch (...) {
        FBusy = false;
        RunPendingChanges();
        throw;
    }
    FBusy = false;
    RunPendingChanges();
}

void TMergeDocument::WhenIdle(std::function<void()> Change) {
    if (FBusy)
        FPending.push_back(std::move(Change));
    else
        Change();
}

void TMergeDocument::RunPendingChanges() {
    // A change may start another rebuild, whose own waiting changes run at
    // its end; the ones taken here run in their order.
    std::vector<std::function<void()>> pending;
    pending.swap(FPending);
    for (const std::function<void()>& change : pending)
        change();
}

void TMergeDocument::Rebuild(const TMergeLayout& Layout) {
    FStopRequested = false;
    TBusyGuard busy(*FView);
    // The layout is the new canvas's: the picture it replaces keeps its own.
    if (GridMode) {
        const TGridLayout& g = Layout.Grid;
        const TGridSize size = GridCanvasSize(g);
        SetCanvas(size.Width, size.Height, ColorToColor32(Layout.NewBg));
        FBuiltLayout = Layout;
        DrawCellGuides(FCanvas, g.ColNumber, g.RowNumber, g.ResizeWidth, g.ResizeHeight, g.Space,
                       kGuideColor);
        FCanvasSource.Guides = true;
        FCanvasSource.Grid = g;
        PlacePictures(g, Layout.ResizeType, Layout.FillColor, PicFileList);
    } else {
        SetCanvas(Layout.NewWidth, Layout.NewHeight, ColorToColor32(Layout.NewBg));
        FBuiltLayout = Layout;
    }
    FView->ReapplyZoom();
}

void TMergeDocument::SetCanvas(int Width, int Height, TColor32 Background) {
    if (!FWholeBefore) {
        // A new canvas is a change of the whole picture, which can be taken back.
        RecordWholeChange("Rebuild Picture", [&] { SetCanvas(Width, Height, Background); });
        return;
    }
    FView->ShowCanvasPage();
    ClearLayersKept();
    FView->SetViewScale(1.0f);
    FCanvas.SetSize(Width, Height);
    FCanvas.Clear(Background);
    FCanvasSource = TCanvasSource();
    FCanvasSource.Width = FCanvas.Width();
    FCanvasSource.Height = FCanvas.Height();
    FCanvasSource.Background = Background;
    FView->SetScaleControlsEnabled(!FCanvas.IsEmpty());
    FView->ShowDimension(DimensionStatusText(Width, Height));
}

namespace {

// The cells along one axis that meet [0, Extent): those whose start
// Gap + i x (Size + Gap) lies in (-Size, Extent), as the first and last index
// within [0, Count); First > Last when none does. In 64 bits, so that no
// count, size or gap of an edited settings file can overflow.
struct TIndexRange {
    std::int64_t First = 0;
    std::int64_t Last = -1;
};

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

TIndexRange CellsMeeting(std::int64_t Count, std::int64_t Size, std::int64_t Gap,
                         std::int64_t Extent) {
    TIndexRange r;
    if (Count <= 0 || Extent <= 0)
        return r;
    const std::int64_t pitch = Size + Gap;
    const auto meets = [&](std::int64_t i) {
        const std::int64_t start = Gap + i * pitch;
        return start < Extent && start + Size > 0;
    };
    if (pitch == 0) {
        // Every cell lies on the first one.
        if (meets(0))
            r.First = r.Last = 0;
        return r;
    }
    // start < Extent and start > -Size, solved for i.
    std::int64_t low, high;
    if (pitch > 0) {
        low = FloorDiv(-Size - Gap, pitch) + 1;
        high = FloorDiv(Extent - 1 - Gap, pitch);
    } else {
        low = FloorDiv(Gap - Extent, -pitch) + 1;
        high = FloorDiv(Gap + Size - 1, -pitch);
    }
    r.First = std::max<std::int64_t>(low, 0);
    r.Last = std::min<std::int64_t>(high, Count - 1);
    return r;
}

int ClampToInt(std::int64_t v) {
    return int(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

} // namespace

void TMergeDocument::DrawCellGuides(TBitmap32& Canvas, int Cols, int Rows, int CellWidth,
                                    int CellHeight, int Space, TColor Color) {
    if (CellWidth < 2 || CellHeight < 0)
        return;
    // Only the cells that meet the canvas are drawn: a grid of a few cells on a
    // canvas, or none at all, costs as little whatever the counts say.
    const TIndexRange cols = CellsMeeting(Cols, CellWidth, Space, Canvas.Width());
    const TIndexRange rows = CellsMeeting(Rows, CellHeight, Space, Canvas.Height());
    if (cols.First > cols.Last || rows.First > rows.Last)
        return;
    TCanvas& c = Canvas.Canvas();
    c.Pen.Style = psDot;
    c.Pen.Width = 1;
    c.Pen.Color = Color;
    c.Brush.Style = bsClear;
    Canvas.BeginUpdate();
    try {
        for (std::int64_t r = rows.First; r <= rows.Last; ++r)
            for (std::int64_t col = cols.First; col <= cols.Last; ++col) {
                const std::int64_t x = Space + col * (std::int64_t(CellWidth) + Space);
                const std::int64_t y = Space + r * (std::int64_t(CellHeight) + Space);
                c.Rectangle(ClampToInt(x), ClampToInt(y), ClampToInt(x + CellWidth),
                            ClampToInt(y + CellHeight));
            }
    } catch (...) {
        Canvas.EndUpdate();
        throw;
    }
    Canvas.EndUpdate();
    Canvas.Changed();
}

namespace {

// A plain colour for the worker threads, which must not touch the palette.
TColor ResolvedColor(TColor Color) {
    return PlainColor(Color);
}

// The request that reads File for a picture layer: fitted into a cell of
// CellWidth x CellHeight by FitType on FillColor when Fit, else at its own size.
TPrefetchRequest PictureRequest(const std::string& File, bool Fit, int CellWidth, int CellHeight,
                                int FitType, TColor FillColor) {
    TPrefetchRequest request;
    request.File = File;
    request.Fit = Fit;
    request.CellWidth = CellWidth;
    request.CellHeight = CellHeight;
    request.FitType = FitType;
    request.FillColor = ResolvedColor(FillColor);
    return request;
}

// What a picture layer prepared by Request is made from.
TLayerSource PictureSource(const TPrefetchRequest& Request) {
    TLayerSource source;
    source.Kind = TLayerSource::TKind::Picture;
    source.File = Request.File;
    source.Fitted = Request.Fit;
    if (Request.Fit) {
        source.CellWidth = Request.CellWidth;
        source.CellHeight = Request.CellHeight;
        source.FitType = Request.FitType;
        source.FillColor = Request.FillColor;
    }
    return source;
}

} // namespace

void TMergeDocument::PlacePictures(const TGridLayout& layout, int FitType, TColor FillColor,
                                   const std::vector<std::string>& FileList) {
    // Events run while pictures are read; whatever they do to the list, this
    // placing works on the list as it was given.
    const std::vector<std::string> Files = FileList;
    const std::size_t count =
        std::size_t(std::min<std::int64_t>(CellCount(layout), std::int64_t(Files.size())));
    if (count == 0)
        return;

    // Pictures are read and fitted ahead on worker threads; the layers are made
    // here, in list order, so tags, order and skipping are those of one thread.
    std::vector<TPrefetchRequest> requests;
    requests.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        requests.push_back(PictureRequest(Files[i], GridMode, layout.ResizeWidth,
                                          layout.ResizeHeight, FitType, FillColor));
    TPicturePrefetcher prefetcher(requests, LoadThreads);
    for (std::size_t i = 0; i < count && !FStopRequested; ++i) {
        // The window stays responsive while a slow picture is read.
        while (!prefetcher.WaitFor(i, std::chrono::milliseconds(40)) && !FStopRequested)
            FView->Progress(int(i), int(count));
        if (FStopRequested)
            break;
        TPreparedPicture prepared = prefetcher.Take(i);
        const TGridCell cell = CellOfIndex(layout, int(i));
        const TGridPoint p = CellOrigin(layout, cell.Row, cell.Column);
        if (prepared.Loaded)
            AddPreparedLayer(std::move(prepared.Bitmap), TPoint{p.X, p.Y}, int(i),
                             PictureSource(requests[i]));
        else
            FView->PictureSkipped(Files[i], prepared.Why);
        FView->Progress(int(i + 1), int(count));
    }
}

void TMergeDocument::AddPictureLayer(const std::string& FileName, TPoint TopLeft, int CellWidth,
                                     int CellHeight, int Tag, int FitType, TColor FillColor) {
    const TPrefetchRequest request =
        PictureRequest(FileName, GridMode, CellWidth, CellHeight, FitType, FillColor);
    TPreparedPicture prepared;
    PreparePicture(request, prepared);
    if (prepared.Error)
        std::rethrow_exception(prepared.Error);
    if (!prepared.Loaded) {
        FView->PictureSkipped(FileName, prepared.Why);
        return;
    }
    AddPreparedLayer(std::move(prepared.Bitmap), TopLeft, Tag, PictureSource(request));
}

TBitmapLayer* TMergeDocument::AddPreparedLayer(std::unique_ptr<TBitmap32> Picture, TPoint TopLeft,
                                               int Tag, TLayerSource Source) {
    auto* layer = new TBitmapLayer(&FLayers);
    try {
        layer->Bitmap().Assign(*Picture);
        layer->Bitmap().SetDrawMode(dmBlend);
        const int w = layer->Bitmap().Width();
        const int h = layer->Bitmap().Height();
        layer->SetLocation(TRectF{float(TopLeft.X), float(TopLeft.Y),
                                  float(std::int64_t(TopLeft.X) + w),
                                  float(std::int64_t(TopLeft.Y) + h)});
        layer->SetScaled(true);
        layer->OnMouseDown = LayerMouseDown;
        layer->Tag = Tag;
        layer->SetHitTestAlpha(true);
        layer->SetCropped(false);
        SetLayerSource(layer, std::move(Source));
    } catch (...) {
        delete layer;
        throw;
    }
    SelectLayer(layer);
    return layer;
}

void TMergeDocument::SelectLayer(TCustomLayer* Layer) {
    if (Layer == SelectedLayer)
        return;
    if (RubberBand) {
        RubberBand->SetFramedLayer(nullptr);
        RubberBand->SetOptions(LayerNoUpdate);
        FView->InvalidateView();
        FView->SetLayerControls(false, 0, false);
    }
    SelectedLayer = Layer;
    if (!Layer)
        return;
    if (!RubberBand) {
        RubberBand = new TRubberbandLayer(&FLayers);
        RubberBand->MinHeight = 1.0f;
        RubberBand->MinWidth = 1.0f;
        // One step for each drag of the frame, from the press to the release.
        RubberBand->OnMouseDown = [this](TCustomLayer*, TMouseButton, TShiftState, int, int) {
            if (auto* framed = RubberBand ? RubberBand->FramedLayer() : nullptr)
                FDragStart = framed->Location();
        };
        RubberBand->OnMouseUp = [this](TCustomLayer*, TMouseButton, TShiftState, int, int) {
            auto* framed = RubberBand ? RubberBand->FramedLayer() : nullptr;
            if (!framed)
                return;
            const TRectF& now = framed->Location();
            if (now == FDragStart)
                return;
            const bool sized = RectWidth(now) != RectWidth(FDragStart) ||
                               RectHeight(now) != RectHeight(FDragStart);
            Record(LocationStep(*this, framed, FDragStart, now, sized ? "Resize" : "Move",
                                false));
        };
    } else {
        RubberBand->BringToFront();
    }
    RubberBand->SetFramedLayer(dynamic_cast<TPositionedLayer*>(Layer));
    RubberBand->SetOptions(LayerVisible | LayerMouseEvents | LayerNoUpdate);
    RubberBand->SetResizable(true);
    RubberBand->OnResizing = FrameResizing;
    if (auto* bitmapLayer = dynamic_cast<TBitmapLayer*>(Layer))
        FView->SetLayerControls(true, bitmapLayer->Bitmap().MasterAlpha(),
                                bitmapLayer->Cropped());
}

void TMergeDocument::RenderMergedPicture(TBitmap32& Target) {
    SelectLayer(nullptr);
    Target.SetSize(FCanvas.Width(), FCanvas.Height());
    Target.Clear(0);
    if (Target.IsEmpty() || FView->RenderCanvas(Target))
        return;
    // Without a view the layers are already in canvas pixels: no zoom, no scroll.
    TransferBlock(&Target, 0, 0, Target.BoundsRect(), &FCanvas, FCanvas.BoundsRect(),
                  FCanvas.DrawMode());
    FLayers.PaintLayers(Target);
}

// ---- The picture list ----

namespace {

TPrefetchRequest ThumbnailRequest(const std::string& File) {
    TPrefetchRequest request;
    request.File = File;
    request.Fit = true;
    request.CellWidth = TMergeDocument::kThumbnailWidth;
    request.CellHeight = TMergeDocument::kThumbnailHeight;
    request.FitType = 0;
    request.FillColor = 0xFFFFFF;
    request.Thumbnail = true;
    return request;
}

QImage ThumbnailImage(const TBitmap32& Picture) {
    return QImage(reinterpret_cast<const uchar*>(Picture.Bits()), Picture.Width(),
                  Picture.Height(), Picture.Width() * 4, QImage::Format_RGB32)
        .copy();
}

bool IsPictureLayer(const TCustomLayer* Layer) {
    return dynamic_cast<const TBitmapLayer*>(Layer) && !dynamic_cast<const TTextLayer*>(Layer);
}

} // namespace

bool TMergeDocument::AddThumbnail(const std::string& File) {
    TPreparedPicture prepared;
    PreparePicture(ThumbnailRequest(File), prepared);
    if (!prepared.Loaded || prepared.Error)
        return false;
    ImgPicList.push_back(ThumbnailImage(*prepared.Bitmap));
    FView->PictureListChanged();
    return true;
}

int TMergeDocument::AddPictures(const std::vector<std::string>& Files) {
    int added = 0;
    if (Files.empty())
        return added;
    RunBusy([&] {
        TBusyGuard busy(*FView);
        std::vector<TPrefetchRequest> requests;
        requests.reserve(Files.size());
        for (const std::string& file : Files)
            requests.push_back(ThumbnailRequest(file));
        TPicturePrefetcher prefetcher(std::move(requests), LoadThreads);
        const int total = int(Files.size());
        for (std::size_t i = 0; i < Files.size() && !FStopRequested; ++i) {
            while (!prefetcher.WaitFor(i, std::chrono::milliseconds(40)) && !FStopRequested)
                FView->Progress(int(i), total);
            if (FStopRequested)
                break;
            TPreparedPicture prepared;
            try {
                prepared = prefetcher.Take(i);
            } catch (const std::exception&) {
                // A thumbnail that cannot be made leaves its file out, as a
                // picture that cannot be read does.
            }
            if (prepared.Loaded) {
                ImgPicList.push_back(ThumbnailImage(*prepared.Bitmap));
                PicFileList.push_back(Files[i]);
                ++added;
            }
            FView->Progress(int(i + 1), total);
        }
    });
    if (added > 0)
        FView->PictureListChanged();
    return added;
}

bool TMergeDocument::DeleteListEntry(int Index) {
    if (Index < 0 || std::size_t(Index) >= PicFileList.size() ||
        std::size_t(Index) >= ImgPicList.size())
        return false;
    PicFileList.erase(PicFileList.begin() + Index);
    ImgPicList.erase(ImgPicList.begin() + Index);
    for (int i = 0; i < FLayers.Count(); ++i) {
        TCustomLayer* layer = FLayers.Items(i);
        if (!IsPictureLayer(layer))
            continue;
        if (layer->Tag == Index)
            layer->Tag = -1;
        else if (layer->Tag > Index)
            --layer->Tag;
    }
    FView->PictureListChanged();
    return true;
}

bool TMergeDocument::MoveListEntry(int Index, int Step) {
    const int other = Index + Step;
    const int count = int(std::min(PicFileList.size(), ImgPicList.size()));
    if ((Step != -1 && Step != 1) || Index < 0 || Index >= count || other < 0 || other >= count)
        return false;
    std::swap(PicFileList[std::size_t(Index)], PicFileList[std::size_t(other)]);
    std::swap(ImgPicList[std::size_t(Index)], ImgPicList[std::size_t(other)]);
    for (int i = 0; i < FLayers.Count(); ++i) {
        TCustomLayer* layer = FLayers.Items(i);
        if (!IsPictureLayer(layer))
            continue;
        if (layer->Tag == Index)
            layer->Tag = other;
        else if (layer->Tag == other)
            layer->Tag = Index;
    }
    FView->PictureListChanged();
    return true;
}

void TMergeDocument::ClearPictureList() {
    PicFileList.clear();
    ImgPicList.clear();
    FView->PictureListChanged();
}

bool TMergeDocument::ReloadTick() {
    if (ReloadTicks > 1) {
        ReloadTicks = 0;
        return true;
    }
    ++ReloadTicks;
    return false;
}

// ---- Layer edits ----

TBitmapLayer* TMergeDocument::SelectedBitmapLayer() const {
    return dynamic_cast<TBitmapLayer*>(SelectedLayer);
}

void TMergeDocument::PickLayer(TCustomLayer* Layer) {
    SelectLayer(Layer);
    // A layer raised above the frame takes the next press itself: the frame
    // comes back on top of it.
    if (Layer && RubberBand && RubberBand->Index() != FLayers.Count() - 1)
        RubberBand->BringToFront();
}

void TMergeDocument::PlaceLayer(TPositionedLayer* Layer, const TRectF& Location) {
    if (RubberBand && RubberBand->FramedLayer() == Layer)
        RubberBand->SetLocation(Location); // the frame passes it on to the layer
    else
        Layer->SetLocation(Location);
}

void TMergeDocument::SetSelectedLocation(const TRectF& Location) {
    if (auto* positioned = dynamic_cast<TPositionedLayer*>(SelectedLayer))
        PlaceLayer(positioned, Location);
}

void TMergeDocument::MoveSelectedLayer(float Dx, float Dy) {
    auto* layer = dynamic_cast<TPositionedLayer*>(SelectedLayer);
    if (!layer)
        return;
    const TRectF before = layer->Location();
    TRectF r = before;
    r.Left += Dx;
    r.Right += Dx;
    r.Top += Dy;
    r.Bottom += Dy;
    PlaceLayer(layer, r);
    Record(LocationStep(*this, layer, before, r, "Move", true));
}

void TMergeDocument::SetSelectedOpacity(int Opacity) {
    TBitmapLayer* layer = SelectedBitmapLayer();
    if (!layer)
        return;
    const int before = layer->Bitmap().MasterAlpha();
    const int after = std::clamp(Opacity, 0, 255);
    if (after == before)
        return;
    const auto apply = [](TCustomLayer* l, int v) {
        static_cast<TBitmapLayer*>(l)->Bitmap().SetMasterAlpha(std::uint8_t(v));
    };
    apply(layer, after);
    Record(ValueStep(*this, layer, before, after, "Transparence", true, apply));
}

void TMergeDocument::SetSelectedCropped(bool Cropped) {
    TBitmapLayer* layer = SelectedBitmapLayer();
    if (!layer || layer->Cropped() == Cropped)
        return;
    const auto apply = [](TCustomLayer* l, int v) {
        static_cast<TBitmapLayer*>(l)->SetCropped(v != 0);
    };
    apply(layer, Cropped);
    Record(ValueStep(*this, layer, !Cropped, Cropped, "Cropped", false, apply));
}

void TMergeDocument::Restack(int Index, const char* Name) {
    if (!SelectedLayer)
        return;
    const std::vector<TCustomLayer*> before = LayerOrder(FLayers);
    SelectedLayer->SetIndex(Index);
    std::vector<TCustomLayer*> after = LayerOrder(FLayers);
    if (after != before)
        Record(OrderStep(*this, SelectedLayer, before, std::move(after), Name));
}

void TMergeDocument::BringSelectedToFront() {
    Restack(FLayers.Count() - 2, "Bring Front");
}

void TMergeDocument::SendSelectedToBack() {
    Restack(0, "Send to Back");
}

void TMergeDocument::MoveSelectedUp() {
    if (SelectedLayer)
        Restack(SelectedLayer->Index() + 1, "Up One Level");
}

void TMergeDocument::MoveSelectedDown() {
    if (SelectedLayer && SelectedLayer->Index() > 0)
        Restack(SelectedLayer->Index() - 1, "Down One Level");
}

void TMergeDocument::FlipSelected(bool Horizontally) {
    TBitmapLayer* layer = SelectedBitmapLayer();
    if (!layer)
        return;
    const TLayerEdit edit = Horizontally ? TLayerEdit::FlipHorizontal : TLayerEdit::FlipVertical;
    ApplyEdit(layer, edit);
    Record(EditStep(*this, layer, edit, Horizontally ? "Flip Horizontally" : "Flip Vertically"));
}

void TMergeDocument::TurnSelected(int QuarterTurns) {
    TBitmapLayer* layer = SelectedBitmapLayer();
    if (!layer)
        return;
    switch (((QuarterTurns % 4) + 4) % 4) {
    case 1:
    case 3: {
        const int turns = ((QuarterTurns % 4) + 4) % 4;
        const TLayerEdit edit = turns == 1 ? TLayerEdit::Turn90 : TLayerEdit::Turn270;
        const TRectF before = layer->Location();
        ApplyEdit(layer, edit);
        const TRectF after = QuarterTurnedLocation(before);
        PlaceLayer(layer, after);
        Record(TurnStep(*this, layer, edit, before, after,
                        turns == 1 ? "Rotate 90\u00B0" : "Rotate 270\u00B0"));
        break;
    }
    case 2:
        ApplyEdit(layer, TLayerEdit::Turn180);
        Record(EditStep(*this, layer, TLayerEdit::Turn180, "Rotate 180\u00B0"));
        break;
    default:
        break;
    }
}

bool TMergeDocument::DeleteSelectedLayer() {
    TCustomLayer* layer = SelectedLayer;
    if (!layer)
        return false;
    const std::vector<TCustomLayer*> order = LayerOrder(FLayers);
    std::map<TCustomLayer*, int> tags = PictureTags(FLayers);
    TRemovedEntry entry;
    if (GridMode && IsPictureLayer(layer) && layer->Tag >= 0 &&
        std::size_t(layer->Tag) < PicFileList.size() &&
        std::size_t(layer->Tag) < ImgPicList.size()) {
        entry.Index = layer->Tag;
        entry.File = PicFileList[std::size_t(entry.Index)];
        entry.Thumbnail = ImgPicList[std::size_t(entry.Index)];
    }
    const bool listChanged = entry.Index >= 0 && DeleteListEntry(entry.Index);
    SelectLayer(nullptr);
    // The layer leaves the picture but is kept, so that the step can bring it back.
    layer->SetCollection(nullptr);
    std::unique_ptr<TCustomLayer> kept(layer);
    FView->InvalidateView();
    Record(DeleteStep(*this, std::move(kept), order, std::move(tags), std::move(entry),
                      "Delete Selected"));
    return listChanged;
}

void TMergeDocument::FlattenPicture() {
    RecordWholeChange("Flatten Picture", [&] { FlattenLayers(); });
}

void TMergeDocument::FlattenLayers() {
    SelectLayer(nullptr);
    // What is painted into the canvas: the visible layers (the frame is hidden now).
    std::vector<TLayerRecord> painted;
    for (int i = 0; i < FLayers.Count(); ++i) {
        TCustomLayer* layer = FLayers.Items(i);
        if (!layer->Visible())
            continue;
        if (const auto* bitmapLayer = dynamic_cast<const TBitmapLayer*>(layer))
            painted.push_back(LayerRecordOf(*bitmapLayer));
        else
            painted.emplace_back(); // Unknown: the canvas cannot be made again
    }
    auto flat = std::make_unique<TBitmap32>();
    flat->SetSize(FCanvas.Width(), FCanvas.Height());
    flat->Clear(0);
    if (!flat->IsEmpty() && !FView->RenderCanvas(*flat)) {
        TransferBlock(flat.get(), 0, 0, flat->BoundsRect(), &FCanvas, FCanvas.BoundsRect(),
                      FCanvas.DrawMode());
        FLayers.PaintLayers(*flat);
    }
    ClearLayersKept();
    const TDrawMode mode = FCanvas.DrawMode();
    FCanvas.Assign(*flat);
    FCanvas.SetDrawMode(mode);
    for (TLayerRecord& record : painted)
        FCanvasSource.Flattened.push_back(std::move(record));
    FView->SetLayerControls(false, 0, false);
    FView->InvalidateView();
}

void TMergeDocument::ToggleSelectedScaled() {
    auto* layer = dynamic_cast<TPositionedLayer*>(SelectedLayer);
    if (!layer)
        return;
    const auto apply = [this](TCustomLayer* l, int v) {
        auto* p = static_cast<TPositionedLayer*>(l);
        p->SetScaled(v != 0);
        if (RubberBand && RubberBand->FramedLayer() == p)
            RubberBand->SetScaled(v != 0);
    };
    const bool before = layer->Scaled();
    apply(layer, !before);
    Record(ValueStep(*this, layer, before, !before, "Scaled", false, apply));
}

void TMergeDocument::AutoFitSelected(const TMergeLayout& Layout) {
    auto* layer = dynamic_cast<TPositionedLayer*>(SelectedLayer);
    if (!layer)
        return;
    const TRectF r = layer->Location();
    TRectF fitted;
    if (GridMode) {
        const TGridLayout& g = Layout.Grid;
        if (CellCount(g) == 0)
            return;
        // The cell under the layer's centre, or the nearest cell of the grid.
        TGridCell cell = CellAtPoint(g, int(std::floor((r.Left + r.Right) / 2)),
                                     int(std::floor((r.Top + r.Bottom) / 2)));
        cell.Row = std::clamp(cell.Row, 0, g.RowNumber - 1);
        cell.Column = std::clamp(cell.Column, 0, g.ColNumber - 1);
        const TGridPoint p = CellOrigin(g, cell.Row, cell.Column);
        fitted = TRectF{float(p.X), float(p.Y), float(std::int64_t(p.X) + g.ResizeWidth),
                        float(std::int64_t(p.Y) + g.ResizeHeight)};
    } else {
        const float w = RectWidth(r), h = RectHeight(r);
        if (!(w > 0) || !(h > 0) || FCanvas.IsEmpty())
            return;
        const float scale = std::min(float(FCanvas.Width()) / w, float(FCanvas.Height()) / h);
        fitted = RectAboutCentre(float(FCanvas.Width()) / 2, float(FCanvas.Height()) / 2,
                                 std::floor(w * scale), std::floor(h * scale));
    }
    PlaceLayer(layer, fitted);
    Record(LocationStep(*this, layer, r, fitted, "Auto Fit", false));
}

// ---- The history ----

void TMergeDocument::Record(std::unique_ptr<TDocumentStep> Step) {
    // Inside a change of the whole picture, that change is the one step.
    if (FWholeBefore || !Step)
        return;
    History.Push(std::move(Step));
    Saved = History.IsSaved();
    FView->HistoryChanged();
}

void TMergeDocument::RecordWholeChange(const std::string& Name,
                                       const std::function<void()>& Change) {
    if (FWholeBefore) {
        Change();
        return;
    }
    TPictureState before;
    TakeLists(*this, before);
    FWholeBefore = &before;
    try {
        Change();
    } catch (...) {
        FWholeBefore = nullptr;
        Record(WholeStep(*this, std::move(before), Name));
        throw;
    }
    FWholeBefore = nullptr;
    Record(WholeStep(*this, std::move(before), Name));
}

void TMergeDocument::RecordListChange(const std::string& Name,
                                      const std::function<bool()>& Change) {
    if (FWholeBefore) {
        Change();
        return;
    }
    TPictureState before;
    TakeLists(*this, before);
    std::map<TCustomLayer*, int> tagsBefore = PictureTags(FLayers);
    if (!Change())
        return;
    TPictureState after;
    TakeLists(*this, after);
    Record(ListStep(*this, std::move(before), std::move(after), std::move(tagsBefore),
                    PictureTags(FLayers), Name));
}

void TMergeDocument::ClearLayersKept() {
    if (FWholeBefore && !FWholeBefore->HasPicture) {
        // The picture from before the change goes into its step.
        std::vector<std::string> files = std::move(FWholeBefore->Files);
        std::vector<QImage> thumbnails = std::move(FWholeBefore->Thumbnails);
        const bool grid = FWholeBefore->GridMode;
        TakePicture(*this, *FWholeBefore);
        FWholeBefore->Files = std::move(files);
        FWholeBefore->Thumbnails = std::move(thumbnails);
        FWholeBefore->GridMode = grid;
        return;
    }
    // Layers made during the change itself: nothing refers to them.
    SelectLayer(nullptr);
    RubberBand = nullptr;
    FLayers.Clear();
}

TDocumentStep* TMergeDocument::Undo() {
    return Replay(true);
}

TDocumentStep* TMergeDocument::Redo() {
    return Replay(false);
}

TDocumentStep* TMergeDocument::Replay(bool Back) {
    if (FBusy || FWholeBefore)
        return nullptr;
    SelectLayer(nullptr);
    auto* step = static_cast<TDocumentStep*>(Back ? History.Undo() : History.Redo());
    if (!step)
        return nullptr;
    TCustomLayer* touched = step->Touched(Back);
    if (touched && touched->Collection() == &FLayers)
        SelectLayer(touched);
    Saved = History.IsSaved();
    FView->InvalidateView();
    FView->HistoryChanged();
    return step;
}

void TMergeDocument::MarkSaved() {
    History.MarkSaved();
    Saved = true;
    FView->HistoryChanged();
}

void TMergeDocument::MarkProjectSaved() {
    History.MarkSaved(TSaveMark::Project);
    FView->HistoryChanged();
}

void TMergeDocument::MarkProjectUnsaved() {
    History.MarkUnsaved(TSaveMark::Project);
    FView->HistoryChanged();
}

// ---- Sources ----

void TMergeDocument::SetLayerSource(TCustomLayer* Layer, TLayerSource Source) {
    (*FSources)[Layer] = std::move(Source);
    Layer->OnDestroy = [sources = std::weak_ptr<std::map<const TCustomLayer*, TLayerSource>>(
                            FSources)](TCustomLayer* Gone) {
        if (auto kept = sources.lock())
            kept->erase(Gone);
    };
}

const TLayerSource* TMergeDocument::LayerSource(const TCustomLayer* Layer) const {
    const auto found = FSources->find(Layer);
    return found == FSources->end() ? nullptr : &found->second;
}

TLayerRecord TMergeDocument::LayerRecordOf(const TBitmapLayer& Layer) const {
    TLayerRecord record;
    if (const TLayerSource* source = LayerSource(&Layer))
        record.Source = *source;
    record.Location = Layer.Location();
    record.Opacity = Layer.Bitmap().MasterAlpha();
    record.Visible = Layer.Visible();
    record.Cropped = Layer.Cropped();
    record.Scaled = Layer.Scaled();
    record.Tag = Layer.Tag;
    return record;
}

void TMergeDocument::RestoreCanvasSource(TCanvasSource Source, const TMergeLayout& Built) {
    FCanvasSource = std::move(Source);
    FBuiltLayout = Built;
}

void TMergeDocument::ApplyEdit(TBitmapLayer* Layer, TLayerEdit Edit) {
    ApplyLayerEdit(Layer->Bitmap(), Edit);
    const auto found = FSources->find(Layer);
    if (found != FSources->end())
        found->second.Edits.push_back(Edit);
}

void TMergeDocument::TakeBackEdit(TBitmapLayer* Layer, TLayerEdit Edit) {
    ApplyLayerEdit(Layer->Bitmap(), Edit, true);
    const auto found = FSources->find(Layer);
    // Steps are taken back newest first: the edit is the layer's last.
    if (found != FSources->end() && !found->second.Edits.empty())
        found->second.Edits.pop_back();
}

void TMergeDocument::PictureRestored() {
    FView->PictureListChanged();
    FView->ShowCanvasPage();
    FView->SetScaleControlsEnabled(!FCanvas.IsEmpty());
    FView->ShowDimension(DimensionStatusText(FCanvas.Width(), FCanvas.Height()));
    FView->InvalidateView();
}

void TMergeDocument::MakeTextPicture(const QString& Text, const TFont& Font, TBitmap32& Picture) {
    TBitmap32 text;
    text.SetFont(Font);
    text.SetDrawMode(dmBlend);
    text.SetWidth(text.TextWidth(Text) + 20);
    text.SetHeight(text.TextHeight(Text) + 20);
    text.Clear(0);
    // Coverage becomes alpha over the font's colour; the margin stays 0.
    text.PaintText(10, 10, Text, 0, WinColorToColor32(Font.Color));
    Picture.Assign(text);
}

TTextLayer* TMergeDocument::AddTextPicture(const TBitmap32& Picture, const TRectF& Location,
                                           TLayerSource Source) {
    auto* layer = new TTextLayer(&FLayers);
    try {
        layer->Tag = kTextLayerTag;
        layer->Bitmap().Assign(Picture);
        layer->Bitmap().SetDrawMode(dmBlend);
        layer->Bitmap().SetMasterAlpha(255);
        layer->SetLocation(Location);
        layer->SetScaled(true);
        layer->OnMouseDown = LayerMouseDown;
        // A press on the margin selects a text as well as one on its glyphs.
        layer->SetHitTestAlpha(false);
        layer->SetCropped(false);
        SetLayerSource(layer, std::move(Source));
    } catch (...) {
        delete layer;
        throw;
    }
    // The frame stays the top layer.
    if (RubberBand && RubberBand->Collection() == &FLayers)
        RubberBand->BringToFront();
    return layer;
}

TTextLayer* TMergeDocument::AddTextLayer(const QString& Text, TPoint Centre) {
    TBitmap32 picture;
    MakeTextPicture(Text, TextFont, picture);
    TLayerSource source;
    source.Kind = TLayerSource::TKind::Text;
    source.Text = Text;
    source.Font = TextFont;
    source.Font.Color = TColor(std::uint32_t(TextFont.Color) & 0xFFFFFFu);
    // Whole pixels: a text of odd size is drawn 1:1, no column doubled.
    TTextLayer* layer =
        AddTextPicture(picture,
                       RectAboutCentre(float(Centre.X), float(Centre.Y), float(picture.Width()),
                                       float(picture.Height())),
                       std::move(source));
    SelectLayer(layer);
    layer->SetIndex(FLayers.Count() - 2);
    Record(AddStep(*this, layer, LayerOrder(FLayers), TRemovedEntry(), "Add Text"));
    return layer;
}

bool TMergeDocument::DropPicture(TPoint CanvasPoint) {
    const std::string file = CurrentPicFile;
    if (file.empty())
        return false;
    const TMergeLayout& layout = FBuiltLayout;
    const TDropPlacement place =
        PlaceDrop(CanvasPoint, GridMode, layout.Grid, FCanvas.Width(), FCanvas.Height());
    if (!place.Accepted)
        return false;
    DropPoint = place.TopLeft;

    const TPrefetchRequest request =
        PictureRequest(file, GridMode, layout.Grid.ResizeWidth, layout.Grid.ResizeHeight,
                       layout.ResizeType, layout.FillColor);
    TPreparedPicture picture;
    PreparePicture(request, picture);
    if (picture.Error)
        std::rethrow_exception(picture.Error);
    if (!picture.Loaded) {
        FView->PictureSkipped(file, picture.Why);
        return false;
    }
    if (!GridMode) {
        AddPreparedLayer(std::move(picture.Bitmap), DropPoint, int(ImgPicList.size()),
                         PictureSource(request));
        Record(AddStep(*this, SelectedLayer, LayerOrder(FLayers), TRemovedEntry(), "Drop Picture"));
        return true;
    }

    // Entry, thumbnail and layer go in together or not at all.
    TPreparedPicture thumbnail;
    PreparePicture(ThumbnailRequest(file), thumbnail);
    if (thumbnail.Error)
        std::rethrow_exception(thumbnail.Error);
    if (!thumbnail.Loaded) {
        FView->PictureSkipped(file, thumbnail.Why);
        return false;
    }
    const std::size_t entries = PicFileList.size();
    const std::size_t thumbnails = ImgPicList.size();
    try {
        ImgPicList.push_back(ThumbnailImage(*thumbnail.Bitmap));
        PicFileList.push_back(file);
        AddPreparedLayer(std::move(picture.Bitmap), DropPoint, int(PicFileList.size()) - 1,
                         PictureSource(request));
    } catch (...) {
        PicFileList.resize(entries);
        ImgPicList.resize(thumbnails);
        throw;
    }
    FView->PictureListChanged();
    TRemovedEntry entry;
    entry.Index = int(PicFileList.size()) - 1;
    entry.File = PicFileList.back();
    entry.Thumbnail = ImgPicList.back();
    Record(AddStep(*this, SelectedLayer, LayerOrder(FLayers), std::move(entry), "Drop Picture"));
    return true;
}

int TMergeDocument::DropPictures(const std::vector<std::string>& Files, TPoint CanvasPoint) {
    int added = 0;
    for (std::size_t i = 0; i < Files.size(); ++i) {
        CurrentPicFile = Files[i];
        const TPoint point = GridMode ? CanvasPoint : FannedDropPoint(CanvasPoint, std::int64_t(i));
        if (DropPicture(point))
            ++added;
    }
    return added;
}

// ---- Projects ----

namespace {

[[noreturn]] void CannotKeep() {
    throw std::runtime_error("The picture holds a layer that a project cannot keep.");
}

} // namespace

TProject TMergeDocument::Project() const {
    TProject p;
    p.GridMode = GridMode;
    p.Layout = FBuiltLayout;
    p.Layout.FillColor = PlainColor(FBuiltLayout.FillColor);
    p.Layout.NewBg = PlainColor(FBuiltLayout.NewBg);
    p.Pictures = PicFileList;
    p.Canvas = FCanvasSource;
    for (const TLayerRecord& flattened : p.Canvas.Flattened)
        if (flattened.Source.Kind == TLayerSource::TKind::Unknown)
            CannotKeep();
    for (int i = 0; i < FLayers.Count(); ++i) {
        const TCustomLayer* layer = FLayers.Items(i);
        if (dynamic_cast<const TRubberbandLayer*>(layer))
            continue;
        const auto* bitmapLayer = dynamic_cast<const TBitmapLayer*>(layer);
        if (!bitmapLayer)
            CannotKeep();
        p.Layers.push_back(LayerRecordOf(*bitmapLayer));
        if (p.Layers.back().Source.Kind == TLayerSource::TKind::Unknown)
            CannotKeep();
    }
    return p;
}

bool TMergeDocument::OpenProject(const TProject& P, std::vector<std::string>& LeftOut) {
    LeftOut.clear();
    if (FBusy || FWholeBefore)
        throw std::logic_error("A project is opened only while the document is idle.");
    // What the pixel store cannot hold is refused before anything is read.
    std::string refusal = CanvasSizeRefusal(P.Canvas.Width, P.Canvas.Height);
    std::vector<const TLayerRecord*> records;
    for (const auto* layers : {&P.Canvas.Flattened, &P.Layers})
        for (const TLayerRecord& record : *layers) {
            records.push_back(&record);
            const TLayerSource& s = record.Source;
            if (s.Kind == TLayerSource::TKind::Unknown)
                throw std::runtime_error("The project holds a layer without a source.");
            if (refusal.empty() && s.Kind == TLayerSource::TKind::Picture && s.Fitted)
                refusal = CanvasSizeRefusal(s.CellWidth, s.CellHeight);
        }
    if (!refusal.empty())
        throw std::runtime_error(refusal);
    // The pixels of the layers and of the list's thumbnails together, counted
    // as they become known: the thumbnails, cells and texts now, the pictures
    // at their own size as they are read.
    std::uint64_t layerPixels = 0;
    const auto countPixels = [&](std::int64_t Width, std::int64_t Height) {
        if (Width > 0 && Height > 0)
            layerPixels = std::min(layerPixels + std::uint64_t(Width) * std::uint64_t(Height),
                                   kProjectLayerPixels + 1);
        if (layerPixels > kProjectLayerPixels)
            throw std::runtime_error(
                "The pictures of the project would take more than the " +
                std::to_string(kProjectLayerPixels) +
                " pixels a merge may hold together; it is not opened.");
    };
    for (std::size_t i = 0; i < P.Pictures.size(); ++i)
        countPixels(kThumbnailWidth, kThumbnailHeight);
    for (const TLayerRecord* record : records) {
        const TLayerSource& s = record->Source;
        if (s.Kind == TLayerSource::TKind::Picture && s.Fitted) {
            countPixels(s.CellWidth, s.CellHeight);
        } else if (s.Kind == TLayerSource::TKind::Text) {
            // The size MakeTextPicture gives it, measured without drawing.
            TBitmap32 measure;
            measure.SetFont(s.Font);
            const TSize extent = measure.TextExtent(s.Text);
            countPixels(std::int64_t(extent.cx) + 20, std::int64_t(extent.cy) + 20);
        }
    }

    // Every picture and text first, while the document stays as it is: the
    // list's thumbnails, then the layers' pictures (the flattened ones first).
    const std::size_t listCount = P.Pictures.size();
    std::vector<TPrefetchRequest> requests;
    std::vector<std::size_t> requestOf(records.size(), std::size_t(-1));
    for (const std::string& file : P.Pictures)
        requests.push_back(ThumbnailRequest(file));
    for (std::size_t i = 0; i < records.size(); ++i) {
        const TLayerSource& s = records[i]->Source;
        if (s.Kind != TLayerSource::TKind::Picture)
            continue;
        requestOf[i] = requests.size();
        requests.push_back(
            PictureRequest(s.File, s.Fitted, s.CellWidth, s.CellHeight, s.FitType, s.FillColor));
    }
    std::vector<TPreparedPicture> prepared(requests.size());
    bool opened = false;
    RunBusy([&] {
        TBusyGuard busy(*FView);
        FStopRequested = false;
        {
            TPicturePrefetcher prefetcher(requests, LoadThreads);
            const int total = int(requests.size());
            for (std::size_t i = 0; i < requests.size(); ++i) {
                while (!prefetcher.WaitFor(i, std::chrono::milliseconds(40)) && !FStopRequested)
                    FView->Progress(int(i), total);
                if (FStopRequested)
                    return;
                prepared[i] = prefetcher.Take(i);
                if (i >= listCount && !requests[i].Fit && prepared[i].Loaded)
                    countPixels(prepared[i].Bitmap->Width(), prepared[i].Bitmap->Height());
                FView->Progress(int(i + 1), total);
            }
        }
        // Each layer's picture as it stands: made, then edited in order.
        std::vector<std::unique_ptr<TBitmap32>> pictures(records.size());
        for (std::size_t i = 0; i < records.size(); ++i) {
            const TLayerSource& s = records[i]->Source;
            if (s.Kind == TLayerSource::TKind::Text) {
                pictures[i] = std::make_unique<TBitmap32>();
                MakeTextPicture(s.Text, s.Font, *pictures[i]);
            } else if (prepared[requestOf[i]].Loaded) {
                pictures[i] = std::move(prepared[requestOf[i]].Bitmap);
            } else {
                continue;
            }
            // However long the list, at most a mirror and a turn.
            for (TLayerEdit edit : NetLayerEdits(s.Edits))
                ApplyLayerEdit(*pictures[i], edit);
        }
        // What is left out, each file once; the list's entries that go, by index.
        std::vector<bool> dropped(listCount, false);
        std::vector<std::string> why;
        const auto leaveOut = [&](const std::string& file, const std::string& reason) {
            if (std::find(LeftOut.begin(), LeftOut.end(), file) != LeftOut.end())
                return;
            LeftOut.push_back(file);
            why.push_back(reason);
        };
        for (std::size_t i = 0; i < listCount; ++i)
            if (!prepared[i].Loaded) {
                dropped[i] = true;
                leaveOut(P.Pictures[i], prepared[i].Why);
            }
        for (std::size_t i = 0; i < records.size(); ++i)
            if (!pictures[i])
                leaveOut(records[i]->Source.File, prepared[requestOf[i]].Why);
        // A picture layer's tag follows its entry as when the entries were
        // deleted. droppedBefore[i]: how many of the first i entries go.
        std::vector<int> droppedBefore(listCount + 1, 0);
        for (std::size_t i = 0; i < listCount; ++i)
            droppedBefore[i + 1] = droppedBefore[i] + (dropped[i] ? 1 : 0);
        const auto tagAfter = [&](int Tag) {
            if (Tag < 0)
                return Tag;
            if (std::size_t(Tag) < listCount && dropped[std::size_t(Tag)])
                return -1;
            return Tag - droppedBefore[std::min(std::size_t(Tag), listCount)];
        };

        // From here on the document changes. The picture from before is kept
        // aside (as a whole change keeps it for its step) so that a failure
        // part-way can put it back; nothing is recorded, as the history starts
        // anew.
        TPictureState before;
        TakeLists(*this, before);
        FWholeBefore = &before;
        const auto change = [&] {
            SetCanvas(P.Canvas.Width, P.Canvas.Height, P.Canvas.Background);
            if (P.Canvas.Guides) {
                const TGridLayout& g = P.Canvas.Grid;
                DrawCellGuides(FCanvas, g.ColNumber, g.RowNumber, g.ResizeWidth, g.ResizeHeight,
                               g.Space, kGuideColor);
                FCanvasSource.Guides = true;
                FCanvasSource.Grid = g;
            }
            const auto make = [&](std::size_t i) {
                if (!pictures[i])
                    return;
                const TLayerRecord& r = *records[i];
                TBitmapLayer* layer = nullptr;
                if (r.Source.Kind == TLayerSource::TKind::Picture) {
                    layer = AddPreparedLayer(std::move(pictures[i]), TPoint{0, 0},
                                             tagAfter(r.Tag), r.Source);
                    layer->SetLocation(r.Location);
                } else {
                    layer = AddTextPicture(*pictures[i], r.Location, r.Source);
                    layer->Tag = r.Tag;
                }
                layer->Bitmap().SetMasterAlpha(std::uint8_t(r.Opacity));
                layer->SetCropped(r.Cropped);
                layer->SetScaled(r.Scaled);
                layer->SetVisible(r.Visible);
            };
            const std::size_t flattened = P.Canvas.Flattened.size();
            if (flattened > 0) {
                for (std::size_t i = 0; i < flattened; ++i)
                    make(i);
                FlattenLayers();
            }
            for (std::size_t i = flattened; i < records.size(); ++i)
                make(i);
            SelectLayer(nullptr);
            GridMode = P.GridMode;
            PicFileList.clear();
            ImgPicList.clear();
            for (std::size_t i = 0; i < listCount; ++i)
                if (!dropped[i]) {
                    PicFileList.push_back(P.Pictures[i]);
                    ImgPicList.push_back(ThumbnailImage(*prepared[i].Bitmap));
                }
            FBuiltLayout = P.Layout;
            FView->PictureListChanged();
            FView->ReapplyZoom();
        };
        try {
            change();
        } catch (...) {
            FWholeBefore = nullptr;
            // What was made goes; the former picture, once taken aside, comes
            // back with the lists.
            if (before.HasPicture)
                ClearLayersKept();
            PutPicture(*this, before);
            throw;
        }
        FWholeBefore = nullptr;
        // A document of its own: nothing to take back, nothing to save.
        History.Clear();
        Saved = true;
        opened = true;
        for (std::size_t i = 0; i < LeftOut.size(); ++i)
            FView->PictureSkipped(LeftOut[i], why[i]);
    });
    FView->HistoryChanged();
    return opened;
}
