#include "codecs/TDecodeBudget.h"
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

namespace {

// The upright picture made the plain way: each pixel looked up where it came from.
TDecodedPicture TurnedByLookup(const TDecodedPicture& in, int orientation) {
    const int w = in.Width, h = in.Height;
    const bool swap = orientation >= 5;
    TDecodedPicture out;
    out.Width = swap ? h : w;
    out.Height = swap ? w : h;
    for (int y = 0; y < out.Height; ++y)
        for (int x = 0; x < out.Width; ++x) {
            const int from[9][2] = {{x, y},         {x, y}, {w - 1 - x, y}, {w - 1 - x, h - 1 - y},
                                    {x, h - 1 - y}, {y, x}, {y, h - 1 - x}, {w - 1 - y, h - 1 - x},
                                    {w - 1 - y, x}};
            out.Pixels.push_back(in.Pixel(from[orientation][0], from[orientation][1]));
        }
    return out;
}

TDecodedPicture Counting(int w, int h) {
    TDecodedPicture p;
    p.Width = w;
    p.Height = h;
    for (int i = 0; i < w * h; ++i)
        p.Pixels.push_back(std::uint32_t(i));
    return p;
}

} // namespace

TEST(ExifOrientation, InPlaceTurnsMatchTheLookupOnAnyShape) {
    const int shapes[][2] = {{1, 1}, {1, 7}, {7, 1}, {2, 2}, {3, 7}, {64, 3}, {17, 23}, {40, 40}};
    for (const auto& shape : shapes)
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE(testing::Message()
                         << shape[0] << " x " << shape[1] << ", " << orientation);
            const TDecodedPicture in = Counting(shape[0], shape[1]);
            const TDecodedPicture want = TurnedByLookup(in, orientation);
            TDecodedPicture turned = in;
            const std::uint32_t* memory = turned.Pixels.data();
            ApplyExifOrientation(turned, orientation);
            EXPECT_EQ(turned.Width, want.Width);
            EXPECT_EQ(turned.Pixels, want.Pixels);
            EXPECT_EQ(turned.Pixels.data(), memory); // never a second picture

            // Rows placed one by one as a reader delivers them end up alike.
            std::vector<std::uint32_t> placed(in.Pixels.size());
            for (int y = 0; y < in.Height; ++y)
                PlaceOrientedRow(placed.data(), in.Pixels.data() + std::size_t(y) * in.Width,
                                 std::size_t(in.Width), std::size_t(in.Height), std::size_t(y),
                                 orientation);
            EXPECT_EQ(placed, want.Pixels);
        }
}

TEST(ExifOrientation, QuarterTurnsClaimABitPerPixel) {
    TDecodeBudget budget(1 << 20);
    for (int orientation : {3, 6}) {
        TBudgetClaim claim = budget.Claim(0);
        TDecodedPicture p = Counting(100, 30);
        ApplyExifOrientation(p, orientation, &claim);
        EXPECT_EQ(claim.Asked(), orientation == 6 ? 375u : 0u) << orientation;
    }
}

TEST(ExifThumbnail, FoundThroughTheSecondDirectoryInBothByteOrders) {
    const fixtures::Bytes thumbnail = {0xFF, 0xD8, 1, 2, 3, 0xFF, 0xD9};
    for (bool big : {false, true}) {
        SCOPED_TRACE(big);
        const fixtures::Bytes b = fixtures::MakeExifWithThumbnail(6, thumbnail, big);
        const TExifThumbnail t = FindExifThumbnail(b.data(), b.size());
        ASSERT_EQ(t.Size, thumbnail.size());
        EXPECT_EQ(fixtures::Bytes(b.begin() + long(t.Offset), b.begin() + long(t.Offset + t.Size)),
                  thumbnail);
        // The orientation beside it reads as before; without the prefix, the
        // offset counts from the TIFF header.
        EXPECT_EQ(ParseExifOrientation(b.data(), b.size()), 6);
        EXPECT_EQ(FindExifThumbnail(b.data() + 6, b.size() - 6).Offset, t.Offset - 6);
    }
}

TEST(ExifThumbnail, NoneInDamagedOrOtherBlocks) {
    const fixtures::Bytes thumbnail(40, 0xAB);
    const fixtures::Bytes good = fixtures::MakeExifWithThumbnail(1, thumbnail);
    // Cut anywhere, the thumbnail's bytes are no longer all there.
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_EQ(FindExifThumbnail(good.data(), n).Size, 0u) << n;
    const std::size_t second = 6 + 26; // the second directory
    const auto patched = [&](std::size_t at, std::uint8_t value) {
        fixtures::Bytes b = good;
        b[at] = value;
        return b;
    };
    const struct {
        const char* Name;
        fixtures::Bytes Block;
    } cases[] = {
        {"only an orientation", fixtures::MakeExif(3)},
        {"an uncompressed thumbnail", fixtures::MakeExifWithThumbnail(1, thumbnail, false, 1)},
        {"offset past the end", patched(second + 2 + 12 + 8 + 1, 0x40)},
        {"length past the end", patched(second + 2 + 24 + 8, 41)},
        {"entries past the end", patched(second, 0xFF)},
        {"a second directory past the end", patched(second - 3, 0x70)},
        {"not TIFF", patched(6, 'X')},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindExifThumbnail(c.Block.data(), c.Block.size()).Size, 0u) << c.Name;
    EXPECT_EQ(FindExifThumbnail(nullptr, 100).Size, 0u);
}
