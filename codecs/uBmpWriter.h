// The BMP writer: an uncompressed Windows bitmap file of 4, 8, 16 or 24 bits per
// pixel, rows bottom-up, each padded to four bytes.
//   4 bits: the 16 standard colours, each pixel mapped to the nearest of them;
//   8 bits: the 256-colour halftone palette below, nearest colour;
//   16 bits: BI_BITFIELDS with red 0xF800, green 0x07E0, blue 0x001F (each
//            channel truncated to its bits);
//   24 bits: blue, green, red.
#pragma once

#include "codecs/uWriterCommon.h"

#include <array>
#include <cstdint>
#include <vector>

// The depth for the MaxColor setting: 0 -> 4, 1 -> 8, 2 -> 16, 3 -> 24. Values
// outside 0..3 give 24 bits.
int BmpBitsForMaxColor(int maxColor);

// The halftone palette of 8-bit pictures: indices 0..215 are the 6 x 6 x 6 colour
// cube with the levels 0, 51, 102, 153, 204, 255 (index = 36 r + 6 g + b, by level
// number); indices 216..255 are 40 greys, eight evenly spaced between each pair of
// neighbouring cube levels (a * 51 + round(j * 51 / 9), j = 1..8).
const std::array<TRgb, 256>& HalftonePalette();

// The index of the nearest entry (least squared distance in RGB; the lower index
// on a tie) of StandardColors16 and of HalftonePalette().
int NearestStandardColor(TRgb color);
int NearestHalftoneColor(TRgb color);

// Encodes the picture at 4, 8, 16 or 24 bits per pixel; throws EPictureWriteError
// for another depth or a picture too large for the format.
std::vector<std::uint8_t> EncodeBmp(const TPixelView& picture, int bitsPerPixel);
