#include "codecs/uGifWriter.h"

#include <libimagequant.h>

#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <thread>

// The OpenMP runtime that libimagequant runs on, linked by name (CMakeLists.txt)
// so that a build with any compiler talks to that same one.
extern "C" {
int omp_get_max_threads(void);
void omp_set_num_threads(int count);
}

namespace {

constexpr int kMaxSide = 65535;
constexpr int kPaletteSize = 256;
// The least sample the quantiser counts colours in. Larger samples chose no
// better palettes for photo grids and took many times as long.
constexpr double kSamplePixels = 256 * 1024;
constexpr int kBandRows = 128;
constexpr int kMaxThreads = 8;
// libimagequant's own default. Faster settings made the photo grid's GIF
// visibly noisier (about 13 % more error at 8) for little time once the
// quantiser sees a sample.
constexpr int kQuantiserSpeed = 4;

[[noreturn]] void Fail(const std::string& why) {
    throw EPictureWriteError("GIF writer: " + why);
}

struct TLiqDeleter {
    void operator()(liq_attr* p) const { liq_attr_destroy(p); }
    void operator()(liq_image* p) const { liq_image_destroy(p); }
    void operator()(liq_result* p) const { liq_result_destroy(p); }
};
template <typename T> using TLiqPtr = std::unique_ptr<T, TLiqDeleter>;

int Distance(TRgb a, TRgb b) {
    const int dr = int((a >> 16) & 0xFF) - int((b >> 16) & 0xFF);
    const int dg = int((a >> 8) & 0xFF) - int((b >> 8) & 0xFF);
    const int db = int(a & 0xFF) - int(b & 0xFF);
    return dr * dr + dg * dg + db * db;
}

// The quantised picture: a palette of 256 colours laid out as the file holds it
// and one index per pixel.
struct TQuantised {
    std::array<TRgb, kPaletteSize> Palette{};
    std::vector<std::uint8_t> Indices;
};

// libimagequant shares some of its work among OpenMP threads, whose waiting
// threads spin: on a machine busy with other work that cost the photo grid's
// save more than a second. On the sample it counts, one thread does the work
// in a fraction of that. Set for the calling thread while it quantises.
class TOneQuantiserThread {
public:
    TOneQuantiserThread() : FPrevious(omp_get_max_threads()) { omp_set_num_threads(1); }
    ~TOneQuantiserThread() { omp_set_num_threads(FPrevious); }
    TOneQuantiserThread(const TOneQuantiserThread&) = delete;
    TOneQuantiserThread& operator=(const TOneQuantiserThread&) = delete;

private:
    int FPrevious;
};

// The quantiser's sample: every step-th row, and in each every step-th pixel,
// starting one pixel further right on each sampled row so that the sample
// does not line up with vertical patterns.
std::vector<liq_color> Sample(const TPixelView& picture, int step, int& width, int& height) {
    width = std::max(1, picture.Width / step);
    height = (picture.Height + step - 1) / step;
    std::vector<liq_color> rgba(std::size_t(width) * std::size_t(height));
    liq_color* out = rgba.data();
    for (int k = 0; k < height; ++k) {
        const std::uint32_t* src = picture.Row(k * step);
        const int first = step > 1 && picture.Width >= step ? k % step : 0;
        for (int j = 0; j < width; ++j) {
            const std::uint32_t p = src[first + j * step];
            // The quantiser sees every pixel opaque: alpha plays no part in the output.
            *out++ =
                liq_color{static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                          static_cast<unsigned char>(p), 255};
        }
    }
    return rgba;
}

TQuantised Quantise(const TPixelView& picture, const TGifPlan& plan) {
    int sampleWidth = 0, sampleHeight = 0;
    std::vector<liq_color> rgba =
        Sample(picture, std::max(1, plan.SampleStep), sampleWidth, sampleHeight);

    TLiqPtr<liq_attr> attr(liq_attr_create());
    if (!attr)
        Fail("cannot create the colour quantiser");
    if (liq_set_max_colors(attr.get(), kPaletteSize) != LIQ_OK ||
        liq_set_speed(attr.get(), kQuantiserSpeed) != LIQ_OK)
        Fail("cannot set up the colour quantiser");
    TLiqPtr<liq_image> image(
        liq_image_create_rgba(attr.get(), rgba.data(), sampleWidth, sampleHeight, 0));
    if (!image)
        Fail("the colour quantiser cannot take a picture of this size");
    // The static colours take part in the choice, so the other 236 complement them.
    for (TRgb c : StaticSystemColors)
        if (liq_image_add_fixed_color(image.get(), liq_color{static_cast<unsigned char>(c >> 16),
                                                             static_cast<unsigned char>(c >> 8),
                                                             static_cast<unsigned char>(c), 255}) !=
            LIQ_OK)
            Fail("cannot set up the colour quantiser");
    liq_result* rawResult = nullptr;
    liq_error quantised;
    {
        TOneQuantiserThread oneThread;
        quantised = liq_image_quantize(image.get(), attr.get(), &rawResult);
    }
    TLiqPtr<liq_result> result(rawResult);
    if (quantised == LIQ_OUT_OF_MEMORY)
        throw OutOfMemoryError("GIF writer");
    if (quantised != LIQ_OK || !result)
        Fail("colour quantisation failed (error " + std::to_string(int(quantised)) + ")");

    TQuantised out;
    const liq_palette* liqPalette = liq_get_palette(result.get());
    if (liqPalette == nullptr || liqPalette->count == 0 || liqPalette->count > kPaletteSize)
        Fail("the colour quantiser gave no palette");

    // Lay the palette out: the static colours at their places, the quantiser's
    // own colours in between. The quantiser keeps its fixed colours, so each
    // static colour is found among its entries; the entry nearest to it takes
    // its place should the quantiser have shifted it slightly.
    const unsigned liqCount = liqPalette->count;
    std::vector<TRgb> liqColors(liqCount);
    for (unsigned i = 0; i < liqCount; ++i) {
        const liq_color& c = liqPalette->entries[i];
        liqColors[i] = TRgb(c.r) << 16 | TRgb(c.g) << 8 | TRgb(c.b);
    }
    std::array<int, kPaletteSize> target;
    target.fill(-1);
    std::array<bool, kPaletteSize> slotTaken{};
    for (std::size_t s = 0; s < StaticSystemColors.size(); ++s) {
        const TRgb colour = StaticSystemColors[s];
        const int slot = StaticSystemColorIndex(static_cast<int>(s));
        out.Palette[static_cast<std::size_t>(slot)] = colour;
        slotTaken[static_cast<std::size_t>(slot)] = true;
        int best = -1;
        int bestDistance = std::numeric_limits<int>::max();
        for (unsigned i = 0; i < liqCount; ++i) {
            const int d = Distance(liqColors[i], colour);
            if (target[i] < 0 && d < bestDistance) {
                best = static_cast<int>(i);
                bestDistance = d;
            }
        }
        if (best >= 0 && bestDistance <= 3 * 2 * 2)
            target[static_cast<std::size_t>(best)] = slot;
    }
    int nextSlot = 10;
    for (unsigned i = 0; i < liqCount; ++i) {
        if (target[i] >= 0)
            continue;
        while (nextSlot < kPaletteSize && slotTaken[static_cast<std::size_t>(nextSlot)])
            ++nextSlot;
        if (nextSlot < kPaletteSize) {
            out.Palette[static_cast<std::size_t>(nextSlot)] = liqColors[i];
            slotTaken[static_cast<std::size_t>(nextSlot)] = true;
            target[i] = nextSlot;
        }
    }
    // Entries that found no free place (only possible had the quantiser dropped
    // a static colour) are left out: the dithering finds the nearest colour that
    // is in the file for their pixels.

    // Every pixel is mapped onto the colours as the file holds them.
    std::vector<TPaletteEntry> entries;
    for (int s = 0; s < kPaletteSize; ++s)
        if (slotTaken[static_cast<std::size_t>(s)])
            entries.push_back({out.Palette[static_cast<std::size_t>(s)], std::uint8_t(s)});
    out.Indices = DitherToPalette(picture, entries, plan.Dither);
    return out;
}

extern "C" int GifWriteData(GifFileType* gif, const GifByteType* data, int length) {
    auto* sink = static_cast<TWriterSink*>(gif->UserData);
    if (length < 0 || !sink->Append(data, static_cast<std::size_t>(length)))
        return 0; // a short write: giflib reports it as a write error
    return length;
}

struct TGifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};

void CheckGif(int status, GifFileType* gif, const TWriterSink& sink) {
    if (sink.Failed())
        throw OutOfMemoryError("GIF writer");
    if (status != GIF_OK) {
        const char* text = GifErrorString(gif->Error);
        Fail(text != nullptr ? text : "cannot encode the picture");
    }
}

} // namespace

TGifPlan PlanGif(int width, int height, int cores) {
    TGifPlan plan;
    const double pixels = double(std::max(width, 0)) * double(std::max(height, 0));
    plan.SampleStep = std::max(1, int(std::sqrt(pixels / kSamplePixels)));
    plan.Dither.BandRows = kBandRows;
    plan.Dither.Threads = std::clamp(cores, 1, kMaxThreads);
    return plan;
}

std::vector<std::uint8_t> EncodeGif(const TPixelView& picture) {
    return EncodeGif(
        picture, PlanGif(picture.Width, picture.Height, int(std::thread::hardware_concurrency())));
}

std::vector<std::uint8_t> EncodeGif(const TPixelView& picture, const TGifPlan& plan) try {
    CheckWritable(picture, "GIF writer", kMaxSide);
    const TQuantised quantised = Quantise(picture, plan);

    GifColorType colours[kPaletteSize];
    for (int i = 0; i < kPaletteSize; ++i) {
        const TRgb c = quantised.Palette[static_cast<std::size_t>(i)];
        colours[i] = GifColorType{static_cast<GifByteType>(c >> 16),
                                  static_cast<GifByteType>(c >> 8), static_cast<GifByteType>(c)};
    }
    std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)> map(
        GifMakeMapObject(kPaletteSize, colours), GifFreeMapObject);
    if (!map)
        throw OutOfMemoryError("GIF writer");

    TWriterSink sink;
    int error = 0;
    std::unique_ptr<GifFileType, TGifCloser> gif(EGifOpen(&sink, GifWriteData, &error));
    if (!gif) {
        const char* text = GifErrorString(error);
        Fail(text != nullptr ? text : "cannot create the GIF encoder");
    }
    CheckGif(EGifPutScreenDesc(gif.get(), picture.Width, picture.Height, 8, 0, map.get()),
             gif.get(), sink);
    CheckGif(EGifPutImageDesc(gif.get(), 0, 0, picture.Width, picture.Height, false, nullptr),
             gif.get(), sink);
    std::vector<GifPixelType> row(static_cast<std::size_t>(picture.Width));
    for (int y = 0; y < picture.Height; ++y) {
        const std::uint8_t* src =
            quantised.Indices.data() +
            static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.Width);
        row.assign(src, src + picture.Width);
        CheckGif(EGifPutLine(gif.get(), row.data(), picture.Width), gif.get(), sink);
    }
    GifFileType* raw = gif.release();
    const int closed = EGifCloseFile(raw, &error);
    // giflib does not check the write of the trailer byte, so the sink tells.
    if (sink.Failed())
        throw OutOfMemoryError("GIF writer");
    if (closed != GIF_OK) {
        const char* text = GifErrorString(error);
        Fail(text != nullptr ? text : "cannot finish the GIF file");
    }
    return sink.Take();
} catch (const std::bad_alloc&) {
    throw OutOfMemoryError("GIF writer");
}
