// Reader for layered editor documents (.psd, .pdd): the merged composite image
// that such files store after their layers. Colour modes bitmap, grey, duotone
// (as grey), indexed, RGB and CMYK; 8 and 16 bits per sample (1 for bitmap);
// raw and run-length (PackBits) compressed data.
#pragma once

#include "codecs/TDecodedPicture.h"
#include "codecs/uCodecCommon.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The picture is a bitmap. It has alpha only when the file says that its first
// extra channel is the transparency of the merged image (a negative layer count).
TDecodedPicture DecodePsd(const std::uint8_t* data, std::size_t size,
                          const TDecodeOptions& options = {});
TDecodedPicture DecodePsdFile(const std::string& path, const TDecodeOptions& options = {});
