// The JPEG writer: a baseline JFIF file, three components, no progressive scans.
#pragma once

#include "codecs/uWriterCommon.h"

#include <cstdint>
#include <vector>

// Encodes red, green and blue of the picture at the given quality (0..100, taken
// through the library's standard quality scaling with baseline tables forced; 0
// gives its lowest quality, values outside the range are clamped). Throws
// EPictureWriteError.
std::vector<std::uint8_t> EncodeJpeg(const TPixelView& picture, int quality);
