// The platform bitmap: an RGB picture of 24 or 32 bits per pixel with direct
// row access, used by the loaders and the picture fitting.
#pragma once

#include "engine/TColor32.h"
#include "engine/TFont.h"

#include <QImage>

#include <cstdint>

enum TPixelFormat {
    pf24bit, // bytes blue, green, red per pixel
    pf32bit, // bytes blue, green, red, alpha per pixel (a TColor32)
};

class TBitmap32;

class TBitmap {
public:
    // An empty 24-bit bitmap.
    TBitmap() = default;
    explicit TBitmap(TPixelFormat Format) : FPixelFormat(Format) {}

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    bool Empty() const { return FWidth == 0 || FHeight == 0; }

    // Changes the size; the pixels of the overlapping part are kept and new
    // pixels are black (alpha 0 at 32 bits). Negative values become 0. Sizes
    // beyond the pixel store's ceiling raise "Can't allocate the DIB handle".
    void SetSize(int Width, int Height);
    void SetWidth(int Width) { SetSize(Width, FHeight); }
    void SetHeight(int Height) { SetSize(FWidth, Height); }

    TPixelFormat PixelFormat() const { return FPixelFormat; }
    // Converts the pixels: to 32 bits with alpha 255 (ARGB32 bytes), to 24
    // bits by dropping alpha.
    void SetPixelFormat(TPixelFormat Format);
    int BytesPerPixel() const { return FPixelFormat == pf32bit ? 4 : 3; }

    // Row Row (0 at the top), Width pixels of BytesPerPixel bytes. Rows are
    // padded to a multiple of 4 bytes; use ScanLine for each row. No check.
    std::uint8_t* ScanLine(int Row) { return FImage.scanLine(Row); }
    const std::uint8_t* ScanLine(int Row) const { return FImage.constScanLine(Row); }
    int BytesPerLine() const { return FImage.bytesPerLine(); }

    // Transparency marking: when Transparent is set, TBitmap32::Assign makes
    // the pixels of TransparentColor transparent.
    bool Transparent = false;
    TColor TransparentColor = clBlack;

    // The font of the bitmap's canvas.
    TFont& Font() { return FFont; }
    const TFont& Font() const { return FFont; }

    // The pixels as a QImage (Format_BGR888 or Format_ARGB32), shared with the
    // bitmap; null while empty.
    const QImage& Image() const { return FImage; }
    // Takes Image's size and pixels; the format follows the image: 32 bits
    // when it has an alpha channel, else 24 bits.
    void AssignImage(const QImage& Image);

    // Takes a pixel store: 32 bits, its size, pixels and font.
    void Assign(const TBitmap32& Source);

private:
    QImage::Format ImageFormat() const;

    int FWidth = 0;
    int FHeight = 0;
    TPixelFormat FPixelFormat = pf24bit;
    QImage FImage;
    TFont FFont;
};
