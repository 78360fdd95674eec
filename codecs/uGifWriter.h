// The GIF writer: one frame with a 256-entry global palette. The first and last
// ten entries are the static system colours (StaticSystemColors), the 236 between
// them are chosen from the picture's own colours by a colour quantiser, and every
// pixel is mapped onto the palette with Floyd-Steinberg error diffusion.
#pragma once

#include "codecs/uPaletteDither.h"
#include "codecs/uWriterCommon.h"

#include <cstdint>
#include <vector>

// How EncodeGif works through a picture: the quantiser counts the colours of
// every SampleStep-th pixel of every SampleStep-th row (1: of every pixel), and
// the error diffusion runs in bands on several threads.
struct TGifPlan {
    int SampleStep = 1;
    TDitherPlan Dither;
};

// The plan EncodeGif(picture) follows with `cores` processor cores: a sample
// of at least 256 Ki pixels, bands of 128 rows, up to 8 threads. The file
// depends on the picture alone, not on the cores.
TGifPlan PlanGif(int width, int height, int cores);

// Encodes red, green and blue of the picture; throws EPictureWriteError.
std::vector<std::uint8_t> EncodeGif(const TPixelView& picture);
std::vector<std::uint8_t> EncodeGif(const TPixelView& picture, const TGifPlan& plan);
