// The arithmetic of the layer commands, apart from any layer: the symmetric
// resize with Ctrl held, the location of a quarter turn, and placing a
// rectangle of a given size about a centre.
#pragma once

#include "engine/TLayers.h"
#include "engine/TRubberbandLayer.h"

// A rectangle of Width x Height about (CentreX, CentreY) whose left and top
// are whole numbers (the centre minus half the size, to the nearest integer,
// halves to even) and whose right and bottom are left + Width and top +
// Height, so that a picture of odd size is neither stretched nor squeezed.
TRectF RectAboutCentre(float CentreX, float CentreY, float Width, float Height);

// The location a drag of the frame gives when Ctrl is held: about the centre
// the frame had when the drag began, each half size taken from the handle
// dragged and at least 2. A move, or a drag without Ctrl, keeps New.
TRectF SymmetricResize(const TRectF& Old, const TRectF& New, TRBDragState DragState,
                       TShiftState Shift);

// The location of a layer turned by a quarter: the same centre, width and
// height swapped.
TRectF QuarterTurnedLocation(const TRectF& Location);
