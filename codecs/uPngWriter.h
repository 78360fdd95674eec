// The PNG writer: truecolour (colour type 2), 8 bits per sample, not interlaced,
// no transparency chunk, every row filtered with Sub, image data in IDAT chunks
// of at most 65535 bytes.
#pragma once

#include "codecs/uWriterCommon.h"

#include <cstdint>
#include <vector>

// The largest IDAT chunk the writer emits.
constexpr int PngMaxIdatSize = 65535;

// How the image data is deflated. RowsPerStrip 0: as one stream on the calling
// thread. Otherwise in strips of that many rows on Threads threads, joined into
// one stream (uStripDeflate.h): a file a little larger, made that many times
// faster. Level 0 always takes the single stream.
struct TPngDeflatePlan {
    int RowsPerStrip = 0;
    int Threads = 1;
};

// The plan EncodePng(picture, level) follows with `cores` processor cores:
// one stream for level 0 and for pictures of less than 512 KiB of image data;
// otherwise strips of 256 KiB to 1 MiB, sixteen where the picture allows, on
// as many threads as cores, up to 8. The strips, and so the file, do not
// depend on the cores.
TPngDeflatePlan PlanPngDeflate(int width, int height, int level, int cores);

// Encodes red, green and blue of the picture; level is the zlib compression level
// 0..9 (0 stores the data uncompressed; values outside are clamped). Uses every
// core for large pictures. Throws EPictureWriteError.
std::vector<std::uint8_t> EncodePng(const TPixelView& picture, int level);
std::vector<std::uint8_t> EncodePng(const TPixelView& picture, int level,
                                    const TPngDeflatePlan& plan);
