#include "codecs/uExifOrientation.h"
#include "tests/codecs/CodecFixtures.h"

#include <gtest/gtest.h>

namespace {

TDecodedPicture Numbered() {
    TDecodedPicture p;
    p.Width = 3;
    p.Height = 2;
    p.Pixels = {1, 2, 3, 4, 5, 6};
    return p;
}

} // namespace

TEST(ExifOrientation, TurnsThePictureUprightForAllEightValues) {
    struct Case {
        int Orientation, Width, Height;
        std::vector<std::uint32_t> Pixels;
    };
    const Case cases[] = {
        {1, 3, 2, {1, 2, 3, 4, 5, 6}}, {2, 3, 2, {3, 2, 1, 6, 5, 4}}, {3, 3, 2, {6, 5, 4, 3, 2, 1}},
        {4, 3, 2, {4, 5, 6, 1, 2, 3}}, {5, 2, 3, {1, 4, 2, 5, 3, 6}}, {6, 2, 3, {4, 1, 5, 2, 6, 3}},
        {7, 2, 3, {6, 3, 5, 2, 4, 1}}, {8, 2, 3, {3, 6, 2, 5, 1, 4}}, {0, 3, 2, {1, 2, 3, 4, 5, 6}},
        {9, 3, 2, {1, 2, 3, 4, 5, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Orientation);
        TDecodedPicture p = Numbered();
        ApplyExifOrientation(p, c.Orientation);
        EXPECT_EQ(p.Width, c.Width);
        EXPECT_EQ(p.Height, c.Height);
        EXPECT_EQ(p.Pixels, c.Pixels);
    }
}

TEST(ExifOrientation, ParsesBothByteOrdersWithAndWithoutPrefix) {
    for (int value = 1; value <= 8; ++value)
        for (bool big : {false, true})
            for (bool prefix : {false, true}) {
                const fixtures::Bytes b = fixtures::MakeExif(value, big, prefix);
                EXPECT_EQ(ParseExifOrientation(b.data(), b.size()), value);
            }
}

TEST(ExifOrientation, DamagedBlocksMeanUpright) {
    const fixtures::Bytes good = fixtures::MakeExif(6);
    for (std::size_t n = 0; n < good.size() - 6; ++n) // up to the last byte of the value
        EXPECT_EQ(ParseExifOrientation(good.data(), n), 1) << n;
    fixtures::Bytes bad = good;
    bad[6 + 8 + 2 + 8] = 9; // orientation 9 does not exist
    EXPECT_EQ(ParseExifOrientation(bad.data(), bad.size()), 1);
    bad = good;
    bad[6 + 4] = 0xF0; // directory offset far beyond the block
    EXPECT_EQ(ParseExifOrientation(bad.data(), bad.size()), 1);
    bad = good;
    bad[6 + 8] = 0xFF;     // 255 entries claimed, one present
    bad[6 + 8 + 2] = 0x01; // and the first is another tag
    EXPECT_EQ(ParseExifOrientation(bad.data(), bad.size()), 1);
    EXPECT_EQ(ParseExifOrientation(nullptr, 100), 1);
}
