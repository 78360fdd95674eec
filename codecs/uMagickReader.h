// Reader for the formats that GraphicsMagick decodes (BMP, TGA, PCX, SGI, PNM, ICO,
// CUT, PCD, RLA, EPS, WMF, WebP, HEIF, AVIF and others). The format is always
// named by the caller, never guessed from the data, so that an extension means
// what our table says it means.
#pragma once

#include "codecs/TDecodedPicture.h"
#include "codecs/uCodecCommon.h"

#include <cstddef>
#include <cstdint>
#include <string>

// format is a GraphicsMagick format name such as "BMP" or "TGA". The picture is
// a bitmap; HasAlpha when the image has an alpha channel that is not entirely
// clear. Safe to call from several threads at once.
TDecodedPicture DecodeWithMagick(const std::uint8_t* data, std::size_t size, const char* format,
                                 const TDecodeOptions& options = {});

// True when this build of GraphicsMagick has a decoder for the format.
bool MagickCanDecode(const char* format);
