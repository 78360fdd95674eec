// The selection frame: a dashed outline with eight handles that moves and
// resizes the layer it frames.
#pragma once

#include "engine/TRectF.h"

#include <cstdint>

enum TRBDragState {
    DragNone = 0,
    DragMove = 1,
    DragLeft = 2,
    DragTop = 3,
    DragRight = 4,
    DragBottom = 5,
    DragTopLeft = 6,
    DragTopRight = 7,
    DragBottomLeft = 8,
    DragBottomRight = 9
};

// Which parts of the frame are active.
enum TRBHandle : std::uint32_t {
    rhCenter = 0x01,
    rhSides = 0x02,
    rhCorners = 0x04,
    rhFrame = 0x08,
};
using TRBHandles = std::uint32_t;
constexpr TRBHandles AllRBHandles = rhCenter | rhSides | rhCorners | rhFrame;

struct TRBSizeLimits {
    float MinWidth = 10;
    float MinHeight = 10;
    float MaxWidth = 0;  // applies only when >= MinWidth
    float MaxHeight = 0; // applies only when >= MinHeight
};

// The drag a press at view point (x, y) starts on a frame whose view rectangle
// is viewRect: 9 x 9 handle squares (for handle size 3) centred on the corners
// and edge middles, corners before sides, sides before moving.
TRBDragState RubberbandDragStateAt(const TRectF& viewRect, std::int32_t handleSize,
                                   TRBHandles handles, std::int32_t x, std::int32_t y);

// The location a drag leads to: old is the location at the press, (mx, my) the
// pointer in location units less the press offset. Sizing moves only the
// dragged edges, keeps them within the limits instead of flipping, and does
// nothing unless resizable.
TRectF RubberbandDragLocation(const TRectF& old, TRBDragState state, float mx, float my,
                              bool resizable, const TRBSizeLimits& limits);
