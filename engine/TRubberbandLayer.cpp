#include "engine/TRubberbandLayer.h"

#include "engine/TViewGeometry.h"

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
