// Decoding speed of the picture readers on a photo-sized picture: JPEG at full
// size and at the reduced scales used for thumbnails, and PNG.
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

} // namespace

BENCHMARK_MAIN();
