// Where a picture dropped onto the canvas lands, apart from any window: the
// view has already turned the drop point into a canvas pixel, with its zoom
// and scroll position.
#pragma once

#include "engine/TRect.h"
#include "layout/uGridGeometry.h"

#include <cstdint>

struct TDropPlacement {
    // False when the drop is to be ignored.
    bool Accepted = false;
    // The canvas point the picture's top-left corner goes to.
    TPoint TopLeft;
};

// In grid mode the picture goes to the cell under CanvasPoint, its row and
// column kept within the grid (a drop beside or below the grid lands in the
// nearest cell); on an empty canvas its corner goes to the point itself, which
// may lie off the canvas. Ignored when the canvas has no pixels, and in grid
// mode when the grid has no cells or a cell pitch (size plus gap) is 0 or less,
// which only an edited settings file gives. Computed in 64 bits; corners beyond
// the 32-bit range saturate.
TDropPlacement PlaceDrop(TPoint CanvasPoint, bool GridMode, const TGridLayout& Grid,
                         std::int32_t CanvasWidth, std::int32_t CanvasHeight);

// How far apart, in canvas pixels on each axis, the pictures of one drop of
// several files land on an empty canvas, so that none hides the others.
constexpr std::int32_t kDropFanStep = 20;

// The point the Index-th file of one drop lands at on an empty canvas.
TPoint FannedDropPoint(TPoint CanvasPoint, std::int64_t Index);
