// Decoding speed of the picture readers on a photo-sized picture: JPEG at full
// size and at the reduced scales used for thumbnails, and PNG.
#include "codecs/uJpegReader.h"
#include "codecs/uPngReader.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include <jpeglib.h>
#include <png.h>

namespace {

constexpr int kWidth = 1600;
constexpr int kHeight = 1200;

std::vector<std::uint8_t> Photo() {
    std::vector<std::uint8_t> rgb(std::size_t(kWidth) * kHeight * 3);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t* p = rgb.data() + (std::size_t(y) * kWidth + x) * 3;
            p[0] = std::uint8_t(x * 255 / kWidth);
            p[1] = std::uint8_t(y * 255 / kHeight);
            p[2] = std::uint8_t((x ^ y) & 0xFF);
        }
    return rgb;
}

const std::vector<std::uint8_t>& JpegFile() {
    static const std::vector<std::uint8_t> file = [] {
        const std::vector<std::uint8_t> rgb = Photo();
        jpeg_compress_struct c{};
        jpeg_error_mgr err{};
        c.err = jpeg_std_error(&err);
        jpeg_create_compress(&c);
        unsigned char* buffer = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&c, &buffer, &size);
        c.image_width = kWidth;
        c.image_height = kHeight;
        c.input_components = 3;
        c.in_color_space = JCS_RGB;
        jpeg_set_defaults(&c);
        jpeg_set_quality(&c, 90, TRUE);
        jpeg_start_compress(&c, TRUE);
        while (c.next_scanline < c.image_height) {
            JSAMPROW row =
                const_cast<JSAMPROW>(rgb.data() + std::size_t(c.next_scanline) * kWidth * 3);
            jpeg_write_scanlines(&c, &row, 1);
        }
        jpeg_finish_compress(&c);
        jpeg_destroy_compress(&c);
        std::vector<std::uint8_t> out(buffer, buffer + size);
        std::free(buffer);
        return out;
    }();
    return file;
}

void WriteToVector(png_structp png, png_bytep data, png_size_t size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}

const std::vector<std::uint8_t>& PngFile() {
    static const std::vector<std::uint8_t> file = [] {
        const std::vector<std::uint8_t> rgb = Photo();
        std::vector<std::uint8_t> out;
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_write_fn(png, &out, WriteToVector, nullptr);
        png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < kHeight; ++y)
            png_write_row(png, rgb.data() + std::size_t(y) * kWidth * 3);
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
        return out;
    }();
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
