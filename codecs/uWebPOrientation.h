// The EXIF orientation of a WebP file, which the WebP decoder does not apply.
#pragma once

#include "codecs/TDecodedPicture.h"

#include <cstddef>
#include <cstdint>

// The orientation (1..8) in the EXIF chunk of a WebP file's RIFF container;
// 1 (upright) when the data is not a WebP file, has no EXIF chunk, or a chunk
// before it claims more bytes than there are.
int WebPOrientation(const std::uint8_t* data, std::size_t size);

class TBudgetClaim;

// Turns a picture decoded from the WebP file data upright by that orientation,
// in place (see ApplyExifOrientation, which adds its bytes to claim).
void ApplyWebPOrientation(TDecodedPicture& picture, const std::uint8_t* data, std::size_t size,
                          TBudgetClaim* claim = nullptr);
