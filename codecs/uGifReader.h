// GIF reader (giflib): the first frame, interlaced or not, on the logical screen.
#pragma once

#include "codecs/TDecodedPicture.h"
#include "codecs/uCodecCommon.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The picture has the size of the logical screen (or of the first frame when the
// screen has no size). Transparent pixels and the screen outside the frame are
// white with alpha 0, so that they come out white however the picture is used.
// The picture is Drawn.
TDecodedPicture DecodeGif(const std::uint8_t* data, std::size_t size,
                          const TDecodeOptions& options = {});
TDecodedPicture DecodeGifFile(const std::string& path, const TDecodeOptions& options = {});
