// The GIF writer: one frame with a 256-entry global palette. The first and last
// ten entries are the static system colours (StaticSystemColors), the 236 between
// them are chosen from the picture's own colours by a colour quantiser, and every
// pixel is mapped onto the palette with Floyd-Steinberg error diffusion.
#pragma once

#include "codecs/uWriterCommon.h"

#include <cstdint>
#include <vector>

// Encodes red, green and blue of the picture; throws EPictureWriteError.
std::vector<std::uint8_t> EncodeGif(const TPixelView& picture);
