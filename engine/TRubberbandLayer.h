// The selection frame: a dashed outline with eight handles that moves and
// resizes the layer it frames.
#pragma once

#include "engine/TColor32.h"
#include "engine/TLayers.h"
#include "engine/TRect.h"

#include <cstdint>
#include <functional>
#include <vector>

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

// Draws what target.FrameRectDashed(x1, y1, x2, y2) draws, pixel for pixel,
// and leaves the dash counter and the change notification as it does, but
// visits only the outline pixels inside the clip rectangle: the dash counter
// jumps over the others by their number modulo the pattern length. That jump
// is exact while the counter and the dash step are whole numbers, as the frame
// uses them; for a fractional one the whole outline is walked.
void FrameRectDashedInClip(TBitmap32& target, int x1, int y1, int x2, int y2);

class TRubberbandLayer;
using TRBResizingEvent =
    std::function<void(TRubberbandLayer* Sender, const TRectF& OldLocation, TRectF& NewLocation,
                       TRBDragState DragState, TShiftState Shift)>;

// The cursor shown over a zone.
Qt::CursorShape RubberbandCursor(TRBDragState state);

class TRubberbandLayer : public TPositionedLayer {
public:
    explicit TRubberbandLayer(TLayerCollection* collection);
    ~TRubberbandLayer() override;
    const char* ClassName() const override { return "TRubberbandLayer"; }

    // The layer that follows the frame: it takes the layer's location and
    // Scaled, then every change of the frame's location moves the layer too.
    TPositionedLayer* FramedLayer() const { return FFramedLayer; }
    void SetFramedLayer(TPositionedLayer* layer);

    // Stored without LayerNoUpdate: the frame always repaints.
    void SetOptions(std::uint32_t value) override;

    virtual TRBDragState DragStateAt(int x, int y);
    TRBDragState DragState() const { return FDragState; }
    bool Dragging() const { return FIsDragging; }

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void Paint(TBitmap32& target) override;

    std::vector<TColor32> FrameDashPattern{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFF000000u, 0xFF000000u};
    TColor32 HandleFillColor = 0xFFFFFFFFu;
    TColor32 HandleFrameColor = 0xFF000000u;
    TRBHandles Handles = AllRBHandles;
    int HandleSize = 3;
    float MinWidth = 10;
    float MinHeight = 10;
    float MaxWidth = 0;
    float MaxHeight = 0;
    TRBResizingEvent OnResizing;

protected:
    bool DoHitTest(int x, int y) override;
    void DoSetLocation(const TRectF& value) override;
    void Notification(TCustomLayer* layer) override;
    // Fires OnResizing; the handler may change newLocation.
    virtual void DoResizing(const TRectF& oldLocation, TRectF& newLocation, TRBDragState dragState,
                            TShiftState shift);

private:
    TPositionedLayer* FFramedLayer = nullptr;
    bool FIsDragging = false;
    TRBDragState FDragState = DragNone;
    TRectF FOldLocation;
    float FMouseShiftX = 0;
    float FMouseShiftY = 0;
};
