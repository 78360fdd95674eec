#include "codecs/uPaletteDither.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace {

constexpr int kCellsPerSide = 32; // cells of 8 levels a channel
constexpr int kCellCount = kCellsPerSide * kCellsPerSide * kCellsPerSide;
// The rows a band diffuses above itself, its indices thrown away.
constexpr int kLeadRows = 8;
// A pixel passes on its error less an eighth of its first 32 levels. All of
// it gave the photo grids more grain than libimagequant's own remapping (5 to
// 15 % more difference pixel by pixel); damped so, the small errors of smooth
// areas leave less grain, and small areas keep their colour within 3 % of that
// remapping. Large errors, where the palette is sparse, go on nearly whole, so
// that the mix of colours there keeps the area's level.
constexpr int kDampedLevels = 32;

int Channel(TRgb colour, int c) {
    return int(colour >> (16 - 8 * c) & 0xFF);
}

} // namespace

TNearestColour::TNearestColour(const std::vector<TPaletteEntry>& palette) {
    if (palette.empty())
        throw std::invalid_argument("an empty palette");
    const int count = int(palette.size());
    FChannels.resize(3 * palette.size());
    for (int e = 0; e < count; ++e)
        for (int c = 0; c < 3; ++c)
            FChannels[std::size_t(3 * e + c)] =
                std::int16_t(Channel(palette[std::size_t(e)].Colour, c));
    // Per channel, entry and cell position: the least and the largest squared
    // difference between the entry's level and the levels of the cell.
    std::vector<int> nearSq(std::size_t(3 * count * kCellsPerSide));
    std::vector<int> farSq(nearSq.size());
    for (int c = 0; c < 3; ++c)
        for (int e = 0; e < count; ++e)
            for (int k = 0; k < kCellsPerSide; ++k) {
                const int v = FChannels[std::size_t(3 * e + c)];
                const int lo = 8 * k, hi = 8 * k + 7;
                const int near = v < lo ? lo - v : v > hi ? v - hi : 0;
                const int far = std::max(v - lo, hi - v);
                const std::size_t at = std::size_t((c * count + e) * kCellsPerSide + k);
                nearSq[at] = near * near;
                farSq[at] = far * far;
            }
    auto table = [&](const std::vector<int>& t, int c, int e, int k) {
        return t[std::size_t((c * count + e) * kCellsPerSide + k)];
    };

    FFirst.resize(kCellCount + 1);
    FCandidates.reserve(std::size_t(kCellCount) * 4);
    for (int cell = 0; cell < kCellCount; ++cell) {
        const int kr = cell >> 10, kg = cell >> 5 & 31, kb = cell & 31;
        // No colour of the cell is farther than this from its nearest entry...
        int limit = INT_MAX;
        for (int e = 0; e < count; ++e)
            limit = std::min(limit, table(farSq, 0, e, kr) + table(farSq, 1, e, kg) +
                                        table(farSq, 2, e, kb));
        // ...so an entry nearer to none of its colours can be left out.
        FFirst[std::size_t(cell)] = std::uint32_t(FCandidates.size());
        for (int e = 0; e < count; ++e)
            if (table(nearSq, 0, e, kr) + table(nearSq, 1, e, kg) + table(nearSq, 2, e, kb) <=
                limit)
                FCandidates.push_back(std::uint16_t(e));
    }
    FFirst[kCellCount] = std::uint32_t(FCandidates.size());
}

namespace {

// Diffuses one band and writes the indices of its own rows.
void DitherBand(const TPixelView& picture, const std::vector<TPaletteEntry>& palette,
                const TNearestColour& nearest, int first, int last, std::uint8_t* indices) {
    const int width = picture.Width;
    // The error each pixel of this row and the next receives, in 1/256 of a
    // level, with a pixel of margin at both ends.
    std::vector<int> here(3 * std::size_t(width + 2)), next(here.size());
    std::vector<int> levels(3 * palette.size());
    for (std::size_t e = 0; e < palette.size(); ++e)
        for (int c = 0; c < 3; ++c)
            levels[3 * e + std::size_t(c)] = Channel(palette[e].Colour, c);

    for (int y = std::max(0, first - kLeadRows); y < last; ++y) {
        std::fill(next.begin(), next.end(), 0);
        const std::uint32_t* src = picture.Row(y);
        std::uint8_t* out = y >= first ? indices + std::size_t(y) * std::size_t(width) : nullptr;
        const bool leftward = (y & 1) != 0;
        const int step = leftward ? -1 : 1;
        for (int i = 0; i < width; ++i) {
            const int x = leftward ? width - 1 - i : i;
            const std::uint32_t p = src[x];
            int* e = here.data() + 3 * (x + 1);
            int want[3] = {int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)};
            for (int c = 0; c < 3; ++c)
                want[c] = std::clamp(want[c] + ((e[c] + 128) >> 8), 0, 255);
            const int chosen = nearest.Find(want[0], want[1], want[2]);
            if (out != nullptr)
                out[x] = palette[std::size_t(chosen)].Index;
            const int* level = levels.data() + 3 * chosen;
            int* ahead = e + 3 * step;
            int* below = next.data() + 3 * (x + 1);
            for (int c = 0; c < 3; ++c) {
                const int difference = want[c] - level[c];
                const int error =
                    16 * difference - 2 * std::clamp(difference, -kDampedLevels, kDampedLevels);
                ahead[c] += 7 * error;
                below[c - 3 * step] += 3 * error;
                below[c] += 5 * error;
                below[c + 3 * step] += error;
            }
        }
        std::swap(here, next);
    }
}

} // namespace

std::vector<std::uint8_t> DitherToPalette(const TPixelView& picture,
                                          const std::vector<TPaletteEntry>& palette,
                                          const TDitherPlan& plan) {
    const TNearestColour nearest(palette);
    std::vector<std::uint8_t> indices(std::size_t(picture.Width) * std::size_t(picture.Height));
    const int bandRows = plan.BandRows > 0 ? plan.BandRows : std::max(1, picture.Height);
    const int bands = (picture.Height + bandRows - 1) / bandRows;

    std::atomic<int> nextBand{0};
    std::mutex errorLock;
    std::exception_ptr error;
    auto work = [&]() noexcept {
        try {
            for (int band = nextBand++; band < bands; band = nextBand++)
                DitherBand(picture, palette, nearest, band * bandRows,
                           std::min(picture.Height, (band + 1) * bandRows), indices.data());
        } catch (...) {
            std::lock_guard<std::mutex> lock(errorLock);
            if (!error)
                error = std::current_exception();
            nextBand = bands; // the others stop after their band
        }
    };
    std::vector<std::thread> helpers;
    const int threads = std::min(plan.Threads, bands);
    helpers.reserve(std::size_t(std::max(0, threads - 1)));
    for (int i = 1; i < threads; ++i) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break; // the threads there are do all bands
        }
    }
    work();
    for (std::thread& t : helpers)
        t.join();
    if (error)
        std::rethrow_exception(error);
    return indices;
}
