// The one entry point that picks a picture writer by save format. Including this
// also brings what every writer shares (the picture view, the error type).
#pragma once

#include "codecs/uWriterCommon.h"

#include <cstdint>
#include <vector>

// The save formats, numbered as the file types of the save dialog.
enum class TSaveFormat { Jpeg = 1, Png = 2, Bmp = 3, Gif = 4 };

// The save format of a 1-based file type index; throws std::invalid_argument
// for any other index.
TSaveFormat SaveFormatFromFilterIndex(int filterIndex);

// The settings that shape the output.
struct TSaveOptions {
    int JpgCompress = 100; // JPEG quality, 0..100
    int PngCompress = 9;   // zlib level, 0..9
    int MaxColor = 3;      // BMP depth: 0 4 bits, 1 8 bits, 2 16 bits, 3 24 bits
};

// Encodes the picture in the given format; the bytes of the whole file.
std::vector<std::uint8_t> EncodePicture(TSaveFormat format, const TPixelView& picture,
                                        const TSaveOptions& options);
