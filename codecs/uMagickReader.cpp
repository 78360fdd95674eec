#include "codecs/uMagickReader.h"

#include "codecs/ECodecError.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include <magick/api.h>

namespace {

std::once_flag gMagickStarted;

// GraphicsMagick keeps process-wide tables; it is set up once, with the same
// ceilings as our own readers so that it refuses huge pictures before
// allocating their pixels.
void StartMagick() {
    std::call_once(gMagickStarted, [] {
        InitializeMagick(nullptr);
        // Errors come back through the exception records; nothing is printed.
        SetErrorHandler(nullptr);
        SetWarningHandler(nullptr);
        SetMagickResourceLimit(WidthResource, kMaxPictureSide);
        SetMagickResourceLimit(HeightResource, kMaxPictureSide);
        SetMagickResourceLimit(PixelsResource, static_cast<magick_int64_t>(kMaxPicturePixels));
        SetMagickResourceLimit(ThreadsResource, 1);
    });
}

struct TImageInfoFree {
    void operator()(ImageInfo* info) const { DestroyImageInfo(info); }
};
struct TImageFree {
    void operator()(Image* image) const { DestroyImageList(image); }
};

// Exception details from GraphicsMagick, kept in a C struct that must be released.
struct TMagickException {
    ExceptionInfo Info;
    TMagickException() { GetExceptionInfo(&Info); }
    ~TMagickException() { DestroyExceptionInfo(&Info); }
    TMagickException(const TMagickException&) = delete;
    TMagickException& operator=(const TMagickException&) = delete;

    std::string Text() const {
        std::string text;
        if (Info.reason != nullptr)
            text = Info.reason;
        if (Info.description != nullptr)
            text += std::string(text.empty() ? "" : " (") + Info.description +
                    (text.empty() ? "" : ")");
        return text.empty() ? std::string("cannot decode") : text;
    }
    TCodecFailure Reason() const {
        switch (Info.severity) {
        case ResourceLimitError:
        case ResourceLimitWarning:
            return TCodecFailure::TooLarge;
        case MissingDelegateError:
        case MissingDelegateWarning:
        case DelegateError:
        case DelegateWarning:
            return TCodecFailure::Unsupported;
        default:
            return TCodecFailure::Corrupt;
        }
    }
};

} // namespace

bool MagickCanDecode(const char* format) {
    StartMagick();
    TMagickException exception;
    const MagickInfo* info = GetMagickInfo(format, &exception.Info);
    return info != nullptr && info->decoder != nullptr;
}

TDecodedPicture DecodeWithMagick(const std::uint8_t* data, std::size_t size, const char* format,
                                 const TDecodeOptions& options) {
    const std::string name = std::string(format) + ": ";
    if (data == nullptr || size == 0)
        throw ECodecError(TCodecFailure::Corrupt, name + "empty file");
    StartMagick();
    if (!MagickCanDecode(format))
        throw ECodecError(TCodecFailure::Unsupported, name + "no decoder in this build");
    std::unique_ptr<ImageInfo, TImageInfoFree> info(CloneImageInfo(nullptr));
    if (!info)
        throw ECodecError(TCodecFailure::Unreadable, name + "cannot start the decoder");
    // "FORMAT:" names the format explicitly, so the data's content cannot choose another.
    std::snprintf(info->magick, sizeof info->magick, "%s", format);
    std::snprintf(info->filename, sizeof info->filename, "%s:", format);
    {
        // Read the header alone first, so that the caller's ceiling holds before
        // any pixel memory is taken.
        TMagickException pingException;
        std::unique_ptr<Image, TImageFree> header(
            PingBlob(info.get(), data, size, &pingException.Info));
        if (!header)
            throw ECodecError(pingException.Reason(), name + pingException.Text());
        // Every frame of a file (the sizes of an icon) is decoded, so all count.
        std::uint64_t total = 0;
        for (const Image* frame = header.get(); frame != nullptr; frame = frame->next) {
            CheckPictureSize(static_cast<std::int64_t>(frame->columns),
                             static_cast<std::int64_t>(frame->rows), options.MaxPixels, format);
            total += std::uint64_t(frame->columns) * frame->rows;
            if (total > options.MaxPixels)
                throw ECodecError(TCodecFailure::TooLarge, name + "too many pixels in all frames");
        }
        // GraphicsMagick keeps every frame in its pixel cache, a PixelPacket
        // per pixel; the picture we make of the largest frame comes on top.
        ClaimDecodeBytes(options, total * sizeof(PixelPacket));
    }
    TMagickException exception;
    std::unique_ptr<Image, TImageFree> image(BlobToImage(info.get(), data, size, &exception.Info));
    if (!image)
        throw ECodecError(exception.Reason(), name + exception.Text());
    if (exception.Info.severity >= ErrorException)
        throw ECodecError(exception.Reason(), name + exception.Text());
    // The largest frame: the biggest size of an icon; the first of equals.
    const Image* chosen = image.get();
    for (const Image* frame = image->next; frame != nullptr; frame = frame->next)
        if (std::uint64_t(frame->columns) * frame->rows >
            std::uint64_t(chosen->columns) * chosen->rows)
            chosen = frame;
    const std::int64_t width = static_cast<std::int64_t>(chosen->columns);
    const std::int64_t height = static_cast<std::int64_t>(chosen->rows);
    TDecodedPicture picture;
    AllocatePicture(picture, width, height, options, format);
    TMagickException dispatchException;
    if (DispatchImage(chosen, 0, 0, chosen->columns, chosen->rows, "RGBA", CharPixel,
                      picture.Pixels.data(), &dispatchException.Info) != MagickPass)
        throw ECodecError(TCodecFailure::Corrupt, name + dispatchException.Text());
    const bool alpha = chosen->matte != MagickFalse;
    for (std::uint32_t& pixel : picture.Pixels) {
        const std::uint8_t* p = reinterpret_cast<const std::uint8_t*>(&pixel);
        pixel = MakeArgb(alpha ? p[3] : 255, p[0], p[1], p[2]);
    }
    picture.HasAlpha = alpha;
    DropEmptyAlpha(picture);
    return picture;
}
