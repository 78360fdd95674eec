// The PNG writer: truecolour (colour type 2), 8 bits per sample, not interlaced,
// no transparency chunk, every row filtered with Sub, image data in IDAT chunks
// of at most 65535 bytes.
#pragma once

#include "codecs/uWriterCommon.h"

#include <cstdint>
#include <vector>

// The largest IDAT chunk the writer emits.
constexpr int PngMaxIdatSize = 65535;

// Encodes red, green and blue of the picture; level is the zlib compression level
// 0..9 (0 stores the data uncompressed; values outside are clamped). Throws
// EPictureWriteError.
std::vector<std::uint8_t> EncodePng(const TPixelView& picture, int level);
