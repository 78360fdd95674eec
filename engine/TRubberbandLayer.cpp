#include "engine/TRubberbandLayer.h"

#include "engine/Blend.h"
#include "engine/TBitmap32.h"
#include "engine/TViewGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

TRBDragState RubberbandDragStateAt(const TRectF& viewRect, std::int32_t handleSize,
                                   TRBHandles handles, std::int32_t x, std::int32_t y) {
    const std::int64_t l = RoundHalfEven(viewRect.Left);
    const std::int64_t t = RoundHalfEven(viewRect.Top);
    const std::int64_t r = static_cast<std::int64_t>(RoundHalfEven(viewRect.Right)) - 1;
    const std::int64_t b = static_cast<std::int64_t>(RoundHalfEven(viewRect.Bottom)) - 1;
    const std::int64_t s = static_cast<std::int64_t>(handleSize) + 1;
    auto near = [s](std::int64_t edge, std::int64_t v) { return std::llabs(edge - v) <= s; };
    const bool nearLeft = near(l, x), nearRight = near(r, x), nearHMid = near((l + r) / 2, x);
    const bool nearTop = near(t, y), nearBottom = near(b, y), nearVMid = near((t + b) / 2, y);

    if (handles & rhCorners) {
        if (nearRight && nearBottom)
            return DragBottomRight;
        if (nearLeft && nearBottom)
            return DragBottomLeft;
        if (nearRight && nearTop)
            return DragTopRight;
        if (nearLeft && nearTop)
            return DragTopLeft;
    }
    if (handles & rhSides) {
        if (nearRight && nearVMid)
            return DragRight;
        if (nearHMid && nearBottom)
            return DragBottom;
        if (nearLeft && nearVMid)
            return DragLeft;
        if (nearHMid && nearTop)
            return DragTop;
    }
    if ((handles & rhCenter) && l <= x && x < r && t <= y && y < b)
        return DragMove;
    return DragNone;
}

namespace {

// Moves the dragged edge to v, then keeps the size within the limits by moving
// that same edge back.
float LowEdge(float v, float high, float minSize, float maxSize) {
    float low = v;
    if (high - low < minSize)
        low = high - minSize;
    if (maxSize >= minSize && high - low > maxSize)
        low = high - maxSize;
    return low;
}

float HighEdge(float v, float low, float minSize, float maxSize) {
    float high = v;
    if (high - low < minSize)
        high = low + minSize;
    if (maxSize >= minSize && high - low > maxSize)
        high = low + maxSize;
    return high;
}

} // namespace

TRectF RubberbandDragLocation(const TRectF& old, TRBDragState state, float mx, float my,
                              bool resizable, const TRBSizeLimits& limits) {
    float l = old.Left, t = old.Top, r = old.Right, b = old.Bottom;
    const float wd = r - l, ht = b - t;
    if (state == DragMove) {
        l = mx;
        t = my;
        r = l + wd;
        b = t + ht;
        return {l, t, r, b};
    }
    if (!resizable)
        return old;
    switch (state) {
    case DragLeft:
    case DragTopLeft:
    case DragBottomLeft:
        l = LowEdge(mx, r, limits.MinWidth, limits.MaxWidth);
        break;
    case DragRight:
    case DragTopRight:
    case DragBottomRight:
        r = HighEdge(mx, l, limits.MinWidth, limits.MaxWidth);
        break;
    default:
        break;
    }
    switch (state) {
    case DragTop:
    case DragTopLeft:
    case DragTopRight:
        t = LowEdge(my, b, limits.MinHeight, limits.MaxHeight);
        break;
    case DragBottom:
    case DragBottomLeft:
    case DragBottomRight:
        b = HighEdge(my, t, limits.MinHeight, limits.MaxHeight);
        break;
    default:
        break;
    }
    return {l, t, r, b};
}

Qt::CursorShape RubberbandCursor(TRBDragState state) {
    switch (state) {
    case DragMove:
        return Qt::SizeAllCursor;
    case DragLeft:
    case DragRight:
        return Qt::SizeHorCursor;
    case DragTop:
    case DragBottom:
        return Qt::SizeVerCursor;
    case DragTopLeft:
    case DragBottomRight:
        return Qt::SizeFDiagCursor;
    case DragTopRight:
    case DragBottomLeft:
        return Qt::SizeBDiagCursor;
    default:
        return Qt::ArrowCursor;
    }
}

// ---------------------------------------------------------------------------
// The dashed outline, clipped

namespace {

// Whole numbers up to this size are exact in a float, and so is every sum of
// two of them that the dash counter goes through.
constexpr std::int64_t kExactFloat = std::int64_t(1) << 23;

bool IsWhole(float v) {
    return std::isfinite(v) && v == std::trunc(v);
}

// Where the dash counter stands for each pixel of an outline walk, given as
// whole numbers: the pixel with walk index k shows the pattern colour of
// counter (Start + k x Step) mod Length.
struct TDashPhase {
    std::int64_t Start = 0;
    std::int64_t Step = 0;
    std::int64_t Length = 0;
    std::int64_t At(std::int64_t k) const {
        const std::int64_t step = ((Step % Length) + Length) % Length;
        return (Start + (k % Length) * step) % Length;
    }
};

// One straight run of an outline walk: Count pixels from (X, Y) on, one
// pixel along (DX, DY) each, with walk indices First, First + 1, ...
struct TDashRun {
    std::int64_t First, X, Y;
    int DX, DY;
    std::int64_t Count;
};

// The indices i of a run (0 <= i < Count) whose coordinate p + i x d lies in
// [lo, hi), as [from, to).
void Inside(std::int64_t p, int d, std::int32_t lo, std::int32_t hi, std::int64_t& from,
            std::int64_t& to) {
    if (d == 0) {
        if (p < lo || p >= hi)
            to = from;
        return;
    }
    const std::int64_t a = d > 0 ? lo - p : p - hi + 1;
    const std::int64_t b = d > 0 ? hi - p : p - lo + 1;
    from = std::max(from, a);
    to = std::min(to, b);
}

// Draws the pixels of a run that lie inside the clip rectangle, setting the
// dash counter to the phase of the first of them and letting the store step
// it from there, as the full walk would have.
void DrawRun(TBitmap32& target, const TDashRun& run, const TDashPhase& phase) {
    const TRect clip = target.ClipRect();
    std::int64_t from = 0, to = run.Count;
    Inside(run.X, run.DX, clip.Left, clip.Right, from, to);
    Inside(run.Y, run.DY, clip.Top, clip.Bottom, from, to);
    if (from >= to)
        return;
    target.SetDashCounter(float(phase.At(run.First + from)));
    for (std::int64_t i = from; i < to; ++i) {
        const TColor32 c = target.NextDashColor();
        TColor32& p = *target.PixelPtr(int(run.X + i * run.DX), int(run.Y + i * run.DY));
        p = BlendPixel(c, p, c >> 24);
    }
}

} // namespace

void FrameRectDashedInClip(TBitmap32& target, int x1, int y1, int x2, int y2) {
    if (x1 >= x2 || y1 >= y2 || x1 >= target.Width() || y1 >= target.Height() || x2 <= 0 ||
        y2 <= 0 || target.IsEmpty())
        return;
    // The walk of the full outline: clockwise from the top-left corner, or
    // one straight run when the rectangle is a single row or column.
    const std::int64_t l = x1, t = y1, r = std::int64_t(x2) - 1, b = std::int64_t(y2) - 1;
    const std::int64_t w = r - l, h = b - t;
    TDashRun runs[4];
    int count = 0;
    if (w == 0 || h == 0) {
        runs[count++] = {0, l, t, w > 0 ? 1 : 0, h > 0 ? 1 : 0, w + h + 1};
    } else {
        runs[count++] = {0, l, t, 1, 0, w};
        runs[count++] = {w, r, t, 0, 1, h};
        runs[count++] = {w + h, r, b, -1, 0, w};
        runs[count++] = {2 * w + h, l, b, 0, -1, h};
    }
    const std::int64_t total = runs[count - 1].First + runs[count - 1].Count;

    const float step = target.DashStep();
    float counter = target.DashCounter();
    const std::int64_t length = std::int64_t(target.DashPattern().size());
    const bool wholeSteps = IsWhole(step) && std::fabs(step) <= float(kExactFloat);
    float last; // the counter the full walk leaves behind
    TDashPhase phase;
    if (length > 0 && length <= kExactFloat && wholeSteps &&
        (IsWhole(counter) || !std::isfinite(counter))) {
        // Brought into range the way the store does it before each pixel.
        if (!std::isfinite(counter))
            counter = 0;
        const float period = float(length);
        if (counter >= period || counter < 0)
            counter = std::fmod(counter, period);
        while (counter < 0)
            counter += period;
        while (counter >= period)
            counter -= period;
        phase = {std::int64_t(counter), std::int64_t(step), length};
        last = float(phase.At(total - 1)) + step;
    } else if (length == 0 && wholeSteps && IsWhole(counter) &&
               std::fabs(counter) + double(total) * std::fabs(step) <= double(kExactFloat)) {
        // No pattern: every pixel is opaque black and the counter only grows.
        phase = {0, 0, 1};
        last = counter + float(total) * step;
    } else {
        target.FrameRectDashed(x1, y1, x2, y2);
        return;
    }
    for (int i = 0; i < count; ++i)
        DrawRun(target, runs[i], phase);
    target.SetDashCounter(last);
    target.Changed(TRect(x1, y1, x2, y2));
}

// ---------------------------------------------------------------------------
// TRubberbandLayer

TRubberbandLayer::TRubberbandLayer(TLayerCollection* collection) : TPositionedLayer(collection) {
    FOptions = LayerVisible | LayerMouseEvents;
}

TRubberbandLayer::~TRubberbandLayer() {
    Detach();
    if (FFramedLayer)
        FFramedLayer->RemoveNotification(this);
    FFramedLayer = nullptr;
}

void TRubberbandLayer::SetFramedLayer(TPositionedLayer* layer) {
    if (FFramedLayer)
        FFramedLayer->RemoveNotification(this);
    FFramedLayer = layer;
    if (layer) {
        SetLocation(layer->Location());
        SetScaled(layer->Scaled());
        layer->AddNotification(this);
    }
}

void TRubberbandLayer::Notification(TCustomLayer* layer) {
    if (layer == FFramedLayer)
        FFramedLayer = nullptr;
}

void TRubberbandLayer::SetOptions(std::uint32_t value) {
    TPositionedLayer::SetOptions(value & ~LayerNoUpdate);
}

void TRubberbandLayer::DoSetLocation(const TRectF& value) {
    TPositionedLayer::DoSetLocation(value);
    if (FFramedLayer)
        FFramedLayer->SetLocation(value);
}

TRBDragState TRubberbandLayer::DragStateAt(int x, int y) {
    return RubberbandDragStateAt(ViewLocation(), HandleSize, Handles, x, y);
}

bool TRubberbandLayer::DoHitTest(int x, int y) {
    return DragStateAt(x, y) != DragNone;
}

void TRubberbandLayer::DoResizing(const TRectF& oldLocation, TRectF& newLocation,
                                  TRBDragState dragState, TShiftState shift) {
    if (OnResizing)
        OnResizing(this, oldLocation, newLocation, dragState, shift);
}

void TRubberbandLayer::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (FIsDragging)
        return;
    FDragState = DragStateAt(x, y);
    FIsDragging = FDragState != DragNone;
    if (FIsDragging) {
        FOldLocation = FLocation;
        if (FDragState == DragMove) {
            const TRectF a = ViewLocation();
            FMouseShiftX = static_cast<float>(x) - a.Left;
            FMouseShiftY = static_cast<float>(y) - a.Top;
        } else {
            FMouseShiftX = 0;
            FMouseShiftY = 0;
        }
    }
    TPositionedLayer::MouseDown(button, shift, x, y);
}

void TRubberbandLayer::MouseMove(TShiftState shift, int x, int y) {
    if (!FIsDragging) {
        FDragState = DragStateAt(x, y);
        SetCursor(RubberbandCursor(FDragState));
        ShowCursor(Cursor());
        return;
    }
    float mx = static_cast<float>(x) - FMouseShiftX;
    float my = static_cast<float>(y) - FMouseShiftY;
    if (FScaled) {
        const TRectF a = ViewLocation();
        if (RectEmpty(a))
            return;
        mx = static_cast<float>((static_cast<double>(mx) - a.Left) / (a.Right - a.Left) *
                                    RectWidth(FLocation) +
                                FLocation.Left);
        my = static_cast<float>((static_cast<double>(my) - a.Top) / (a.Bottom - a.Top) *
                                    RectHeight(FLocation) +
                                FLocation.Top);
    }
    TRBSizeLimits limits;
    limits.MinWidth = MinWidth;
    limits.MinHeight = MinHeight;
    limits.MaxWidth = MaxWidth;
    limits.MaxHeight = MaxHeight;
    TRectF newLocation =
        RubberbandDragLocation(FOldLocation, FDragState, mx, my, FResizable, limits);
    if (FResizable)
        DoResizing(FOldLocation, newLocation, FDragState, shift);
    if (newLocation != FLocation)
        SetLocation(newLocation);
}

void TRubberbandLayer::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    FIsDragging = false;
    TPositionedLayer::MouseUp(button, shift, x, y);
}

void TRubberbandLayer::Paint(TBitmap32& target) {
    const TRect r = RoundRect(ViewLocation());
    if (r.IsEmpty())
        return;
    if (Handles & rhFrame) {
        target.SetDashPattern(FrameDashPattern);
        target.SetDashStep(1.0f);
        target.SetDashCounter(0);
        FrameRectDashedInClip(target, r.Left, r.Top, r.Right, r.Bottom);
    }
    auto handle = [&](int x, int y) {
        target.FillRectBlended(x - HandleSize, y - HandleSize, x + HandleSize, y + HandleSize,
                               HandleFillColor);
        target.FrameRectBlended(x - HandleSize, y - HandleSize, x + HandleSize, y + HandleSize,
                                HandleFrameColor);
    };
    if (Handles & rhCorners) {
        handle(r.Left, r.Top);
        handle(r.Right, r.Top);
        handle(r.Left, r.Bottom);
        handle(r.Right, r.Bottom);
    }
    if (Handles & rhSides) {
        const int cx = static_cast<int>((static_cast<std::int64_t>(r.Left) + r.Right) / 2);
        const int cy = static_cast<int>((static_cast<std::int64_t>(r.Top) + r.Bottom) / 2);
        handle(cx, r.Top);
        handle(r.Left, cy);
        handle(r.Right, cy);
        handle(cx, r.Bottom);
    }
}
