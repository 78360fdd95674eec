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

// The bytes of coefficients that decoding a progressive JPEG holds while it
// reads the file: two for each sample of every component at full size, whatever
// the reduced scale. Taken from the frame header, which must start within the
// first MiB; the segments before it are skipped, not read. 0 for a baseline
// JPEG, for data that is not a JPEG and when no frame header comes in time.
std::size_t ProgressiveJpegCoefficientBytes(const std::uint8_t* data, std::size_t size);
// The same for a file, reading no more than the segment headers up to the frame
// header; 0 also when the file cannot be read or is not a regular file.
std::size_t ProgressiveJpegCoefficientBytes(const std::string& path);
