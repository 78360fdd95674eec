#include "main/TMergeDocument.h"

#include "layout/uGridGeometry.h"
#include "pictures/uPicLib.h"
#include "settings/uIniOption.h"

#include <algorithm>
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
    TGridLayout layout;
    layout.RowNumber = Rows;
    layout.ColNumber = Cols;
    layout.ResizeWidth = CellWidth;
    layout.ResizeHeight = CellHeight;
    layout.Space = Space;
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

void TMergeDocument::PlacePictures(TBitmap32& /*Canvas*/, int Cols, int Rows, int CellWidth,
                                   int CellHeight, int Space,
                                   const std::vector<std::string>& Files) {
    TGridLayout layout;
    layout.RowNumber = Rows;
    layout.ColNumber = Cols;
    layout.ResizeWidth = CellWidth;
    layout.ResizeHeight = CellHeight;
    layout.Space = Space;
    const std::int64_t cells = CellCount(layout);
    const int total = int(std::min<std::int64_t>(cells, std::int64_t(Files.size())));
    std::size_t i = 0;
    for (int r = 0; r < Rows; ++r)
        for (int c = 0; c < Cols; ++c) {
            if (i == Files.size())
                return;
            const TGridPoint p = CellOrigin(layout, r, c);
            AddPictureLayer(Files[i], TPoint{p.X, p.Y}, CellWidth, CellHeight, int(i),
                            IniOption.FillColor);
            ++i;
            FView->Progress(int(i), total);
        }
}

void TMergeDocument::AddPictureLayer(const std::string& FileName, TPoint TopLeft, int CellWidth,
                                     int CellHeight, int Tag, TColor FillColor) {
    std::string why;
    const bool loaded = GridMode ? LoadPictureToBitmap(FileName, WorkBitmap, &why)
                                 : LoadPictureToBitmap32(FileName, WorkBitmap32, &why);
    if (!loaded) {
        FView->PictureSkipped(FileName, why);
        return;
    }

    auto* layer = new TBitmapLayer(&FLayers);
    try {
        if (GridMode) {
            FitPicture(WorkBitmap, CellWidth, CellHeight, IniOption.ResizeType, FillColor);
            WorkBitmap32.Assign(WorkBitmap);
            // A picture that kept its own alpha because it could not be fitted
            // still enters the grid opaque.
            WorkBitmap32.MakeOpaque();
        }
        layer->Bitmap().Assign(WorkBitmap32);
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
