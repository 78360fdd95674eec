#include "pictures/uPicLib.h"

#include "tests/TestData.h"
#include "tests/pictures/KeptRatioCases.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <vector>

namespace {

// A 24-bit picture whose every byte of pixel (x, y) is levels[y][x].
TBitmap Grey(const std::vector<std::vector<int>>& levels) {
    TBitmap b(pf24bit);
    b.SetSize(int(levels[0].size()), int(levels.size()));
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            for (int k = 0; k < 3; ++k)
                b.ScanLine(y)[3 * x + k] = std::uint8_t(levels[y][x]);
    return b;
}

std::vector<std::vector<int>> Levels(const TBitmap& b) {
    std::vector<std::vector<int>> out(b.Height(), std::vector<int>(b.Width()));
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const std::uint8_t* p = b.ScanLine(y) + 3 * x;
            EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]) << "bytes of a pixel are treated alike";
            out[y][x] = p[0];
        }
    return out;
}

// A picture of one colour (bytes b, g, r).
TBitmap Solid(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    TBitmap bmp(pf24bit);
    bmp.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bmp.ScanLine(y)[3 * x] = b;
            bmp.ScanLine(y)[3 * x + 1] = g;
            bmp.ScanLine(y)[3 * x + 2] = r;
        }
    return bmp;
}

bool IsColour(const TBitmap& b, int x, int y, std::uint8_t blue, std::uint8_t g, std::uint8_t r) {
    const std::uint8_t* p = b.ScanLine(y) + 3 * x;
    return p[0] == blue && p[1] == g && p[2] == r;
}

TEST(MulDiv, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(MulDiv(1, 65536, 4), 16384);
    EXPECT_EQ(MulDiv(1, 3, 2), 2);
    EXPECT_EQ(MulDiv(-1, 3, 2), -2);
    EXPECT_EQ(MulDiv(1, 1, 3), 0);
    EXPECT_EQ(MulDiv(5, 5, 0), -1);
}

TEST(ResampleBilinear, HandComputedGreyLevels) {
    {
        TBitmap src = Grey({{0, 255}});
        TBitmap dst(pf24bit);
        dst.SetSize(4, 2);
        ResampleBilinear(src, dst);
        EXPECT_EQ(Levels(dst),
                  (std::vector<std::vector<int>>{{0, 63, 127, 191}, {0, 63, 127, 191}}));
    }
    {
        TBitmap src = Grey({{0, 200}, {100, 255}});
        TBitmap dst(pf24bit);
        dst.SetSize(3, 3);
        ResampleBilinear(src, dst);
        EXPECT_EQ(Levels(dst),
                  (std::vector<std::vector<int>>{{0, 66, 133}, {33, 94, 156}, {66, 123, 180}}));
    }
    {
        // Shrinking by a whole factor picks source pixels rather than averaging.
        TBitmap src = Grey({{10, 20, 30}, {40, 50, 60}, {70, 80, 90}});
        TBitmap dst(pf24bit);
        dst.SetSize(2, 2);
        ResampleBilinear(src, dst);
        EXPECT_EQ(Levels(dst), (std::vector<std::vector<int>>{{10, 20}, {40, 50}}));
    }
}

TEST(ResampleBilinear, SameSizeCopiesAndEmptyFails) {
    TBitmap src = Grey({{1, 2}, {3, 4}});
    TBitmap dst(pf32bit);
    dst.SetSize(2, 2);
    ResampleBilinear(src, dst);
    EXPECT_EQ(dst.PixelFormat(), pf24bit);
    EXPECT_EQ(Levels(dst), Levels(src));

    TBitmap empty(pf24bit);
    EXPECT_THROW(ResampleBilinear(src, empty), std::runtime_error);
    EXPECT_THROW(ResampleBilinear(empty, dst), std::runtime_error);
}

TEST(ResampleBilinear, OneColourStaysExactAtAnySize) {
    for (auto [w, h] : {std::pair{1, 1}, {7, 3}, {300, 2}, {2, 300}}) {
        TBitmap src = Solid(13, 9, 12, 200, 77);
        TBitmap dst(pf24bit);
        dst.SetSize(w, h);
        ResampleBilinear(src, dst);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_TRUE(IsColour(dst, x, y, 12, 200, 77)) << w << "x" << h << " at " << x;
    }
}

TEST(FitPicture, KeptRatioSizesAndPlacement) {
    struct Case {
        int sw, sh, w, h;
        int scaledW, scaledH, x, y;
    } cases[] = {
        {640, 480, 240, 220, 240, 180, 0, 20}, {300, 600, 240, 220, 110, 220, 65, 0},
        {50, 50, 240, 220, 220, 220, 10, 0},   {1024, 768, 240, 180, 240, 179, 0, 0},
        {1000, 5, 240, 220, 240, 1, 0, 109},   {480, 440, 240, 220, 240, 220, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sw << "x" << c.sh << " into " << c.w << "x" << c.h);
        const TFitSize size = KeptRatioSize(c.sw, c.sh, c.w, c.h);
        EXPECT_EQ(size.Width, c.scaledW);
        EXPECT_EQ(size.Height, c.scaledH);

        TBitmap pic = Solid(c.sw, c.sh, 255, 255, 255);
        ASSERT_TRUE(FitPicture(pic, c.w, c.h, 1, 0x0000FF)); // red fill
        ASSERT_EQ(pic.Width(), c.w);
        ASSERT_EQ(pic.Height(), c.h);
        // Fill exactly outside the placed picture, picture exactly inside.
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                const bool inside =
                    x >= c.x && x < c.x + c.scaledW && y >= c.y && y < c.y + c.scaledH;
                ASSERT_TRUE(inside ? IsColour(pic, x, y, 255, 255, 255)
                                   : IsColour(pic, x, y, 0, 0, 255))
                    << "pixel " << x << "," << y;
            }
    }
}

// Today's sizes of the generated fits are recorded as their difference from
// exact rational arithmetic, which only shows where a scaled side is a whole
// number that the extended-precision steps bring just below it.
TEST(KeptRatioSize, MatchesTheRecordedExtendedPrecisionSizes) {
    const std::vector<keptratio::TFitCase> cases = keptratio::Generate();
    const std::string codes = ReadCodeTable("kept_ratio_sizes.txt");
    ASSERT_EQ(codes.size(), cases.size()) << TestDataPath("kept_ratio_sizes.txt");
    int failures = 0, below = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const keptratio::TFitCase& c = cases[i];
        TFitSize want;
        keptratio::ExactKeptRatioSize(c, want.Width, want.Height);
        ASSERT_TRUE(codes[i] == '.' || codes[i] == 'w' || codes[i] == 'h') << "code of case " << i;
        want.Width -= codes[i] == 'w';
        want.Height -= codes[i] == 'h';
        below += codes[i] != '.';
        const TFitSize got = KeptRatioSize(c.SourceWidth, c.SourceHeight, c.Width, c.Height);
        if ((got.Width != want.Width || got.Height != want.Height) && ++failures <= 10)
            ADD_FAILURE() << "case " << i << ", " << c << ": " << got.Width << "x" << got.Height
                          << ", recorded " << want.Width << "x" << want.Height;
    }
    EXPECT_EQ(failures, 0);
    EXPECT_GT(below, 100) << "the table should hold fits that extended precision brings below";
}

TEST(KeptRatioSize, SidesOutsideTheDialogRanges) {
    // Recorded from the extended-precision computation; a side that leaves the
    // 32-bit range (from a negative cell side) comes out as INT32_MIN.
    const struct {
        keptratio::TFitCase in;
        std::int32_t width, height;
    } cases[] = {
        {{1, 1, 1, 1}, 1, 1},
        {{INT32_MAX, 1, INT32_MAX, INT32_MAX}, INT32_MAX, 1},
        {{1, INT32_MAX, INT32_MAX, 1}, 0, 1},
        {{-640, 480, 240, 220}, 240, -180},
        {{640, 480, -240, 220}, 293, 220},
        {{640, 480, 240, -220}, -293, -220},
        {{640, 480, -240, -220}, -240, -180},
        {{1000000, 1, -9999, 9999}, INT32_MIN, 9999},
        {{1, 1000000, 9999, -9999}, 0, -9999},
        {{INT32_MIN, 1, INT32_MAX, INT32_MIN}, INT32_MIN, INT32_MIN},
        {{3, -7, INT32_MIN, 5}, INT32_MIN, INT32_MIN},
        {{1000000, 999999, 9999, 9998}, 9998, 9998},
        {{999999, 1000000, 9998, 9999}, 9998, 9998},
    };
    for (const auto& c : cases) {
        const TFitSize got =
            KeptRatioSize(c.in.SourceWidth, c.in.SourceHeight, c.in.Width, c.in.Height);
        EXPECT_EQ(got.Width, c.width) << c.in;
        EXPECT_EQ(got.Height, c.height) << c.in;
    }
    for (const keptratio::TFitCase& z :
         {keptratio::TFitCase{0, 1, 1, 1}, {1, 0, 1, 1}, {1, 1, 0, 1}, {1, 1, 1, 0}})
        EXPECT_THROW(KeptRatioSize(z.SourceWidth, z.SourceHeight, z.Width, z.Height),
                     std::runtime_error)
            << z;
}

#if LDBL_MANT_DIG == 64
// Where long double is the x87 extended type, the formula itself, step by step
// in long double, serves as the oracle. Its conversion of a side beyond the
// 32-bit range is what the x87 unit stores for one: INT32_MIN.
TFitSize X87KeptRatioSize(std::int32_t sw, std::int32_t sh, std::int32_t w, std::int32_t h) {
    auto side = [](long double v) {
        v = std::trunc(v);
        return v >= INT32_MIN && v <= INT32_MAX ? std::int32_t(v) : INT32_MIN;
    };
    const long double targetRatio = static_cast<long double>(h) / w;
    const long double sourceRatio = static_cast<long double>(sh) / sw;
    if (targetRatio >= sourceRatio)
        return {w, side(sh / (static_cast<long double>(sw) / w))};
    return {side(sw / (static_cast<long double>(sh) / h)), h};
}

TEST(KeptRatioSize, AgreesWithTheX87Unit) {
    std::vector<keptratio::TFitCase> cases = keptratio::Generate();
    // Any non-zero 32-bit sides, of either sign.
    TSequence s(77);
    auto any = [&s]() {
        const std::int64_t v = s.Range(0, 9) == 0 ? INT32_MAX : s.Spread(1, INT32_MAX);
        return std::int32_t(s.Next() & 1 ? -v : v);
    };
    for (int i = 0; i < 200000; ++i)
        cases.push_back({any(), any(), any(), any()});
    int failures = 0;
    for (const keptratio::TFitCase& c : cases) {
        const TFitSize want = X87KeptRatioSize(c.SourceWidth, c.SourceHeight, c.Width, c.Height);
        const TFitSize got = KeptRatioSize(c.SourceWidth, c.SourceHeight, c.Width, c.Height);
        if ((got.Width != want.Width || got.Height != want.Height) && ++failures <= 10)
            ADD_FAILURE() << c << ": " << got.Width << "x" << got.Height << ", x87 " << want.Width
                          << "x" << want.Height;
    }
    EXPECT_EQ(failures, 0);
}
#endif

TEST(FitPicture, TypesAndFailures) {
    // -1 and -2 stretch like 0; 2 keeps the ratio; -3 leaves the picture alone.
    for (int type : {0, -1, -2}) {
        TBitmap pic = Grey({{0, 255}});
        ASSERT_TRUE(FitPicture(pic, 4, 2, type, 0));
        EXPECT_EQ(Levels(pic),
                  (std::vector<std::vector<int>>{{0, 63, 127, 191}, {0, 63, 127, 191}}));
    }
    {
        TBitmap pic = Solid(100, 50, 1, 2, 3);
        ASSERT_TRUE(FitPicture(pic, 40, 40, 2, 0));
        EXPECT_TRUE(IsColour(pic, 0, 0, 0, 0, 0));
        EXPECT_TRUE(IsColour(pic, 0, 10, 1, 2, 3));
    }
    {
        TBitmap pic(pf32bit);
        pic.SetSize(5, 5);
        ASSERT_TRUE(FitPicture(pic, 40, 40, -3, 0));
        EXPECT_EQ(pic.Width(), 5);
        EXPECT_EQ(pic.PixelFormat(), pf32bit);
    }
    {
        // A scaled height of 0 fails and leaves the picture at its size.
        TBitmap pic = Solid(1000, 2, 9, 9, 9);
        EXPECT_FALSE(FitPicture(pic, 240, 220, 1, 0));
        EXPECT_EQ(pic.Width(), 1000);
        EXPECT_EQ(pic.Height(), 2);
        EXPECT_TRUE(IsColour(pic, 999, 1, 9, 9, 9));
    }
    {
        TBitmap empty(pf24bit);
        EXPECT_FALSE(FitPicture(empty, 10, 10, 0, 0));
        EXPECT_FALSE(FitPicture(empty, 10, 10, 1, 0));
        TBitmap pic = Solid(3, 3, 1, 1, 1);
        EXPECT_FALSE(FitPicture(pic, 0, 10, 1, 0));
        EXPECT_FALSE(FitPicture(pic, -5, 10, 0, 0));
        EXPECT_EQ(pic.Width(), 3);
    }
    {
        // A 32-bit picture that reached the resampler comes back at 24 bits.
        TBitmap pic(pf32bit);
        pic.SetSize(4, 4);
        ASSERT_TRUE(FitPicture(pic, 4, 4, 0, 0));
        EXPECT_EQ(pic.PixelFormat(), pf24bit);
    }
}

TEST(FitPicture, WideSourcesBeyondSixteenBitsStayInside) {
    // Column 3 of 4 lies at source x = 74999.25, past what a 32-bit 16.16
    // accumulator holds; it must come from the white right half, not wrap around.
    TBitmap src(pf24bit);
    src.SetSize(100000, 1);
    std::uint8_t* row = src.ScanLine(0);
    for (int x = 0; x < 100000; ++x)
        row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = x < 50000 ? 0 : 255;
    TBitmap dst(pf24bit);
    dst.SetSize(4, 1);
    ResampleBilinear(src, dst);
    EXPECT_EQ(Levels(dst), (std::vector<std::vector<int>>{{0, 0, 127, 255}}));
}

} // namespace
