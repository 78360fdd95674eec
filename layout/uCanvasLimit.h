// Whether a new picture's canvas fits the pixel store, checked before a
// command lets go of the picture it would replace.
#pragma once

#include <cstdint>
#include <string>

// The message that refuses a canvas of Width x Height pixels (any 64-bit
// sides), or "" when the pixel store can hold it. A side of 0 or less makes an
// empty canvas, which it can.
std::string CanvasSizeRefusal(std::int64_t Width, std::int64_t Height);
