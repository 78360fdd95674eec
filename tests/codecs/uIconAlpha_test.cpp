#include "codecs/uIconAlpha.h"
#include "tests/codecs/CodecFixtures.h"

#include <gtest/gtest.h>

using fixtures::Bytes;
using fixtures::IconEntry;

namespace {

// What the icon decoder delivers: the colours, opaque, at the given size.
TDecodedPicture Decoded(int size, std::uint32_t colour = 0xFF102030) {
    TDecodedPicture p;
    p.Width = p.Height = size;
    p.Pixels.assign(std::size_t(size) * std::size_t(size), colour);
    return p;
}

} // namespace

TEST(IconAlpha, TakesTheAlphaBytesOfTheLargestEntry) {
    const std::vector<std::uint32_t> soft = {0x80FF0000, 0x01000000, 0xFF0000FF, 0x00000000};
    const IconEntry small{1, {0x40123456}};
    const IconEntry large{2, soft};
    const IconEntry otherLarge{2, {0x11000000, 0x22000000, 0x33000000, 0x44000000}};
    Bytes wrongBits = fixtures::MakeIcon({large});
    wrongBits[6 + 16 + 14] = 24; // the bitmap's bits per pixel
    Bytes beyondEnd = fixtures::MakeIcon({large});
    beyondEnd.resize(beyondEnd.size() - 1);
    Bytes offsetOutside = fixtures::MakeIcon({large});
    offsetOutside[6 + 12 + 1] = 0x70;
    const struct {
        const char* Name;
        Bytes File;
        int Size;
        std::vector<std::uint8_t> Alpha; // empty: the picture stays as decoded
    } cases[] = {
        {"one entry", fixtures::MakeIcon({large}), 2, {0x80, 0x01, 0xFF, 0x00}},
        {"the largest of several", fixtures::MakeIcon({small, large}), 2, {0x80, 0x01, 0xFF, 0}},
        {"the first of equals", fixtures::MakeIcon({large, otherLarge}), 2, {0x80, 0x01, 0xFF, 0}},
        {"an old icon without alpha bytes",
         fixtures::MakeIcon({{2, {0x00FF0000, 0x0000FF00, 0x000000FF, 0}}}),
         2,
         {}},
        {"another size than the picture", fixtures::MakeIcon({large}), 3, {}},
        {"not 32 bits", wrongBits, 2, {}},
        {"bitmap beyond the end", beyondEnd, 2, {}},
        {"offset outside the file", offsetOutside, 2, {}},
        {"directory cut short", Bytes{0, 0, 1, 0, 3, 0, 2, 2}, 2, {}},
        {"no data", Bytes(), 2, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TDecodedPicture p = Decoded(c.Size);
        ApplyIconAlpha(p, c.File.data(), c.File.size());
        if (c.Alpha.empty()) {
            EXPECT_FALSE(p.HasAlpha);
            EXPECT_EQ(p.Pixels, Decoded(c.Size).Pixels);
            continue;
        }
        EXPECT_TRUE(p.HasAlpha);
        ASSERT_EQ(p.Pixels.size(), c.Alpha.size());
        for (std::size_t i = 0; i < c.Alpha.size(); ++i) // the colours stay as decoded
            EXPECT_EQ(p.Pixels[i], (std::uint32_t(c.Alpha[i]) << 24) | 0x102030u) << i;
    }
}
