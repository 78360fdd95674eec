#include "main/TMergeDocument.h"

#include "layout/uGridGeometry.h"
#include "pictures/TPicturePrefetcher.h"
#include "pictures/uPicLib.h"
#include "settings/uIniOption.h"

#include <algorithm>
#include <chrono>
#include <exception>

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
    : FCanvas(Canvas), FLayers(Layers), FView(View ? View : &FNoView) {
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

void TMergeDocument::RebuildPicture() {
    FStopRequested = false;
    TBusyGuard busy(*FView);
    const TIniOption& o = IniOption;
    if (GridMode) {
        const TGridSize size = GridCanvasSize(TGridLayout::FromOption(o));
        SetCanvas(size.Width, size.Height, ColorToColor32(o.NewBg));
        DrawCellGuides(FCanvas, o.ColNumber, o.RowNumber, o.ResizeWidth, o.ResizeHeight, o.Space,
                       kGuideColor);
        PlacePictures(FCanvas, o.ColNumber, o.RowNumber, o.ResizeWidth, o.ResizeHeight, o.Space,
                      PicFileList);
    } else {
        SetCanvas(o.NewWidth, o.NewHeight, ColorToColor32(o.NewBg));
    }
    FView->ReapplyZoom();
}

void TMergeDocument::SetCanvas(int Width, int Height, TColor32 Background) {
    FView->ShowCanvasPage();
    SelectLayer(nullptr);
    RubberBand = nullptr;
    FLayers.Clear();
    FView->SetViewScale(1.0f);
    FCanvas.SetSize(Width, Height);
    FCanvas.Clear(Background);
    FView->SetScaleControlsEnabled(!FCanvas.IsEmpty());
    FView->ShowDimension(DimensionStatusText(Width, Height));
}

void TMergeDocument::DrawCellGuides(TBitmap32& Canvas, int Cols, int Rows, int CellWidth,
                                    int CellHeight, int Space, TColor Color) {
    if (CellWidth < 2 || CellHeight < 0)
        return;
    TCanvas& c = Canvas.Canvas();
    c.Pen.Style = psDot;
    c.Pen.Width = 1;
    c.Pen.Color = Color;
    c.Brush.Style = bsClear;
    const TGridLayout layout = TGridLayout::Of(Rows, Cols, CellWidth, CellHeight, Space);
    Canvas.BeginUpdate();
    try {
        for (int r = 0; r < Rows; ++r)
            for (int col = 0; col < Cols; ++col) {
                const TGridPoint p = CellOrigin(layout, r, col);
                c.Rectangle(p.X, p.Y, p.X + CellWidth, p.Y + CellHeight);
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
    const TColor32 c = ColorToColor32(Color);
    return TColor(RedComponent(c) | (GreenComponent(c) << 8) | (BlueComponent(c) << 16));
}

} // namespace

void TMergeDocument::PlacePictures(TBitmap32& /*Canvas*/, int Cols, int Rows, int CellWidth,
                                   int CellHeight, int Space,
                                   const std::vector<std::string>& FileList) {
    // Events run while pictures are read; whatever they do to the list, this
    // placing works on the list as it was given.
    const std::vector<std::string> Files = FileList;
    const TGridLayout layout = TGridLayout::Of(Rows, Cols, CellWidth, CellHeight, Space);
    const std::size_t count =
        std::size_t(std::min<std::int64_t>(CellCount(layout), std::int64_t(Files.size())));
    if (count == 0)
        return;

    // Pictures are read and fitted ahead on worker threads; the layers are made
    // here, in list order, so tags, order and skipping are those of one thread.
    std::vector<TPrefetchRequest> requests(count);
    const TColor fill = ResolvedColor(IniOption.FillColor);
    for (std::size_t i = 0; i < count; ++i) {
        requests[i].File = Files[i];
        requests[i].Fit = GridMode;
        requests[i].CellWidth = CellWidth;
        requests[i].CellHeight = CellHeight;
        requests[i].FitType = IniOption.ResizeType;
        requests[i].FillColor = fill;
    }
    TPicturePrefetcher prefetcher(std::move(requests), LoadThreads);
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
            AddPreparedLayer(std::move(prepared.Bitmap), TPoint{p.X, p.Y}, int(i));
        else
            FView->PictureSkipped(Files[i], prepared.Why);
        FView->Progress(int(i + 1), int(count));
    }
}

void TMergeDocument::AddPictureLayer(const std::string& FileName, TPoint TopLeft, int CellWidth,
                                     int CellHeight, int Tag, TColor FillColor) {
    TPrefetchRequest request;
    request.File = FileName;
    request.Fit = GridMode;
    request.CellWidth = CellWidth;
    request.CellHeight = CellHeight;
    request.FitType = IniOption.ResizeType;
    request.FillColor = ResolvedColor(FillColor);
    TPreparedPicture prepared;
    PreparePicture(request, prepared);
    if (prepared.Error)
        std::rethrow_exception(prepared.Error);
    if (!prepared.Loaded) {
        FView->PictureSkipped(FileName, prepared.Why);
        return;
    }
    AddPreparedLayer(std::move(prepared.Bitmap), TopLeft, Tag);
}

void TMergeDocument::AddPreparedLayer(std::unique_ptr<TBitmap32> Picture, TPoint TopLeft, int Tag) {
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
    } catch (...) {
        delete layer;
        throw;
    }
    SelectLayer(layer);
}

void TMergeDocument::SelectLayer(TCustomLayer* Layer) {
    if (Layer == SelectedLayer)
        return;
    if (RubberBand) {
        RubberBand->SetFramedLayer(nullptr);
        RubberBand->SetOptions(LayerNoUpdate);
        FView->InvalidateView();
        FView->SetLayerControls(false, 0);
    }
    SelectedLayer = Layer;
    if (!Layer)
        return;
    if (!RubberBand) {
        RubberBand = new TRubberbandLayer(&FLayers);
        RubberBand->MinHeight = 1.0f;
        RubberBand->MinWidth = 1.0f;
    } else {
        RubberBand->BringToFront();
    }
    RubberBand->SetFramedLayer(dynamic_cast<TPositionedLayer*>(Layer));
    RubberBand->SetOptions(LayerVisible | LayerMouseEvents | LayerNoUpdate);
    RubberBand->SetResizable(true);
    RubberBand->OnResizing = FrameResizing;
    if (auto* bitmapLayer = dynamic_cast<TBitmapLayer*>(Layer))
        FView->SetLayerControls(true, bitmapLayer->Bitmap().MasterAlpha());
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
