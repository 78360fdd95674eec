// PNG reader (libpng): every colour type and bit depth, interlaced files and tRNS.
// 16-bit samples are reduced to 8 by keeping their high byte.
#pragma once

#include "codecs/TDecodedPicture.h"
#include "codecs/uCodecCommon.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The pixels hold the decoded colour of every pixel, unblended, with the alpha
// of the file (alpha channel, or tRNS expanded to alpha 0/255 or palette alpha).
// Png describes the transparency as the file declares it; the picture is Drawn.
// An EXIF orientation in an eXIf chunk ahead of the image data is applied; the
// other chunks that do not shape the pixels (text, colour profiles and the like)
// are skipped unread. A chunk longer than the rest of the data is Corrupt.
TDecodedPicture DecodePng(const std::uint8_t* data, std::size_t size,
                          const TDecodeOptions& options = {});
TDecodedPicture DecodePngFile(const std::string& path, const TDecodeOptions& options = {});

// True when the data starts with the first four bytes of the PNG signature.
bool HasPngSignature(const std::uint8_t* data, std::size_t size);
