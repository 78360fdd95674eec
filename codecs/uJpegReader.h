// JPEG reader (libjpeg): greyscale, RGB/YCbCr, CMYK/YCCK, baseline, progressive
// and arithmetic coded files. The EXIF orientation is applied.
#pragma once

#include "codecs/TDecodedPicture.h"
#include "codecs/uCodecCommon.h"

#include <cstddef>
#include <cstdint>
#include <string>

// Decodes at the options' JpegScale (full size by default). The result is opaque
// and Drawn. Truncated or damaged entropy data is an error, not a grey picture.
TDecodedPicture DecodeJpeg(const std::uint8_t* data, std::size_t size,
                           const TDecodeOptions& options = {});
TDecodedPicture DecodeJpegFile(const std::string& path, const TDecodeOptions& options = {});
