#include "engine/TBitmap32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string RectText(const TRect& R) {
    return std::to_string(R.Left) + "," + std::to_string(R.Top) + "," + std::to_string(R.Right) +
           "," + std::to_string(R.Bottom);
}

// Records every notification of a store, in order.
struct TEventLog {
    std::vector<std::string> Events;

    void Attach(TBitmap32& B) {
        B.OnChange = [this](TNotifiablePersistent*) { Events.push_back("change"); };
        B.OnResize = [this](TNotifiablePersistent*) { Events.push_back("resize"); };
        B.OnAreaChanged = [this](TBitmap32*, const TRect& R, std::uint32_t Info) {
            Events.push_back("area " + RectText(R) + (Info == AREAINFO_RECT ? "" : " info"));
        };
    }
    std::vector<std::string> Take() {
        std::vector<std::string> Result;
        Result.swap(Events);
        return Result;
    }
};

using Strings = std::vector<std::string>;

std::vector<TColor32> Pixels(const TBitmap32& B) {
    return std::vector<TColor32>(B.Bits(), B.Bits() + std::size_t(B.Width()) * B.Height());
}

} // namespace

TEST(TBitmap32Size, StartsEmptyWithTheInitialProperties) {
    TBitmap32 B;
    EXPECT_TRUE(B.IsEmpty());
    EXPECT_EQ(B.Bits(), nullptr);
    EXPECT_EQ(B.ClipRect(), TRect());
    EXPECT_FALSE(B.Clipping());
    EXPECT_EQ(B.DrawMode(), dmOpaque);
    EXPECT_EQ(B.MasterAlpha(), 255);
    EXPECT_EQ(B.OuterColor(), 0u);
    EXPECT_EQ(B.ResamplerClassName(), "TNearestResampler");
    EXPECT_EQ(B.DashStep(), 1.0f);
    EXPECT_EQ(B.DashCounter(), 0.0f);
}

TEST(TBitmap32Size, CornerCases) {
    TBitmap32 B;
    EXPECT_TRUE(B.SetSize(5, 0));
    EXPECT_EQ(B.Width(), 5);
    EXPECT_EQ(B.Height(), 0);
    EXPECT_TRUE(B.IsEmpty());
    EXPECT_EQ(B.Bits(), nullptr);
    EXPECT_EQ(B.ClipRect(), TRect(0, 0, 5, 0));

    EXPECT_TRUE(B.SetSize(-3, 4));
    EXPECT_EQ(B.Width(), 0);
    EXPECT_EQ(B.Height(), 4);

    B.SetWidth(3);
    EXPECT_EQ(B.BoundsRect(), TRect(0, 0, 3, 4));
    EXPECT_EQ(B.ClipRect(), B.BoundsRect());
    EXPECT_FALSE(B.IsEmpty());
}

TEST(TBitmap32Size, SameSizeKeepsPixelsAndIsSilentOtherSizesStartOver) {
    TBitmap32 B;
    B.SetSize(3, 2);
    B.Clear(0xFF112233);
    TEventLog Log;
    Log.Attach(B);
    EXPECT_FALSE(B.SetSize(3, 2));
    EXPECT_TRUE(Log.Take().empty());
    EXPECT_EQ(B.Pixel(2, 1), 0xFF112233u);

    B.SetClipRect(TRect(1, 1, 2, 2));
    EXPECT_TRUE(B.SetHeight(3)); // one dimension only
    EXPECT_EQ(Log.Take(), (Strings{"area 0,0,3,3", "change", "resize"}));
    EXPECT_EQ(Pixels(B), std::vector<TColor32>(9, 0));
    EXPECT_EQ(B.ClipRect(), TRect(0, 0, 3, 3));
    EXPECT_FALSE(B.Clipping());
}

TEST(TBitmap32Size, TooLargeFailsAndLeavesTheStoreEmpty) {
    TBitmap32 B;
    B.SetSize(4, 4);
    TEventLog Log;
    Log.Attach(B);
    // A 999 x 999 grid of 9999-pixel cells: far past the ceiling.
    const int Side = 999 * 9999 + 1000 * 2;
    try {
        B.SetSize(Side, Side);
        FAIL() << "no error";
    } catch (const std::runtime_error& E) {
        EXPECT_STREQ(E.what(), "Can't allocate the DIB handle");
    }
    EXPECT_TRUE(B.IsEmpty());
    EXPECT_EQ(B.Width(), 0);
    EXPECT_EQ(B.Height(), 0);
    EXPECT_EQ(B.ClipRect(), TRect());
    EXPECT_EQ(Log.Take(), (Strings{"area 0,0,0,0", "change", "resize"}));

    // Just past the ceiling fails too; the store stays usable.
    EXPECT_THROW(B.SetSize(1 << 15, (1 << 15) + 1), std::runtime_error);
    EXPECT_TRUE(B.SetSize(2, 2));
    EXPECT_EQ(B.Pixel(1, 1), 0u);
}

TEST(TBitmap32Clip, ClipRectIsKeptInsideAndReadsOutsideGiveOuterColor) {
    TBitmap32 B;
    B.SetSize(4, 3);
    B.Clear(0xFF000001);
    B.SetOuterColor(0x12345678);
    B.SetClipRect(TRect(-5, 1, 2, 10));
    EXPECT_EQ(B.ClipRect(), TRect(0, 1, 2, 3));
    EXPECT_TRUE(B.Clipping());
    EXPECT_EQ(B.PixelOrOuter(0, 1), 0xFF000001u);
    EXPECT_EQ(B.PixelOrOuter(1, 2), 0xFF000001u);
    EXPECT_EQ(B.PixelOrOuter(2, 1), 0x12345678u);
    EXPECT_EQ(B.PixelOrOuter(0, 0), 0x12345678u);
    EXPECT_EQ(B.PixelOrOuter(-1, 1), 0x12345678u);
    EXPECT_EQ(B.PixelOrOuter(0, 3), 0x12345678u);
    B.SetClipRect(TRect(0, 0, 100, 100));
    EXPECT_FALSE(B.Clipping());
}

TEST(TBitmap32Fill, ClearFollowsTheClipAndEmptyStoresStaySilent) {
    TBitmap32 B;
    TEventLog Log;
    Log.Attach(B);
    B.Clear(0xFFFFFFFF);
    EXPECT_TRUE(Log.Take().empty());

    B.SetSize(3, 2);
    Log.Take();
    B.SetClipRect(TRect(1, 0, 3, 1));
    B.Clear(0xFF0000FF);
    EXPECT_EQ(Pixels(B), (std::vector<TColor32>{0, 0xFF0000FF, 0xFF0000FF, 0, 0, 0}));
    EXPECT_EQ(Log.Take(), (Strings{"area 0,0,3,2", "change"}));
}

TEST(TBitmap32Fill, RectangleFills) {
    TBitmap32 B;
    B.SetSize(4, 3);
    B.Clear(0xFF0000FF);
    TEventLog Log;
    Log.Attach(B);

    B.FillRect(1, 1, 3, 2, 0xFFFF0000);
    EXPECT_EQ(Log.Take(), (Strings{"area 1,1,3,2", "change"}));
    EXPECT_EQ(B.Pixel(1, 1), 0xFFFF0000u);
    EXPECT_EQ(B.Pixel(2, 1), 0xFFFF0000u);
    EXPECT_EQ(B.Pixel(3, 1), 0xFF0000FFu);
    EXPECT_EQ(B.Pixel(1, 2), 0xFF0000FFu);

    // Never writes outside the pixel memory, whatever the caller passes.
    B.FillRect(-10, -10, 100, 1, 0xFF00FF00);
    EXPECT_EQ(B.Pixel(3, 0), 0xFF00FF00u);
    EXPECT_EQ(B.Pixel(3, 1), 0xFF0000FFu);
    Log.Take();

    B.SetClipRect(TRect(0, 0, 2, 3));
    B.FillRectClipped(1, 2, 4, 3, 0xFF000000);
    EXPECT_EQ(Log.Take(), (Strings{"area 1,2,2,3", "change"}));
    EXPECT_EQ(B.Pixel(1, 2), 0xFF000000u);
    EXPECT_EQ(B.Pixel(2, 2), 0xFF0000FFu);
    B.FillRectClipped(2, 0, 4, 3, 0xFF000000); // entirely outside the clip
    EXPECT_TRUE(Log.Take().empty());

    B.FillRectBlended(0, 1, 1, 2, 0x80FF0000);
    EXPECT_EQ(B.Pixel(0, 1), 0xC0800080u);
    EXPECT_EQ(Log.Take(), (Strings{"area 0,1,1,2", "change"}));
    B.FillRectBlended(0, 0, 2, 2, 0x00FFFFFF);
    EXPECT_EQ(B.Pixel(0, 1), 0xC0800080u);
    EXPECT_TRUE(Log.Take().empty());
    B.FillRectBlended(0, 1, 5, 2, 0xFF010203); // clipped to columns 0..1
    EXPECT_EQ(B.Pixel(0, 1), 0xFF010203u);
    EXPECT_EQ(B.Pixel(2, 1), 0xFFFF0000u);
}

TEST(TBitmap32Fill, FrameRectBlendedDrawsEachOutlinePixelOnce) {
    TBitmap32 B;
    B.SetSize(5, 5);
    B.Clear(0xFF000000);
    B.FrameRectBlended(1, 1, 4, 4, 0x80FFFFFF);
    const TColor32 O = 0xC0808080; // one blend; a second would give 0xE0C0C0C0
    const TColor32 K = 0xFF000000;
    EXPECT_EQ(Pixels(B), (std::vector<TColor32>{K, K, K, K, K, //
                                                K, O, O, O, K, //
                                                K, O, K, O, K, //
                                                K, O, O, O, K, //
                                                K, K, K, K, K}));
    TEventLog Log;
    Log.Attach(B);
    B.FrameRectBlended(3, 1, 3, 4, 0xFFFFFFFF);
    EXPECT_TRUE(Log.Take().empty());
}

TEST(TBitmap32Dash, RunsClockwiseAroundASmallRectangle) {
    TBitmap32 B;
    B.SetSize(4, 3);
    B.Clear(0xFF808080);
    const TColor32 W = 0xFFFFFFFF, K = 0xFF000000;
    B.SetDashPattern({W, W, K, K});
    B.FrameRectDashed(0, 0, 4, 3);
    // Order: (0,0) (1,0) (2,0) | (3,0) (3,1) | (3,2) (2,2) (1,2) | (0,2) (0,1)
    const TColor32 G = 0xFF808080;
    EXPECT_EQ(Pixels(B), (std::vector<TColor32>{W, W, K, K, //
                                                W, G, G, W, //
                                                W, K, K, W}));
    EXPECT_EQ(B.DashCounter(), 2.0f); // brought back into range before each pixel
}

TEST(TBitmap32Dash, ClippedPixelsStillAdvanceAndFractionsMix) {
    TBitmap32 B;
    B.SetSize(3, 1);
    B.SetDashPattern({0xFF000000, 0xFFFFFFFF});
    B.SetClipRect(TRect(1, 0, 3, 1));
    B.FrameRectDashed(0, 0, 3, 1);
    EXPECT_EQ(B.Pixel(0, 0), 0u);          // skipped, black would have gone here
    EXPECT_EQ(B.Pixel(1, 0), 0xFFFFFFFFu); // the counter moved on
    EXPECT_EQ(B.Pixel(2, 0), 0xFF000000u);

    // Counter 0.5: I = 0, P = 255 - round(127.5) = 127, so black over white at 127.
    B.SetDashCounter(0.5f);
    B.SetDashStep(0.25f);
    EXPECT_EQ(B.NextDashColor(), 0xFF808080u);
    // Counter 0.75: I = 0, P = 255 - round(191.25) = 64.
    EXPECT_EQ(B.NextDashColor(), 0xFFBFBFBFu);
    // Counter -1 is brought into range: 1 gives the second colour.
    B.SetDashCounter(-1.0f);
    EXPECT_EQ(B.NextDashColor(), 0xFFFFFFFFu);
    // No pattern: opaque black.
    B.SetDashPattern({});
    EXPECT_EQ(B.NextDashColor(), 0xFF000000u);
}

TEST(TBitmap32Dash, DegenerateRectangles) {
    TBitmap32 B;
    B.SetSize(3, 3);
    B.SetDashPattern({0xFF0000FF, 0xFF00FF00, 0xFFFF0000});
    TEventLog Log;
    Log.Attach(B);
    B.FrameRectDashed(1, 1, 1, 3);  // empty
    B.FrameRectDashed(3, 0, 5, 2);  // right of the store
    B.FrameRectDashed(-2, 0, 0, 2); // left of it
    EXPECT_TRUE(Log.Take().empty());

    B.FrameRectDashed(1, 0, 2, 3); // vertical run, top to bottom
    EXPECT_EQ(B.Pixel(1, 0), 0xFF0000FFu);
    EXPECT_EQ(B.Pixel(1, 1), 0xFF00FF00u);
    EXPECT_EQ(B.Pixel(1, 2), 0xFFFF0000u);
    EXPECT_EQ(Log.Take(), (Strings{"area 1,0,2,3", "change"}));
    B.FrameRectDashed(2, 2, 3, 3); // one pixel takes the next colour
    EXPECT_EQ(B.Pixel(2, 2), 0xFF0000FFu);
}

TEST(TBitmap32Notify, PropertySettersNotifyOnlyOnRealChanges) {
    TBitmap32 B;
    B.SetSize(2, 2);
    TEventLog Log;
    Log.Attach(B);
    B.SetDrawMode(dmOpaque);
    B.SetMasterAlpha(255);
    B.SetOuterColor(0xFFFFFFFF);
    B.SetClipRect(TRect(0, 0, 1, 1));
    EXPECT_TRUE(Log.Take().empty());
    B.SetDrawMode(dmBlend);
    B.SetMasterAlpha(10);
    EXPECT_EQ(Log.Take(), (Strings{"area 0,0,2,2", "change", "area 0,0,2,2", "change"}));
}

TEST(TBitmap32Notify, UpdateCountHoldsNotificationsBack) {
    TBitmap32 B;
    TEventLog Log;
    Log.Attach(B);
    B.BeginUpdate();
    B.BeginUpdate();
    B.SetSize(2, 2);
    B.Clear(1);
    B.EndUpdate();
    B.Changed();
    EXPECT_EQ(Log.Take(), Strings{"resize"}); // OnResize is not held back
    B.EndUpdate();                            // does not notify by itself
    EXPECT_TRUE(Log.Take().empty());
    B.Changed(TRect(1, 1, 2, 2), 7);
    EXPECT_EQ(Log.Take(), (Strings{"area 1,1,2,2 info", "change"}));
    try {
        B.EndUpdate();
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& E) {
        EXPECT_STREQ(E.what(), "Unpaired TThreadPersistent.EndUpdate");
    }
    EXPECT_EQ(B.UpdateCount(), 0);
}

TEST(TBitmap32Notify, LockIsReentrant) {
    TBitmap32 B;
    B.EnterLock();
    {
        TLockGuard Guard(B);
        EXPECT_EQ(B.LockCount(), 2);
    }
    EXPECT_EQ(B.LockCount(), 1);
    B.LeaveLock();
    EXPECT_EQ(B.LockCount(), 0);
}

TEST(TBitmap32Geometry, MirrorsAndQuarterTurns) {
    // 3 x 2:  1 2 3
    //         4 5 6
    const std::vector<TColor32> Source{1, 2, 3, 4, 5, 6};
    struct Case {
        void (TBitmap32::*Op)();
        int Width, Height;
        std::vector<TColor32> Expected;
    };
    const Case Cases[] = {
        {&TBitmap32::FlipHorizontal, 3, 2, {3, 2, 1, 6, 5, 4}},
        {&TBitmap32::FlipVertical, 3, 2, {4, 5, 6, 1, 2, 3}},
        {&TBitmap32::Rotate180, 3, 2, {6, 5, 4, 3, 2, 1}},
        {&TBitmap32::Rotate90, 2, 3, {4, 1, 5, 2, 6, 3}},
        {&TBitmap32::Rotate270, 2, 3, {3, 6, 2, 5, 1, 4}},
    };
    for (const Case& C : Cases) {
        TBitmap32 B;
        B.SetSize(3, 2);
        std::copy(Source.begin(), Source.end(), B.Bits());
        (B.*C.Op)();
        EXPECT_EQ(B.Width(), C.Width);
        EXPECT_EQ(B.Height(), C.Height);
        EXPECT_EQ(Pixels(B), C.Expected);
    }
}

TEST(TBitmap32Geometry, NotificationsOfTheTurns) {
    TBitmap32 B;
    B.SetSize(2, 2);
    B.SetPixel(0, 0, 9);
    TEventLog Log;
    Log.Attach(B);
    B.Rotate90(); // square: the size does not change, so nothing is reported
    EXPECT_TRUE(Log.Take().empty());
    EXPECT_EQ(B.Pixel(1, 0), 9u);
    B.FlipVertical();
    EXPECT_EQ(Log.Take(), (Strings{"area 0,0,2,2", "change"}));
    B.SetSize(3, 1);
    Log.Take();
    B.Rotate270();
    EXPECT_EQ(Log.Take(), (Strings{"area 0,0,1,3", "change", "resize"}));
}
