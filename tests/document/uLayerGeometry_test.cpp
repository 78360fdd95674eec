#include "document/uLayerGeometry.h"

#include <gtest/gtest.h>

namespace {

void ExpectRect(const TRectF& r, float l, float t, float rr, float b) {
    EXPECT_EQ(r.Left, l);
    EXPECT_EQ(r.Top, t);
    EXPECT_EQ(r.Right, rr);
    EXPECT_EQ(r.Bottom, b);
}

TEST(LayerGeometry, CtrlResizeAboutTheCentre) {
    const TRectF old{0, 0, 100, 50};
    const struct {
        TRBDragState State;
        TShiftState Shift;
        TRectF New;
        TRectF Expected;
    } cases[] = {
        // The right edge dragged to 110: 120 wide about the same centre.
        {DragRight, ssCtrl, {0, 0, 110, 50}, {-10, 0, 110, 50}},
        // The bottom-right corner dragged to (20, 10): both half sizes become 2.
        {DragBottomRight, ssCtrl, {0, 0, 20, 10}, {48, 23, 52, 27}},
        {DragLeft, ssCtrl | ssLeft, {30, 0, 100, 50}, {30, 0, 70, 50}},
        {DragTop, ssCtrl, {0, -5, 100, 50}, {0, -5, 100, 55}},
        {DragTopRight, ssCtrl, {0, 5, 90, 50}, {10, 5, 90, 45}},
        {DragBottomLeft, ssCtrl, {-20, 0, 100, 60}, {-20, -10, 120, 60}},
        // Without Ctrl, or when the whole frame moves, the frame's result stands.
        {DragRight, ssShift, {0, 0, 110, 50}, {0, 0, 110, 50}},
        {DragMove, ssCtrl, {5, 5, 105, 55}, {5, 5, 105, 55}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.State));
        const TRectF r = SymmetricResize(old, c.New, c.State, c.Shift);
        ExpectRect(r, c.Expected.Left, c.Expected.Top, c.Expected.Right, c.Expected.Bottom);
    }
    // An odd width keeps whole-pixel edges: the centre 50.5 with half size 2
    // gives a 4-pixel frame starting on a whole pixel.
    const TRectF odd = SymmetricResize({0, 0, 101, 50}, {0, 0, 20, 10}, DragBottomRight, ssCtrl);
    ExpectRect(odd, 48, 23, 52, 27);
}

TEST(LayerGeometry, QuarterTurnKeepsTheCentreOnWholePixels) {
    ExpectRect(QuarterTurnedLocation({10, 20, 110, 70}), 35, -5, 85, 95);
    // 101 x 50 about (60.5, 45): no column doubled or dropped, the size exact.
    const TRectF r = QuarterTurnedLocation({10, 20, 111, 70});
    EXPECT_EQ(r.Right - r.Left, 50);
    EXPECT_EQ(r.Bottom - r.Top, 101);
    EXPECT_EQ(r.Left, std::nearbyint(r.Left));
    EXPECT_EQ(r.Top, std::nearbyint(r.Top));
    // Turned four times, a layer comes back where it was.
    TRectF back{10, 20, 111, 70};
    for (int i = 0; i < 4; ++i)
        back = QuarterTurnedLocation(back);
    ExpectRect(back, 10, 20, 111, 70);
}

} // namespace
