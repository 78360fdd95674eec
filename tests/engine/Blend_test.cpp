#include "engine/Blend.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

TColor32 LineBlendOne(TColor32 F, TColor32 B, unsigned M) {
    BlendLineMaster(&F, &B, 1, M);
    return B;
}

std::vector<TColor32> RandomRow(std::mt19937& Rng, int Count) {
    std::vector<TColor32> Row(static_cast<std::size_t>(Count));
    for (TColor32& P : Row)
        P = Rng();
    return Row;
}

} // namespace

TEST(BlendRule, ExamplesByHand) {
    struct Case {
        TColor32 F, B;
        unsigned M;
        TColor32 Expected;
    };
    const Case Cases[] = {
        {0x80FF0000, 0xFF0000FF, 255, 0xC0800080}, // half-transparent red over opaque blue
        {0xFFFF0000, 0xFF0000FF, 128, 0xFF800080}, // opaque red at master alpha 128
        {0xFFFFFFFF, 0xFF000000, 254, 0xFFFDFDFD}, // opaque is not copied exactly below 255
        {0x80FFFFFF, 0x00000000, 255, 0x40808080}, // onto transparent black
        {0xFF123456, 0x80ABCDEF, 255, 0xFF123456}, // opaque copies exactly
        {0x00123456, 0x80ABCDEF, 255, 0x80ABCDEF}, // alpha 0 leaves the background
        {0x00FFFFFF, 0x80ABCDEF, 100, 0x80ABCDEF}, // ... at any master alpha
        {0x01FFFFFF, 0xFF000000, 127, 0xFF000000}, // weight ((1 + 1) * 127) >> 8 = 0
        {0xFFFFFFFF, 0xFF000000, 1, 0xFF010101},   // weight 1
    };
    for (const Case& C : Cases)
        EXPECT_EQ(LineBlendOne(C.F, C.B, C.M), C.Expected)
            << std::hex << C.F << " over " << C.B << " at " << std::dec << C.M;
}

TEST(BlendRule, PixelBlendWithWeight) {
    EXPECT_EQ(BlendPixel(0x80FF0000, 0xFF0000FF, 0), 0xFF0000FFu);
    EXPECT_EQ(BlendPixel(0x80FF0000, 0xFF0000FF, 255), 0x80FF0000u);
    EXPECT_EQ(BlendPixel(0x80FF0000, 0xFF0000FF, 128), 0xC0800080u);
}

// Every alpha over every pair of channel values, without master alpha.
TEST(BlendRule, FastLineMatchesScalarOnEveryChannelValue) {
    std::vector<TColor32> Src(256), Fast(256), Slow(256);
    for (unsigned A = 0; A < 256; ++A)
        for (unsigned F = 0; F < 256; ++F) {
            for (unsigned B = 0; B < 256; ++B) {
                Src[B] = (A << 24) | (F << 16) | (B << 8) | (255 - F);
                Fast[B] = Slow[B] = (B << 24) | (B << 16) | (F << 8) | (B ^ F);
            }
            BlendLine(Src.data(), Fast.data(), 256);
            BlendLineScalar(Src.data(), Slow.data(), 256);
            ASSERT_EQ(Fast, Slow) << "alpha " << A << " foreground " << F;
        }
}

// Every (alpha, master alpha) pair on random colour bytes.
TEST(BlendRule, FastLineMatchesScalarOnEveryAlphaAndMasterAlpha) {
    std::mt19937 Rng(7);
    for (unsigned M = 0; M < 256; ++M)
        for (unsigned A = 0; A < 256; ++A) {
            std::vector<TColor32> Src = RandomRow(Rng, 13);
            for (TColor32& P : Src)
                P = (P & 0x00FFFFFF) | (A << 24);
            std::vector<TColor32> Fast = RandomRow(Rng, 13);
            std::vector<TColor32> Slow = Fast;
            BlendLineMaster(Src.data(), Fast.data(), 13, M);
            if (M >= 255)
                BlendLineScalar(Src.data(), Slow.data(), 13);
            else
                BlendLineMasterScalar(Src.data(), Slow.data(), 13, M);
            ASSERT_EQ(Fast, Slow) << "alpha " << A << " master " << M;
        }
}

// Random rows of every length up to a few registers, at odd offsets.
TEST(BlendRule, FastLineMatchesScalarOnRandomRows) {
    std::mt19937 Rng(11);
    for (int Count = 0; Count < 40; ++Count)
        for (int Offset = 0; Offset < 3; ++Offset)
            for (unsigned M : {255u, 254u, 128u, 3u}) {
                std::vector<TColor32> Src = RandomRow(Rng, Count + Offset);
                std::vector<TColor32> Fast = RandomRow(Rng, Count + Offset);
                std::vector<TColor32> Slow = Fast;
                BlendLineMaster(Src.data() + Offset, Fast.data() + Offset, Count, M);
                if (M == 255)
                    BlendLineScalar(Src.data() + Offset, Slow.data() + Offset, Count);
                else
                    BlendLineMasterScalar(Src.data() + Offset, Slow.data() + Offset, Count, M);
                ASSERT_EQ(Fast, Slow) << "count " << Count << " master " << M;
            }
}

TEST(BlendRule, FillLongwordWritesOnlyTheGivenPixels) {
    std::vector<TColor32> Row(6, 0x11111111);
    FillLongword(Row.data() + 1, 4, 0x12345678);
    EXPECT_EQ(Row, (std::vector<TColor32>{0x11111111, 0x12345678, 0x12345678, 0x12345678,
                                          0x12345678, 0x11111111}));
    FillLongword(Row.data() + 1, 4, 0xABABABAB);
    EXPECT_EQ(Row[4], 0xABABABABu);
    EXPECT_EQ(Row[5], 0x11111111u);
}
