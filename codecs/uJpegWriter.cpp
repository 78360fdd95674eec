#include "codecs/uJpegWriter.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

namespace {

// libjpeg's largest picture side.
constexpr int kMaxSide = 65500;

struct TJpegErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Jump;
};

// Everything the compressor touches lives here, outside the frame that calls
// setjmp, so that nothing in that frame changes between setjmp and longjmp.
struct TJpegJob {
    jpeg_compress_struct Info;
    TJpegErrorManager Error;
    const std::uint32_t* Pixels;
    int Width;
    int Height;
    int Quality;
    unsigned char* RowBuffer; // Width * 3 bytes, owned by the caller
    unsigned char* Output;    // allocated by libjpeg with malloc; the caller frees it
    unsigned long OutputSize;
    char Message[JMSG_LENGTH_MAX];
};

extern "C" void JpegErrorExit(j_common_ptr info) {
    TJpegErrorManager* error = reinterpret_cast<TJpegErrorManager*>(info->err);
    std::longjmp(error->Jump, 1);
}

extern "C" void JpegOutputMessage(j_common_ptr) {}

// C-style: no object with a destructor is alive here. Returns false with the
// library's message in job->Message on failure.
bool CompressJpeg(TJpegJob* job) {
    job->Info.err = jpeg_std_error(&job->Error.Base);
    job->Error.Base.error_exit = JpegErrorExit;
    job->Error.Base.output_message = JpegOutputMessage;
    if (setjmp(job->Error.Jump)) {
        job->Error.Base.format_message(reinterpret_cast<j_common_ptr>(&job->Info), job->Message);
        jpeg_destroy_compress(&job->Info);
        return false;
    }
    jpeg_create_compress(&job->Info);
    jpeg_mem_dest(&job->Info, &job->Output, &job->OutputSize);
    job->Info.image_width = static_cast<JDIMENSION>(job->Width);
    job->Info.image_height = static_cast<JDIMENSION>(job->Height);
    job->Info.input_components = 3;
    job->Info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&job->Info);
    jpeg_set_quality(&job->Info, job->Quality, TRUE);
    jpeg_start_compress(&job->Info, TRUE);
    while (job->Info.next_scanline < job->Info.image_height) {
        const std::uint32_t* src = job->Pixels + static_cast<std::size_t>(job->Info.next_scanline) *
                                                     static_cast<std::size_t>(job->Width);
        unsigned char* dst = job->RowBuffer;
        for (int x = 0; x < job->Width; ++x) {
            const std::uint32_t p = src[x];
            *dst++ = static_cast<unsigned char>(p >> 16);
            *dst++ = static_cast<unsigned char>(p >> 8);
            *dst++ = static_cast<unsigned char>(p);
        }
        JSAMPROW row = job->RowBuffer;
        jpeg_write_scanlines(&job->Info, &row, 1);
    }
    jpeg_finish_compress(&job->Info);
    jpeg_destroy_compress(&job->Info);
    return true;
}

} // namespace

std::vector<std::uint8_t> EncodeJpeg(const TPixelView& picture, int quality) {
    CheckWritable(picture, "JPEG writer", kMaxSide);
    std::vector<unsigned char> row(static_cast<std::size_t>(picture.Width) * 3);
    TJpegJob job;
    std::memset(&job, 0, sizeof job);
    job.Pixels = picture.Pixels;
    job.Width = picture.Width;
    job.Height = picture.Height;
    job.Quality = std::clamp(quality, 0, 100);
    job.RowBuffer = row.data();
    const bool ok = CompressJpeg(&job);
    std::vector<std::uint8_t> bytes = TakeMallocBuffer(job.Output, job.OutputSize);
    if (!ok)
        throw EPictureWriteError(std::string("JPEG writer: ") + job.Message);
    return bytes;
}
