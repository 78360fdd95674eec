// Decoding speed of the picture readers on a photo-sized picture: JPEG at full
// size and at the reduced scales used for thumbnails, and PNG. Saving speed of
// the PNG and GIF writers on a merged grid of photo-like cells.
#include "codecs/uGifWriter.h"
#include "codecs/uJpegReader.h"
#include "codecs/uJpegWriter.h"
#include "codecs/uPngReader.h"
#include "codecs/uPngWriter.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int kWidth = 1600;
constexpr int kHeight = 1200;

// A photo-sized picture with smooth gradients and fine detail.
const std::vector<std::uint32_t>& Photo() {
    static const std::vector<std::uint32_t> pixels = [] {
        std::vector<std::uint32_t> p(std::size_t(kWidth) * kHeight);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                p[std::size_t(y) * kWidth + x] =
                    0xFF000000u | (std::uint32_t(x * 255 / kWidth) << 16) |
                    (std::uint32_t(y * 255 / kHeight) << 8) | std::uint32_t((x ^ y) & 0xFF);
        return p;
    }();
    return pixels;
}

const std::vector<std::uint8_t>& JpegFile() {
    static const std::vector<std::uint8_t> file =
        EncodeJpeg(TPixelView(kWidth, kHeight, Photo().data()), 90);
    return file;
}

const std::vector<std::uint8_t>& PngFile() {
    static const std::vector<std::uint8_t> file =
        EncodePng(TPixelView(kWidth, kHeight, Photo().data()), 6);
    return file;
}

void BM_DecodeJpeg(benchmark::State& state) {
    const std::vector<std::uint8_t>& file = JpegFile();
    TDecodeOptions options;
    options.JpegScale = static_cast<TJpegScale>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeJpeg(file.data(), file.size(), options));
    state.SetLabel("1/" + std::to_string(state.range(0)));
}
BENCHMARK(BM_DecodeJpeg)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_DecodePng(benchmark::State& state) {
    const std::vector<std::uint8_t>& file = PngFile();
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodePng(file.data(), file.size()));
}
BENCHMARK(BM_DecodePng)->Unit(benchmark::kMillisecond);

// The merged picture of 48 photos in 6 x 8 cells of 400 x 300 with a gap of 10
// on white, 3290 x 1870 pixels. Each cell is photo-like: smooth colour
// gradients, a soft bright patch and a horizon edge under a fine grain, which
// deflates and quantises about as camera photos scaled down do.
const std::vector<std::uint32_t>& MergedGrid(int& width, int& height) {
    constexpr int kCols = 8, kRows = 6, kCellW = 400, kCellH = 300, kGap = 10;
    width = kCols * kCellW + (kCols + 1) * kGap;
    height = kRows * kCellH + (kRows + 1) * kGap;
    static const std::vector<std::uint32_t> pixels = [&] {
        const int w = width, h = height;
        std::vector<std::uint32_t> p(std::size_t(w) * h, 0xFFFFFFFFu);
        std::uint32_t state = 2024;
        auto next = [&state](double range) { // uniform in [-range, range]
            state = state * 1664525u + 1013904223u;
            return (double(state >> 8) / double(1u << 24) * 2.0 - 1.0) * range;
        };
        for (int cell = 0; cell < kRows * kCols; ++cell) {
            const int x0 = kGap + (cell % kCols) * (kCellW + kGap);
            const int y0 = kGap + (cell / kCols) * (kCellH + kGap);
            double base[3], dx[3], dy[3], patch[3], below[3];
            for (int c = 0; c < 3; ++c) {
                base[c] = 128 + next(90);
                dx[c] = next(100) / kCellW;
                dy[c] = next(100) / kCellH;
                patch[c] = 40 + next(40);
                below[c] = next(60);
            }
            const double px = kCellW * (0.5 + next(0.4)), py = kCellH * (0.5 + next(0.4));
            const double radius = 70 + next(30);
            const double horizon = kCellH * (0.6 + next(0.3));
            for (int y = 0; y < kCellH; ++y)
                for (int x = 0; x < kCellW; ++x) {
                    const double d2 =
                        ((x - px) * (x - px) + (y - py) * (y - py)) / (radius * radius);
                    const double glow = 1.0 / (1.0 + d2);
                    const double grain = next(3);
                    std::uint32_t rgb = 0;
                    for (int c = 0; c < 3; ++c) {
                        double v =
                            base[c] + dx[c] * x + dy[c] * y + patch[c] * glow + grain + next(1);
                        if (y > horizon)
                            v += below[c];
                        const int q = v < 0 ? 0 : v > 255 ? 255 : int(v);
                        rgb = rgb << 8 | std::uint32_t(q);
                    }
                    p[std::size_t(y0 + y) * w + std::size_t(x0 + x)] = 0xFF000000u | rgb;
                }
        }
        return p;
    }();
    return pixels;
}

TPixelView MergedGridView() {
    int width = 0, height = 0;
    const std::vector<std::uint32_t>& pixels = MergedGrid(width, height);
    return TPixelView(width, height, pixels.data());
}

void BM_SavePng(benchmark::State& state) {
    const TPixelView picture = MergedGridView();
    std::size_t size = 0;
    for (auto _ : state)
        size = EncodePng(picture, int(state.range(0))).size();
    state.SetLabel("level " + std::to_string(state.range(0)) + ", " + std::to_string(size / 1024) +
                   " KiB");
}
BENCHMARK(BM_SavePng)->Arg(9)->Arg(6)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same at level 9 as one stream on one thread, as small pictures are saved.
void BM_SavePngOneStream(benchmark::State& state) {
    const TPixelView picture = MergedGridView();
    std::size_t size = 0;
    for (auto _ : state)
        size = EncodePng(picture, 9, TPngDeflatePlan{}).size();
    state.SetLabel("level 9, " + std::to_string(size / 1024) + " KiB");
}
BENCHMARK(BM_SavePngOneStream)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SaveGif(benchmark::State& state) {
    const TPixelView picture = MergedGridView();
    std::size_t size = 0;
    for (auto _ : state)
        size = EncodeGif(picture).size();
    state.SetLabel(std::to_string(size / 1024) + " KiB");
}
BENCHMARK(BM_SaveGif)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
