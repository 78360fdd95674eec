#include "pictures/uLoadSteps.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A 3 x 2 picture (rows of 9 bytes at 24 bits, padded to 12) with one pixel of
// each kind of alpha.
TDecodedPicture Picture(bool Drawn, bool HasAlpha) {
    TDecodedPicture p;
    p.Width = 3;
    p.Height = 2;
    p.Pixels = {0xFF102030, 0x80C86432, 0x00FFFFFF, 0xFF000000, 0x40FF0000, 0xFFFEFDFC};
    p.Drawn = Drawn;
    p.HasAlpha = HasAlpha;
    return p;
}

std::vector<std::uint32_t> Row32(const TBitmap& B, int Y) {
    std::vector<std::uint32_t> row(std::size_t(B.Width()));
    std::memcpy(row.data(), B.ScanLine(Y), row.size() * 4);
    return row;
}

// The bytes blue, green, red of each pixel of a 24-bit row.
std::vector<int> Row24(const TBitmap& B, int Y) {
    const std::uint8_t* row = B.ScanLine(Y);
    return std::vector<int>(row, row + 3 * B.Width());
}

std::vector<int> Bytes24(const std::vector<std::uint32_t>& Pixels) {
    std::vector<int> bytes;
    for (std::uint32_t p : Pixels)
        bytes.insert(bytes.end(), {int(p & 0xFF), int((p >> 8) & 0xFF), int((p >> 16) & 0xFF)});
    return bytes;
}

} // namespace

TEST(LoadSteps, BitmapsTakeTheDecodedMemoryConvertedWhereItIs) {
    // Composed onto white: (c * a + 255 * (255 - a) + 127) / 255 per channel.
    const std::vector<std::uint32_t> onWhite = {0xFF102030, 0xFFE3B198, 0xFFFFFFFF,
                                                0xFF000000, 0xFFFFBFBF, 0xFFFEFDFC};
    const struct {
        const char* Name;
        bool Drawn, HasAlpha;
        TBitmapDepth Depth;
        TPixelFormat Format;
        std::vector<std::uint32_t> Expected; // at 24 bits only the colour counts
    } cases[] = {
        {"drawn", true, true, TBitmapDepth::Codec, pf24bit, onWhite},
        {"bitmap with alpha", false, true, TBitmapDepth::Codec, pf32bit,
         Picture(false, false).Pixels},
        {"opaque bitmap", false, false, TBitmapDepth::Codec, pf24bit, Picture(false, false).Pixels},
        {"bitmap with alpha for fitting", false, true, TBitmapDepth::Rgb24, pf24bit,
         Picture(false, false).Pixels},
        {"drawn for fitting", true, true, TBitmapDepth::Rgb24, pf24bit, onWhite},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TDecodedPicture picture = Picture(c.Drawn, c.HasAlpha);
        const std::uint8_t* memory = reinterpret_cast<const std::uint8_t*>(picture.Pixels.data());
        TBitmap bitmap(pf32bit);
        bitmap.SetSize(5, 5);
        MoveToBitmap(picture, bitmap, c.Depth);
        EXPECT_TRUE(picture.Pixels.empty());
        ASSERT_EQ(bitmap.PixelFormat(), c.Format);
        ASSERT_EQ(bitmap.Width(), 3);
        ASSERT_EQ(bitmap.Height(), 2);
        EXPECT_EQ(bitmap.ScanLine(0), memory); // the same memory, no copy
        const std::vector<std::uint32_t> top(c.Expected.begin(), c.Expected.begin() + 3);
        const std::vector<std::uint32_t> bottom(c.Expected.begin() + 3, c.Expected.end());
        if (c.Format == pf32bit) {
            EXPECT_EQ(Row32(bitmap, 0), top);
            EXPECT_EQ(Row32(bitmap, 1), bottom);
        } else {
            EXPECT_EQ(bitmap.ScanLine(1) - bitmap.ScanLine(0), 12);
            EXPECT_EQ(Row24(bitmap, 0), Bytes24(top));
            EXPECT_EQ(Row24(bitmap, 1), Bytes24(bottom));
        }
        // Still the bitmap's own: writing to it copies nothing.
        bitmap.ScanLine(1)[0] = 9;
        EXPECT_EQ(bitmap.ScanLine(0), memory);
    }
}

TEST(LoadSteps, PixelStoresTakeTheDecodedMemoryWithTheAlphaOfTheirKind) {
    const std::vector<std::uint32_t> all = Picture(false, false).Pixels;
    std::vector<std::uint32_t> opaque;
    for (std::uint32_t p : all)
        opaque.push_back(p | 0xFF000000u);
    const struct {
        const char* Name;
        bool Drawn, HasAlpha;
        std::vector<std::uint32_t> Expected;
    } cases[] = {
        {"drawn: onto white",
         true,
         true,
         {0xFF102030, 0xFFE3B198, 0xFFFFFFFF, 0xFF000000, 0xFFFFBFBF, 0xFFFEFDFC}},
        {"bitmap with alpha: kept", false, true, all},
        {"opaque bitmap", false, false, opaque},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TDecodedPicture picture = Picture(c.Drawn, c.HasAlpha);
        const std::uint32_t* memory = picture.Pixels.data();
        TBitmap32 store;
        MoveToBitmap32(picture, store);
        EXPECT_EQ(store.Bits(), memory);
        EXPECT_EQ(std::vector<std::uint32_t>(store.Bits(), store.Bits() + 6), c.Expected);
    }

    // PNG transparency: one colour cleared on exactly its pixels; an alpha
    // channel kept; translucent palette entries opaque.
    const struct {
        const char* Name;
        TPngTransparency Mode;
        int ColorType;
        std::vector<std::uint32_t> Expected;
    } pngs[] = {
        {"none", TPngTransparency::None, 2, opaque},
        {"one colour",
         TPngTransparency::SingleColor,
         2,
         {0xFF102030, 0xFFC86432, 0x00FFFFFF, 0xFF000000, 0xFFFF0000, 0xFFFEFDFC}},
        {"alpha channel", TPngTransparency::Partial, 6, all},
        {"translucent palette", TPngTransparency::Partial, 3, opaque},
    };
    for (const auto& c : pngs) {
        SCOPED_TRACE(c.Name);
        TDecodedPicture png = Picture(true, true);
        png.IsPng = true;
        png.Png.Transparency = c.Mode;
        png.Png.ColorType = c.ColorType;
        png.Png.TransparentColor = 0xFFFFFF; // white, as a settings colour
        TBitmap32 store;
        MovePngToBitmap32(png, store);
        EXPECT_EQ(std::vector<std::uint32_t>(store.Bits(), store.Bits() + 6), c.Expected);
    }
}
