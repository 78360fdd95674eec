// Maps a picture onto a palette with Floyd-Steinberg error diffusion.
#pragma once

#include "codecs/uWriterCommon.h"

#include <cstdint>
#include <vector>

// A colour of the palette and the index the picture gives it.
struct TPaletteEntry {
    TRgb Colour = 0;
    std::uint8_t Index = 0;
};

// Finds the palette entry nearest to a colour (the least sum of squared
// channel differences; of equals, the one listed first). Exact: the colour
// cube is cut into cells of 8 x 8 x 8, and each cell keeps only the entries
// that can be nearest to some colour inside it.
class TNearestColour {
public:
    // At least one entry.
    explicit TNearestColour(const std::vector<TPaletteEntry>& palette);

    // The position in the palette of the entry nearest to r, g, b (each 0..255).
    int Find(int r, int g, int b) const {
        const std::uint32_t cell =
            std::uint32_t(r >> 3) << 10 | std::uint32_t(g >> 3) << 5 | std::uint32_t(b >> 3);
        const std::uint16_t* at = FCandidates.data() + FFirst[cell];
        const std::uint16_t* end = FCandidates.data() + FFirst[cell + 1];
        int best = *at;
        int bestDistance = Distance(best, r, g, b);
        for (++at; at != end; ++at) {
            const int d = Distance(*at, r, g, b);
            if (d < bestDistance) {
                bestDistance = d;
                best = *at;
            }
        }
        return best;
    }

private:
    int Distance(int entry, int r, int g, int b) const {
        const std::int16_t* c = FChannels.data() + 3 * entry;
        return (r - c[0]) * (r - c[0]) + (g - c[1]) * (g - c[1]) + (b - c[2]) * (b - c[2]);
    }

    std::vector<std::int16_t> FChannels;    // red, green, blue of each entry
    std::vector<std::uint32_t> FFirst;      // per cell, where its candidates begin
    std::vector<std::uint16_t> FCandidates; // entry positions, in palette order per cell
};

// How the picture is cut for the error diffusion: bands of BandRows rows (0:
// one band) diffused apart, on up to Threads threads. Each band after the first
// starts a few rows above itself, so that the error it carries into its first
// row is like the one the rows above would have passed on. The indices depend
// on the bands, never on the threads.
struct TDitherPlan {
    int BandRows = 0;
    int Threads = 1;
};

// The palette index of every pixel, rows from the top: each pixel's colour plus
// the error diffused to it is mapped onto the nearest entry, and the difference
// goes on to its neighbours, 7/16 of it ahead, 3/16, 5/16 and 1/16 on the next
// row, rows running left and right in turn. Of the difference, an eighth of
// its first 32 levels a channel is dropped, which keeps the grain of smooth
// areas down. Throws std::bad_alloc.
std::vector<std::uint8_t> DitherToPalette(const TPixelView& picture,
                                          const std::vector<TPaletteEntry>& palette,
                                          const TDitherPlan& plan);
