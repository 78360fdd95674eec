#include "engine/TRubberbandLayer.h"

#include "engine/TBitmap32.h"

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

TEST(RubberbandZones, NineZonesInOrder) {
    // Rounded (10, 20, 110, 70); the handles sit on 10/109 and 20/69, middles 59 and 44.
    const TRectF r{10.4f, 19.6f, 110.0f, 70.0f};
    struct Case {
        int x, y;
        TRBDragState state;
    } cases[] = {
        {10, 20, DragTopLeft},      {109, 20, DragTopRight},    {10, 69, DragBottomLeft},
        {109, 69, DragBottomRight}, {113, 73, DragBottomRight}, // 4 outside still grabs
        {114, 69, DragNone},        {109, 74, DragNone},        {59, 20, DragTop},
        {63, 16, DragTop},          {64, 20, DragMove},         {59, 69, DragBottom},
        {10, 44, DragLeft},         {109, 48, DragRight},       {109, 49, DragNone},
        {60, 45, DragMove},         {15, 25, DragMove},         {108, 68, DragBottomRight},
        {104, 64, DragMove},        {14, 30, DragMove},         {5, 30, DragNone},
        {60, 16, DragTop},          {60, 15, DragNone},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RubberbandDragStateAt(r, 3, AllRBHandles, c.x, c.y), c.state)
            << c.x << "," << c.y;
}

TEST(RubberbandZones, SmallFramesAndDisabledHandles) {
    // Less than 9 pixels wide: the middle is a handle zone, not a move.
    const TRectF narrow{100, 100, 108, 200};
    EXPECT_EQ(RubberbandDragStateAt(narrow, 3, AllRBHandles, 104, 150), DragRight);
    // Corners win over sides even where both hold.
    const TRectF tiny{0, 0, 4, 4};
    EXPECT_EQ(RubberbandDragStateAt(tiny, 3, AllRBHandles, 1, 1), DragBottomRight);

    const TRectF r{0, 0, 100, 100};
    EXPECT_EQ(RubberbandDragStateAt(r, 3, rhCenter | rhSides, -2, -2), DragNone);
    EXPECT_EQ(RubberbandDragStateAt(r, 3, rhCenter, -1, 49), DragNone);
    EXPECT_EQ(RubberbandDragStateAt(r, 3, rhCenter, 0, 49), DragMove);
    EXPECT_EQ(RubberbandDragStateAt(r, 3, rhCorners | rhSides, 50, 50), DragNone);
    // A larger handle size widens the zones.
    EXPECT_EQ(RubberbandDragStateAt(r, 6, AllRBHandles, 106, 106), DragBottomRight);
}

TEST(RubberbandDrag, MoveAndResizeWithLimits) {
    const TRectF old{10, 10, 50, 30};
    TRBSizeLimits lim;
    lim.MinWidth = 1;
    lim.MinHeight = 1;
    struct Case {
        TRBDragState state;
        float mx, my;
        bool resizable;
        TRectF expected;
    } cases[] = {
        {DragMove, 15, 12, true, {15, 12, 55, 32}},
        {DragMove, 15, 12, false, {15, 12, 55, 32}}, // moving ignores Resizable
        {DragRight, 70, 99, true, {10, 10, 70, 30}},
        {DragRight, 70, 99, false, old},
        {DragLeft, 80, 0, true, {49, 10, 50, 30}}, // stops at width 1, no flip
        {DragRight, -5, 0, true, {10, 10, 11, 30}},
        {DragTop, 0, 45, true, {10, 29, 50, 30}},
        {DragBottom, 0, 40, true, {10, 10, 50, 40}},
        {DragTopLeft, 0, 5, true, {0, 5, 50, 30}},
        {DragBottomRight, 20, 12, true, {10, 10, 20, 12}},
        {DragTopRight, 60, 29.5f, true, {10, 29, 60, 30}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RubberbandDragLocation(old, c.state, c.mx, c.my, c.resizable, lim), c.expected)
            << c.state << " " << c.mx << "," << c.my;

    // A maximum counts only when it is not below the minimum.
    lim.MinWidth = 10;
    lim.MaxWidth = 25;
    EXPECT_EQ(RubberbandDragLocation(old, DragRight, 90, 0, true, lim), (TRectF{10, 10, 35, 30}));
    EXPECT_EQ(RubberbandDragLocation(old, DragLeft, 45, 0, true, lim), (TRectF{40, 10, 50, 30}));
    lim.MaxWidth = 5;
    EXPECT_EQ(RubberbandDragLocation(old, DragRight, 90, 0, true, lim), (TRectF{10, 10, 90, 30}));
}

// ---------------------------------------------------------------------------
// The clipped dashed outline against the full walk of the pixel store

// A store whose every pixel differs and is half transparent, so that a dash
// blended onto the wrong pixel or twice shows.
void Speckle(TBitmap32& b) {
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            b.SetPixel(x, y, 0x80000000u | ((std::uint32_t(x) * 2654435761u) ^ (y * 40503u)) >> 8);
}

std::vector<TColor32> PixelsOf(const TBitmap32& b) {
    return std::vector<TColor32>(b.Bits(), b.Bits() + std::size_t(b.Width()) * b.Height());
}

// Writes both pictures to the test's temporary folder for a person to compare,
// and names them.
std::string SaveBoth(const TBitmap32& expected, const TBitmap32& actual, const std::string& name) {
    auto save = [&name](const TBitmap32& b, const std::string& which) {
        const std::string path = testing::TempDir() + name + "_" + which + ".png";
        QImage(reinterpret_cast<const uchar*>(b.Bits()), b.Width(), b.Height(), b.Width() * 4,
               QImage::Format_ARGB32)
            .save(QString::fromStdString(path));
        return path;
    };
    return save(expected, "expected") + ", " + save(actual, "actual");
}

struct TDashSetup {
    std::vector<TColor32> Pattern;
    float Counter, Step;
};

bool SameCounter(float a, float b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

TEST(RubberbandOutline, DrawsWhatTheFullWalkDrawsInEveryClip) {
    const float inf = std::numeric_limits<float>::infinity();
    const TColor32 W = 0xFFFFFFFFu, K = 0xFF000000u;
    const TDashSetup setups[] = {
        {{W, W, K, K}, 0, 1},                            // the frame's own
        {{0x80FF0000u, 0xFF00FF00u, 0x400000FFu}, 0, 1}, // blended, odd length
        {{W, K, 0xFF00FF00u, 0xC0123456u, K}, -7, 1},    // negative start
        {{W, K, 0xFF00FF00u}, 1e9f, -1},                 // far start, walking backwards
        {{W, W, K, K}, 2, 3},                            // a step of several colours
        {{W, K}, std::nanf(""), 1},                      // no number: starts at 0
        {{W, K, 0xFF00FF00u}, -inf, -2},                 // no number either
        {{0x80FFFFFFu}, 5, 0},                           // standing still
        {{}, 3, 1},                                      // no pattern: opaque black
        {{W, W, K, K}, 0.5f, 1},                         // fractions: the full walk
        {{W, W, K, K}, 0, 0.25f},
    };
    const TRect clips[] = {
        {0, 0, 37, 23},  // the whole store
        {5, 4, 30, 19},  // cutting every side
        {9, 0, 37, 23},  // only the left
        {0, 0, 21, 23},  // only the right
        {0, 7, 37, 23},  // only the top
        {0, 0, 37, 13},  // only the bottom
        {0, 11, 37, 12}, // a single row
        {17, 0, 18, 23}, // a single column
        {3, 3, 3, 9},    // nothing
    };
    const TRect rects[] = {
        {3, 2, 30, 20},             // inside the store
        {-4011, -2503, 3507, 3005}, // around it, all four sides off it
        {-4011, 5, 20, 3005},       // top and right cross it, far from their starts
        {6, -2503, 3005, 17},       // left and bottom cross it
        {-9, -7, 12, 10},           // a corner inside, negative coordinates
        {2, 7, 35, 8},              // a single row, left to right
        {-2000, 9, 2000, 10},       // a long row across the store
        {11, -3001, 12, 40},        // a single column, top to bottom
        {14, 6, 15, 7},             // a single pixel
        {30, 2, 60, 20},            // reaching past the right of the store
        {40, 2, 60, 20},            // right of the store: nothing
        {5, 5, 5, 9},               // empty
    };
    int failures = 0;
    for (const TRect& clip : clips)
        for (const TRect& r : rects)
            for (const TDashSetup& setup : setups) {
                TBitmap32 walked, skipped;
                std::vector<TRect> walkedAreas, skippedAreas;
                for (auto [b, areas] :
                     {std::pair{&walked, &walkedAreas}, {&skipped, &skippedAreas}}) {
                    b->SetSize(37, 23);
                    Speckle(*b);
                    b->SetClipRect(clip);
                    b->SetDashPattern(setup.Pattern);
                    b->SetDashCounter(setup.Counter);
                    b->SetDashStep(setup.Step);
                    b->OnAreaChanged = [areas = areas](TBitmap32*, const TRect& a, std::uint32_t) {
                        areas->push_back(a);
                    };
                }
                walked.FrameRectDashed(r.Left, r.Top, r.Right, r.Bottom);
                FrameRectDashedInClip(skipped, r.Left, r.Top, r.Right, r.Bottom);
                const bool same = PixelsOf(walked) == PixelsOf(skipped);
                if ((!same || !SameCounter(walked.DashCounter(), skipped.DashCounter()) ||
                     walkedAreas != skippedAreas) &&
                    ++failures <= 5)
                    ADD_FAILURE() << "clip " << clip.Left << "," << clip.Top << "," << clip.Right
                                  << "," << clip.Bottom << " rect " << r.Left << "," << r.Top << ","
                                  << r.Right << "," << r.Bottom << " counter " << setup.Counter
                                  << " step " << setup.Step << ": counter " << skipped.DashCounter()
                                  << " for " << walked.DashCounter() << ", " << skippedAreas.size()
                                  << " notifications for " << walkedAreas.size()
                                  << (same ? ""
                                           : ", pixels differ: " +
                                                 SaveBoth(walked, skipped, "dashed_outline"));
            }
    EXPECT_EQ(failures, 0);
}

TEST(RubberbandOutline, TheFramePaintsAHugeOutlineAsTheFullWalkWould) {
    // At a high zoom the frame's outline runs far beyond the target on three sides.
    TLayerCollection layers;
    TRubberbandLayer frame(&layers);
    frame.SetLocation({-20000.4f, 3.0f, 50000.0f, 80000.0f});
    TBitmap32 painted, expected;
    for (TBitmap32* b : {&painted, &expected}) {
        b->SetSize(64, 48);
        Speckle(*b);
        b->SetClipRect(TRect(4, 2, 60, 40));
    }
    layers.PaintLayers(painted, LayerVisible);

    expected.SetDashPattern(frame.FrameDashPattern);
    expected.FrameRectDashed(-20000, 3, 50000, 80000);
    frame.Handles = rhCorners | rhSides; // the handles alone, over the walked outline
    layers.PaintLayers(expected, LayerVisible);

    EXPECT_EQ(painted.DashCounter(), expected.DashCounter());
    EXPECT_TRUE(PixelsOf(painted) == PixelsOf(expected))
        << SaveBoth(expected, painted, "frame_outline");
}

} // namespace
