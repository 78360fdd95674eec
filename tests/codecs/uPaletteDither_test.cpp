#include "codecs/uPaletteDither.h"

#include "WriterTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace writertest;

namespace {

int BruteForceNearest(const std::vector<TPaletteEntry>& palette, int r, int g, int b) {
    int best = 0;
    int bestDistance = 1 << 30;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const TRgb c = palette[i].Colour;
        const int dr = r - int(c >> 16 & 0xFF), dg = g - int(c >> 8 & 0xFF), db = b - int(c & 0xFF);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = int(i);
        }
    }
    return best;
}

std::vector<TPaletteEntry> Entries(const std::vector<TRgb>& colours) {
    std::vector<TPaletteEntry> entries;
    for (std::size_t i = 0; i < colours.size(); ++i)
        entries.push_back({colours[i], std::uint8_t(i)});
    return entries;
}

} // namespace

// The cell lists never lose the nearest entry: the same answer as a search of
// the whole palette, ties to the entry listed first, for colours at cell
// corners and at random, with palettes of one entry, of close and repeated
// colours, of the static colours and of 256 random ones.
TEST(NearestColour, FindsWhatASearchOfEveryEntryFinds) {
    std::mt19937 random(5);
    std::vector<TRgb> randomColours(256);
    for (TRgb& c : randomColours)
        c = random() & 0xFFFFFF;
    const std::vector<std::vector<TRgb>> palettes = {
        {0x808080},
        {0x101010, 0x111111, 0x101010, 0xF0F0F0, 0x111111},
        std::vector<TRgb>(StaticSystemColors.begin(), StaticSystemColors.end()),
        randomColours,
    };
    for (const auto& colours : palettes) {
        SCOPED_TRACE(colours.size());
        const auto palette = Entries(colours);
        const TNearestColour nearest(palette);
        auto check = [&](int r, int g, int b) {
            ASSERT_EQ(nearest.Find(r, g, b), BruteForceNearest(palette, r, g, b))
                << r << "," << g << "," << b;
        };
        for (int r = 0; r < 256; r += 7)
            for (int g = 0; g < 256; g += 8)
                for (int b = 0; b < 256; b += 8) {
                    check(r, g, b);
                    check(255 - r, 255 - g, 255 - b);
                }
        for (int i = 0; i < 20000; ++i)
            check(int(random() % 256), int(random() % 256), int(random() % 256));
    }
}

// A colour of the palette stays itself; one between two palette colours
// becomes a mix of both that keeps its level on average within a few steps
// (small errors are damped, so a colour a few levels from an entry settles on
// it); and the indices are the ones the file's palette gives, not positions in
// the list.
TEST(PaletteDither, DiffusesTheErrorOntoThePalette) {
    const std::vector<TPaletteEntry> palette = {
        {0x000000, 7}, {0xFFFFFF, 200}, {0x808080, 12}, {0xFF0000, 40}};
    const auto exact = MakePicture(40, 30, [](int, int) { return 0xFFFF0000u; });
    for (std::uint8_t index : DitherToPalette(exact, palette, TDitherPlan{}))
        ASSERT_EQ(index, 40);

    for (int grey : {32, 100, 200, 250}) {
        const auto flat = MakePicture(
            64, 64, [grey](int, int) { return 0xFF000000u | std::uint32_t(grey) * 0x010101u; });
        const std::vector<std::uint8_t> indices = DitherToPalette(flat, palette, {16, 2});
        double sum[3] = {};
        for (std::uint8_t index : indices) {
            const auto entry =
                std::find_if(palette.begin(), palette.end(),
                             [index](const TPaletteEntry& e) { return e.Index == index; });
            ASSERT_NE(entry, palette.end()) << int(index);
            for (int c = 0; c < 3; ++c)
                sum[c] += double(entry->Colour >> (8 * c) & 0xFF);
        }
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(sum[c] / double(indices.size()), grey, 6.0) << grey << ", channel " << c;
    }
}
