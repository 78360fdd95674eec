// The alpha bytes of 32-bit Windows icons, which the icon decoder leaves aside.
#pragma once

#include "codecs/TDecodedPicture.h"

#include <cstddef>
#include <cstdint>

// GraphicsMagick takes the transparency of icons from their AND mask alone; a
// 32-bit icon also carries an alpha byte per pixel, which this applies to the
// decoded picture. The picture is the first of the largest sizes in the icon
// file data; its directory entry is found by the same rule, and used only when
// its bitmap is an uncompressed 32-bit one of the picture's size whose alpha
// bytes are not all zero (an old icon, whose mask decides). An icon directory
// that does not add up leaves the picture as it is.
void ApplyIconAlpha(TDecodedPicture& picture, const std::uint8_t* data, std::size_t size);
