// The picture that every reader delivers: plain 32-bit pixels and what the
// loaders need to know about how to treat them.
#pragma once

#include <cstdint>
#include <vector>

// How a PNG file marks transparency.
enum class TPngTransparency {
    None,        // no transparency
    SingleColor, // one colour is transparent (tRNS on grey or RGB, or palette entries 0 or 255)
    Partial,     // an alpha value per pixel (alpha channel or translucent palette entries)
};

// What the PNG reader reports beyond the pixels.
struct TPngDetails {
    TPngTransparency Transparency = TPngTransparency::None;
    // The transparent colour as a settings colour, 0x00BBGGRR (8 bits per channel);
    // meaningful only for SingleColor.
    std::uint32_t TransparentColor = 0;
    // The colour type of the header: 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGB+alpha.
    int ColorType = 0;
    int BitDepth = 8;
    // True for colour types 4 and 6: the alpha bytes of the pixels are the file's own.
    bool HasAlphaChannel = false;
};

struct TDecodedPicture {
    int Width = 0;
    int Height = 0;
    // Width * Height pixels, rows from the top, pixels from the left. Each is
    // 0xAARRGGBB with straight (not premultiplied) alpha; on a little-endian
    // machine the bytes in memory are B, G, R, A.
    std::vector<std::uint32_t> Pixels;
    // True when the alpha bytes carry information; when false every alpha is 255.
    bool HasAlpha = false;
    // True for the formats that the loaders draw onto a white surface (JPEG, PNG,
    // GIF, icons, metafiles); false for those delivered as a bitmap to be copied.
    bool Drawn = false;
    // Set by the PNG reader only.
    bool IsPng = false;
    TPngDetails Png;

    // The picture's own upright size when it was decoded at a reduced scale;
    // 0 when Width and Height are that size.
    int FullWidth = 0;
    int FullHeight = 0;
    int OwnWidth() const { return FullWidth ? FullWidth : Width; }
    int OwnHeight() const { return FullHeight ? FullHeight : Height; }

    // The depth in which a bitmap codec delivers the picture: 32 with alpha, else 24.
    int BitsPerPixel() const { return HasAlpha ? 32 : 24; }
    std::uint32_t Pixel(int x, int y) const {
        return Pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(Width) +
                      static_cast<std::size_t>(x)];
    }
};
