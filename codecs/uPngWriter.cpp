#include "codecs/uPngWriter.h"

#include "codecs/uStripDeflate.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <new>
#include <thread>

#include <png.h>
#include <zlib.h>

namespace {

// libpng's default limit on either side; readers built with it refuse more.
constexpr int kMaxSide = std::min(PNG_USER_WIDTH_MAX, PNG_USER_HEIGHT_MAX);

// Strips of image data between these sizes, as many as kStrips where the
// picture allows; a picture with less than two of the smallest is deflated as
// one stream. The strips depend on the picture alone, so that every machine
// writes the same file.
constexpr std::size_t kMinStripBytes = 256 * 1024;
constexpr std::size_t kMaxStripBytes = 1024 * 1024;
constexpr std::size_t kStrips = 16;
// More threads than this would hold more strips in memory for little gain.
constexpr int kMaxThreads = 8;

// Everything libpng touches lives here, outside the frame that calls setjmp.
struct TPngJob {
    png_structp Png;
    png_infop Info;
    const std::uint32_t* Pixels;
    int Width;
    int Height;
    int Level;
    unsigned char* RowBuffer; // Width * 3 bytes, owned by the caller
    TWriterSink* Sink;        // owned by the caller
    char Message[256];
};

extern "C" void PngWriteData(png_structp png, png_bytep data, png_size_t length) {
    TPngJob* job = static_cast<TPngJob*>(png_get_io_ptr(png));
    if (!job->Sink->Append(data, length))
        png_error(png, "cannot store the file"); // the caller reports the sink's failure
}

extern "C" void PngFlush(png_structp) {}

extern "C" void PngError(png_structp png, png_const_charp message) {
    TPngJob* job = static_cast<TPngJob*>(png_get_error_ptr(png));
    std::strncpy(job->Message, message, sizeof job->Message - 1);
    job->Message[sizeof job->Message - 1] = '\0';
    png_longjmp(png, 1);
}

extern "C" void PngWarning(png_structp, png_const_charp) {}

// C-style: no object with a destructor is alive here. Returns false with the
// library's message in job->Message on failure.
bool CompressPng(TPngJob* job) {
    job->Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, job, PngError, PngWarning);
    if (job->Png == nullptr) {
        std::strcpy(job->Message, "cannot create the PNG encoder");
        return false;
    }
    job->Info = png_create_info_struct(job->Png);
    if (job->Info == nullptr) {
        png_destroy_write_struct(&job->Png, nullptr);
        std::strcpy(job->Message, "cannot create the PNG encoder");
        return false;
    }
    if (setjmp(png_jmpbuf(job->Png))) {
        png_destroy_write_struct(&job->Png, &job->Info);
        return false;
    }
    png_set_write_fn(job->Png, job, PngWriteData, PngFlush);
    png_set_IHDR(job->Png, job->Info, static_cast<png_uint_32>(job->Width),
                 static_cast<png_uint_32>(job->Height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(job->Png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_compression_level(job->Png, job->Level);
    // The compressed data goes out in IDAT chunks of this size (the last one shorter).
    png_set_compression_buffer_size(job->Png, PngMaxIdatSize);
    png_write_info(job->Png, job->Info);
    for (int y = 0; y < job->Height; ++y) {
        const std::uint32_t* src =
            job->Pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(job->Width);
        unsigned char* dst = job->RowBuffer;
        for (int x = 0; x < job->Width; ++x) {
            const std::uint32_t p = src[x];
            *dst++ = static_cast<unsigned char>(p >> 16);
            *dst++ = static_cast<unsigned char>(p >> 8);
            *dst++ = static_cast<unsigned char>(p);
        }
        png_write_row(job->Png, job->RowBuffer);
    }
    png_write_end(job->Png, job->Info);
    png_destroy_write_struct(&job->Png, &job->Info);
    return true;
}

std::vector<std::uint8_t> EncodeSingleStream(const TPixelView& picture, int level) {
    std::vector<unsigned char> row(static_cast<std::size_t>(picture.Width) * 3);
    TWriterSink sink;
    TPngJob job;
    std::memset(&job, 0, sizeof job);
    job.Sink = &sink;
    job.Pixels = picture.Pixels;
    job.Width = picture.Width;
    job.Height = picture.Height;
    job.Level = level;
    job.RowBuffer = row.data();
    if (!CompressPng(&job)) {
        if (sink.Failed())
            throw OutOfMemoryError("PNG writer");
        throw EPictureWriteError(std::string("PNG writer: ") + job.Message);
    }
    return sink.Take();
}

// Writes chunks into the sink: the image data cut into IDAT chunks of
// PngMaxIdatSize bytes, as libpng cuts them with its buffer of that size.
class TPngChunks {
public:
    explicit TPngChunks(TWriterSink& sink) : FSink(sink) { FPending.reserve(PngMaxIdatSize); }

    bool Chunk(const char* type, const std::uint8_t* data, std::size_t length) {
        std::uint8_t head[8] = {std::uint8_t(length >> 24), std::uint8_t(length >> 16),
                                std::uint8_t(length >> 8),  std::uint8_t(length),
                                std::uint8_t(type[0]),      std::uint8_t(type[1]),
                                std::uint8_t(type[2]),      std::uint8_t(type[3])};
        uLong crc = crc32(0, head + 4, 4);
        if (length > 0)
            crc = crc32_z(crc, data, length);
        const std::uint8_t tail[4] = {std::uint8_t(crc >> 24), std::uint8_t(crc >> 16),
                                      std::uint8_t(crc >> 8), std::uint8_t(crc)};
        return FSink.Append(head, 8) && FSink.Append(data, length) && FSink.Append(tail, 4);
    }

    bool ImageData(const std::uint8_t* data, std::size_t length) {
        while (length > 0) {
            const std::size_t take = std::min(length, PngMaxIdatSize - FPending.size());
            FPending.insert(FPending.end(), data, data + take);
            data += take;
            length -= take;
            if (FPending.size() == std::size_t(PngMaxIdatSize) && !FlushImageData())
                return false;
        }
        return true;
    }

    bool FlushImageData() {
        if (FPending.empty())
            return true;
        const bool ok = Chunk("IDAT", FPending.data(), FPending.size());
        FPending.clear();
        return ok;
    }

private:
    TWriterSink& FSink;
    std::vector<std::uint8_t> FPending;
};

// The same file as libpng makes (IHDR, IDAT chunks, IEND), its image data
// deflated in strips on several threads.
std::vector<std::uint8_t> EncodeInStrips(const TPixelView& picture, int level,
                                         const TPngDeflatePlan& plan) {
    TWriterSink sink;
    TPngChunks chunks(sink);
    static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    const std::uint32_t w = std::uint32_t(picture.Width), h = std::uint32_t(picture.Height);
    const std::uint8_t ihdr[13] = {std::uint8_t(w >> 24),
                                   std::uint8_t(w >> 16),
                                   std::uint8_t(w >> 8),
                                   std::uint8_t(w),
                                   std::uint8_t(h >> 24),
                                   std::uint8_t(h >> 16),
                                   std::uint8_t(h >> 8),
                                   std::uint8_t(h),
                                   8,  // bits per sample
                                   2,  // truecolour
                                   0,  // deflate
                                   0,  // adaptive filtering, Sub on every row
                                   0}; // not interlaced
    const std::size_t rowBytes = 1 + 3 * std::size_t(picture.Width);
    const int width = picture.Width;
    const TRowMaker subFiltered = [&picture, width](int y, std::uint8_t* out) {
        // libpng leaves a row of one pixel unfiltered, which is the same data.
        *out++ = width > 1 ? 1 : 0;
        const std::uint32_t* src = picture.Row(y);
        std::uint32_t previous = 0;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = src[x];
            *out++ = std::uint8_t((p >> 16) - (previous >> 16));
            *out++ = std::uint8_t((p >> 8) - (previous >> 8));
            *out++ = std::uint8_t(p - previous);
            previous = p;
        }
    };
    const bool written =
        sink.Append(signature, 8) && chunks.Chunk("IHDR", ihdr, 13) &&
        DeflateRowsInStrips(picture.Height, rowBytes, subFiltered, level, Z_FILTERED,
                            TStripPlan{plan.RowsPerStrip, plan.Threads},
                            [&chunks](const std::uint8_t* data, std::size_t length) {
                                return chunks.ImageData(data, length);
                            }) &&
        chunks.FlushImageData() && chunks.Chunk("IEND", nullptr, 0);
    if (!written)
        throw OutOfMemoryError("PNG writer");
    return sink.Take();
}

} // namespace

TPngDeflatePlan PlanPngDeflate(int width, int height, int level, int cores) {
    TPngDeflatePlan plan;
    if (level <= 0 || width <= 0 || height <= 0)
        return plan;
    const std::size_t rowBytes = 1 + 3 * std::size_t(width);
    const std::size_t total = rowBytes * std::size_t(height);
    if (total < 2 * kMinStripBytes)
        return plan;
    const std::size_t stripBytes = std::clamp(total / kStrips, kMinStripBytes, kMaxStripBytes);
    const int rowsPerStrip = int(std::max<std::size_t>(1, stripBytes / rowBytes));
    const int strips = height / rowsPerStrip + (height % rowsPerStrip != 0 ? 1 : 0);
    if (strips < 2)
        return plan;
    plan.RowsPerStrip = rowsPerStrip;
    plan.Threads = std::clamp(cores, 1, std::min(kMaxThreads, strips));
    return plan;
}

std::vector<std::uint8_t> EncodePng(const TPixelView& picture, int level) {
    const int cores = int(std::thread::hardware_concurrency());
    return EncodePng(picture, level, PlanPngDeflate(picture.Width, picture.Height, level, cores));
}

std::vector<std::uint8_t> EncodePng(const TPixelView& picture, int level,
                                    const TPngDeflatePlan& plan) try {
    CheckWritable(picture, "PNG writer", kMaxSide);
    level = std::clamp(level, 0, 9);
    if (level == 0 || plan.RowsPerStrip <= 0)
        return EncodeSingleStream(picture, level);
    return EncodeInStrips(picture, level, plan);
} catch (const std::bad_alloc&) {
    throw OutOfMemoryError("PNG writer");
}
