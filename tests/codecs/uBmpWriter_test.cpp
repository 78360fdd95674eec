#include "codecs/uBmpWriter.h"

#include "WriterTestSupport.h"

#include <gtest/gtest.h>

#include <set>

using namespace writertest;

namespace {

// Three by two: red, lime, blue over white, black and the blend of red at half
// opacity over white (FF7F7F).
TDecodedPicture SixColours() {
    return MakePicture(3, 2, [](int x, int y) {
        static const std::uint32_t colors[6] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF,
                                                0xFFFFFFFF, 0xFF000000, 0xFFFF7F7F};
        return colors[y * 3 + x];
    });
}

int BruteForceNearest(TRgb color, const TRgb* palette, int count) {
    int best = 0;
    long bestDistance = 1L << 40;
    for (int i = 0; i < count; ++i) {
        long d = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            const long c = long((color >> shift) & 0xFF) - long((palette[i] >> shift) & 0xFF);
            d += c * c;
        }
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

} // namespace

TEST(BmpWriter, DepthFollowsMaxColor) {
    EXPECT_EQ(BmpBitsForMaxColor(0), 4);
    EXPECT_EQ(BmpBitsForMaxColor(1), 8);
    EXPECT_EQ(BmpBitsForMaxColor(2), 16);
    EXPECT_EQ(BmpBitsForMaxColor(3), 24);
}

// Headers, palette, bit fields and the pixel rows (bottom-up, padded to four
// bytes) of every depth, worked out by hand for the six-colour picture.
TEST(BmpWriter, WritesHeadersAndRowsOfEveryDepth) {
    struct Case {
        int Bits;
        std::uint32_t Compression;
        std::uint32_t PaletteEntries;
        Bytes Rows; // file order: the picture's bottom row first
    };
    const Case cases[] = {
        // white 15, black 0, FF7F7F -> silver 7; red 9, lime 10, blue 12
        {4, 0, 16, {0xF0, 0x70, 0, 0, 0x9A, 0xC0, 0, 0}},
        // cube 36 r + 6 g + b: white 215, black 0, FF7F7F -> (255,102,102) 194;
        // red 180, lime 30, blue 5
        {8, 0, 256, {215, 0, 194, 0, 180, 30, 5, 0}},
        // 5-6-5, little-endian: FFFF 0000 FBEF | F800 07E0 001F, two padding bytes each
        {16, 3, 0, {0xFF, 0xFF, 0, 0, 0xEF, 0xFB, 0, 0, 0x00, 0xF8, 0xE0, 0x07, 0x1F, 0, 0, 0}},
        // blue, green, red, three padding bytes each
        {24, 0, 0, {0xFF, 0xFF, 0xFF, 0, 0,    0, 0x7F, 0x7F, 0xFF, 0, 0, 0,
                    0,    0,    0xFF, 0, 0xFF, 0, 0xFF, 0,    0,    0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Bits);
        const Bytes file = EncodeBmp(SixColours(), c.Bits);
        const std::uint32_t masks = c.Bits == 16 ? 12 : 0;
        const std::uint32_t offset = 14 + 40 + masks + 4 * c.PaletteEntries;
        ASSERT_EQ(file.size(), offset + c.Rows.size());
        EXPECT_EQ(file[0], 'B');
        EXPECT_EQ(file[1], 'M');
        EXPECT_EQ(LE32(file, 2), file.size());
        EXPECT_EQ(LE32(file, 6), 0u);
        EXPECT_EQ(LE32(file, 10), offset);
        EXPECT_EQ(LE32(file, 14), 40u);
        EXPECT_EQ(LE32(file, 18), 3u);
        EXPECT_EQ(LE32(file, 22), 2u); // positive: bottom-up
        EXPECT_EQ(LE16(file, 26), 1u);
        EXPECT_EQ(LE16(file, 28), unsigned(c.Bits));
        EXPECT_EQ(LE32(file, 30), c.Compression);
        EXPECT_EQ(LE32(file, 34), c.Rows.size());
        EXPECT_EQ(LE32(file, 46), c.PaletteEntries);
        if (c.Bits == 16) {
            EXPECT_EQ(LE32(file, 54), 0xF800u);
            EXPECT_EQ(LE32(file, 58), 0x07E0u);
            EXPECT_EQ(LE32(file, 62), 0x001Fu);
        }
        for (std::uint32_t i = 0; i < c.PaletteEntries; ++i) {
            const TRgb expected = c.Bits == 4 ? StandardColors16[i] : HalftonePalette()[i];
            const std::size_t at = 54 + 4 * i;
            EXPECT_EQ(TRgb(file[at + 2]) << 16 | TRgb(file[at + 1]) << 8 | file[at], expected);
            EXPECT_EQ(file[at + 3], 0);
        }
        EXPECT_EQ(Bytes(file.begin() + offset, file.end()), c.Rows);
    }
}

TEST(BmpWriter, PalettesHoldTheDocumentedColours) {
    const std::array<TRgb, 16> standard = {
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
        0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    EXPECT_EQ(StandardColors16, standard);
    const auto& halftone = HalftonePalette();
    EXPECT_EQ(halftone[0], 0x000000u);
    EXPECT_EQ(halftone[1], 0x000033u);
    EXPECT_EQ(halftone[6], 0x003300u);
    EXPECT_EQ(halftone[36], 0x330000u);
    EXPECT_EQ(halftone[215], 0xFFFFFFu);
    EXPECT_EQ(halftone[216], 0x060606u);
    EXPECT_EQ(halftone[223], 0x2D2D2Du);
    EXPECT_EQ(halftone[255], 0xF9F9F9u);
    std::set<TRgb> distinct(halftone.begin(), halftone.end());
    EXPECT_EQ(distinct.size(), 256u);
}

// The fast searches agree with trying every palette entry.
TEST(BmpWriter, NearestColourMatchesAFullSearch) {
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 5)
            for (int b = 0; b < 256; b += 5) {
                const TRgb c = TRgb(r) << 16 | TRgb(g) << 8 | TRgb(b);
                ASSERT_EQ(NearestHalftoneColor(c),
                          BruteForceNearest(c, HalftonePalette().data(), 256))
                    << std::hex << c;
                if ((r + g + b) % 15 == 0) {
                    ASSERT_EQ(NearestStandardColor(c),
                              BruteForceNearest(c, StandardColors16.data(), 16))
                        << std::hex << c;
                }
            }
}

// An independent decoder reads every depth back to the expected colours.
TEST(BmpWriter, DecodesToTheMappedColours) {
    const auto picture = SixColours();
    struct Case {
        int Bits;
        std::uint32_t Expected[6];
        int Tolerance;
    };
    const Case cases[] = {
        {4, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0xC0C0C0}, 0},
        {8, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0xFF6666}, 0},
        // 5-6-5 loses the low bits; decoders differ in how they widen them back
        {16, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0xFF7F7F}, 8},
        {24, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0xFF7F7F}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Bits);
        const TDecodedPicture decoded = Decode(EncodeBmp(picture, c.Bits), "BMP");
        ASSERT_EQ(decoded.Width, 3);
        ASSERT_EQ(decoded.Height, 2);
        for (int i = 0; i < 6; ++i)
            EXPECT_LE(ChannelDifference(decoded.Pixel(i % 3, i / 3), c.Expected[i]), c.Tolerance)
                << i << ": " << std::hex << decoded.Pixel(i % 3, i / 3);
    }
}

TEST(BmpWriter, RefusesOtherDepthsAndEmptyPictures) {
    const auto picture = SixColours();
    for (int bits : {0, 1, 2, 15, 32})
        EXPECT_THROW(EncodeBmp(picture, bits), EPictureWriteError) << bits;
    EXPECT_THROW(EncodeBmp(TPixelView(3, 0, picture.Pixels.data()), 24), EPictureWriteError);
}
