#include "codecs/uJpegWriter.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE and size_t declared before it
#include <cstring>
#include <new>

#include <jpeglib.h>
// after jpeglib.h, which it needs
#include <jerror.h>

namespace {

// libjpeg's largest picture side.
constexpr int kMaxSide = 65500;

// The bytes libjpeg fills before they go to the sink.
constexpr std::size_t kChunkSize = 16384;

struct TJpegErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Jump;
};

// Everything the compressor touches lives here, outside the frame that calls
// setjmp, so that nothing in that frame changes between setjmp and longjmp.
// libjpeg writes into Chunk through our own destination manager and each full
// chunk goes to Sink; nothing of the output is ever allocated or freed by the
// library, so a failure part way has nothing of it to clean up.
struct TJpegJob {
    jpeg_compress_struct Info;
    TJpegErrorManager Error;
    jpeg_destination_mgr Destination;
    JOCTET Chunk[kChunkSize];
    TWriterSink* Sink; // owned by the caller
    const std::uint32_t* Pixels;
    int Width;
    int Height;
    int Quality;
    unsigned char* RowBuffer; // Width * 3 bytes, owned by the caller
    char Message[JMSG_LENGTH_MAX];
};

extern "C" void JpegErrorExit(j_common_ptr info) {
    TJpegErrorManager* error = reinterpret_cast<TJpegErrorManager*>(info->err);
    std::longjmp(error->Jump, 1);
}

extern "C" void JpegOutputMessage(j_common_ptr) {}

TJpegJob* JobOf(j_compress_ptr info) {
    return static_cast<TJpegJob*>(info->client_data);
}

extern "C" void JpegInitDestination(j_compress_ptr info) {
    TJpegJob* job = JobOf(info);
    job->Destination.next_output_byte = job->Chunk;
    job->Destination.free_in_buffer = kChunkSize;
}

// Called with the whole chunk full.
extern "C" boolean JpegEmptyOutputBuffer(j_compress_ptr info) {
    TJpegJob* job = JobOf(info);
    if (!job->Sink->Append(job->Chunk, kChunkSize))
        ERREXIT(info, JERR_FILE_WRITE); // the caller reports the sink's failure
    job->Destination.next_output_byte = job->Chunk;
    job->Destination.free_in_buffer = kChunkSize;
    return TRUE;
}

extern "C" void JpegTermDestination(j_compress_ptr info) {
    TJpegJob* job = JobOf(info);
    if (!job->Sink->Append(job->Chunk, kChunkSize - job->Destination.free_in_buffer))
        ERREXIT(info, JERR_FILE_WRITE);
}

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
    job->Info.client_data = job;
    job->Destination.init_destination = JpegInitDestination;
    job->Destination.empty_output_buffer = JpegEmptyOutputBuffer;
    job->Destination.term_destination = JpegTermDestination;
    job->Info.dest = &job->Destination;
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

std::vector<std::uint8_t> EncodeJpeg(const TPixelView& picture, int quality) try {
    CheckWritable(picture, "JPEG writer", kMaxSide);
    std::vector<unsigned char> row(static_cast<std::size_t>(picture.Width) * 3);
    TWriterSink sink;
    TJpegJob job;
    std::memset(&job, 0, sizeof job);
    job.Sink = &sink;
    job.Pixels = picture.Pixels;
    job.Width = picture.Width;
    job.Height = picture.Height;
    job.Quality = std::clamp(quality, 0, 100);
    job.RowBuffer = row.data();
    if (!CompressJpeg(&job)) {
        if (sink.Failed())
            throw OutOfMemoryError("JPEG writer");
        throw EPictureWriteError(std::string("JPEG writer: ") + job.Message);
    }
    return sink.Take();
} catch (const std::bad_alloc&) {
    throw OutOfMemoryError("JPEG writer");
}
