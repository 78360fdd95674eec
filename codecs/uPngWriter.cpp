#include "codecs/uPngWriter.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <new>

#include <png.h>

namespace {

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

} // namespace

std::vector<std::uint8_t> EncodePng(const TPixelView& picture, int level) try {
    // The PNG format itself allows 2^31 - 1; libpng refuses sides beyond its
    // default user limit with a message of its own.
    CheckWritable(picture, "PNG writer", 0x7FFFFFFF);
    std::vector<unsigned char> row(static_cast<std::size_t>(picture.Width) * 3);
    TWriterSink sink;
    TPngJob job;
    std::memset(&job, 0, sizeof job);
    job.Sink = &sink;
    job.Pixels = picture.Pixels;
    job.Width = picture.Width;
    job.Height = picture.Height;
    job.Level = std::clamp(level, 0, 9);
    job.RowBuffer = row.data();
    if (!CompressPng(&job)) {
        if (sink.Failed())
            throw OutOfMemoryError("PNG writer");
        throw EPictureWriteError(std::string("PNG writer: ") + job.Message);
    }
    return sink.Take();
} catch (const std::bad_alloc&) {
    throw OutOfMemoryError("PNG writer");
}
