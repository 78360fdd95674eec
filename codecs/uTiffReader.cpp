#include "codecs/uTiffReader.h"

#include "codecs/ECodecError.h"
#include "codecs/uExifOrientation.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include <tiffio.h>

namespace {

// The largest single buffer libtiff may take for a strip or tile.
constexpr tmsize_t kMaxTiffAlloc = tmsize_t(512) * 1024 * 1024;

struct TTiffSource {
    const std::uint8_t* Data;
    std::size_t Size;
    std::size_t Pos;
    char Message[512];
};

tmsize_t TiffRead(thandle_t handle, void* out, tmsize_t count) {
    TTiffSource* s = static_cast<TTiffSource*>(handle);
    if (count <= 0 || s->Pos >= s->Size)
        return 0;
    const std::size_t n = std::min(std::size_t(count), s->Size - s->Pos);
    std::memcpy(out, s->Data + s->Pos, n);
    s->Pos += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t TiffWrite(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t TiffSeek(thandle_t handle, toff_t offset, int whence) {
    TTiffSource* s = static_cast<TTiffSource*>(handle);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = s->Pos;
    else if (whence == SEEK_END)
        base = s->Size;
    const std::uint64_t target = base + offset;
    if (target < base)
        return static_cast<toff_t>(-1);
    s->Pos = target > s->Size ? s->Size : static_cast<std::size_t>(target);
    return target;
}

int TiffClose(thandle_t) {
    return 0;
}
toff_t TiffSize(thandle_t handle) {
    return static_cast<TTiffSource*>(handle)->Size;
}
int TiffMap(thandle_t, void**, toff_t*) {
    return 0;
}
void TiffUnmap(thandle_t, void*, toff_t) {}

int TiffErrorHandler(TIFF*, void* user, const char*, const char* format, va_list args) {
    TTiffSource* s = static_cast<TTiffSource*>(user);
    if (s->Message[0] == '\0')
        std::vsnprintf(s->Message, sizeof s->Message, format, args);
    return 1;
}

int TiffWarningHandler(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TTiffClose {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
struct TTiffOptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
struct TRgbaImageEnd {
    void operator()(TIFFRGBAImage* image) const { TIFFRGBAImageEnd(image); }
};

unsigned Unpremultiply(unsigned c, unsigned a) {
    if (a == 0)
        return 0;
    const unsigned v = (c * 255 + a / 2) / a;
    return v > 255 ? 255 : v;
}

// The bytes of the picture's samples as stored, before compression: all rows
// of every plane, subsampled chroma counted as libtiff counts it. 0 when
// libtiff cannot tell.
std::uint64_t TiffSampleBytes(TIFF* tiff) {
    std::uint32_t height = 0;
    std::uint16_t planar = PLANARCONFIG_CONTIG, samples = 1;
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    const std::uint64_t plane = TIFFVStripSize64(tiff, height);
    return planar == PLANARCONFIG_SEPARATE ? plane * samples : plane;
}

// The fewest bytes of a file that holds the picture's samples in its
// compression: all of them uncompressed; a 64th with PackBits (two bytes make a
// run of 128); 3 for 8192 with LZW (a code of 12 bits stands for 4096 bytes at
// most); a 1032nd with deflate (258 bytes in two bits). The other compressions
// (fax codes, JPEG, JBIG, LZMA, ZSTD and the rest) have no such bound: 0.
std::uint64_t LeastTiffBytes(TIFF* tiff) {
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    const std::uint64_t bytes = TiffSampleBytes(tiff);
    switch (compression) {
    case COMPRESSION_NONE:
        return bytes;
    case COMPRESSION_PACKBITS:
        return bytes / 64;
    case COMPRESSION_LZW:
        return bytes / 8192 * 3;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:
        return bytes / 1032;
    default:
        return 0;
    }
}

// What libtiff takes while it fills the picture: a buffer of one decoded strip
// or tile of every plane, and the compressed bytes of the largest one (none
// when uncompressed strips are read straight into that buffer).
std::uint64_t TiffWorkBytes(TIFF* tiff, std::size_t fileBytes) {
    std::uint16_t planar = PLANARCONFIG_CONTIG, samples = 1, compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    const bool tiled = TIFFIsTiled(tiff) != 0;
    const std::uint64_t piece = tiled ? TIFFTileSize64(tiff) : TIFFStripSize64(tiff);
    std::uint64_t bytes = piece * (planar == PLANARCONFIG_SEPARATE ? samples : 1);
    if (compression != COMPRESSION_NONE) {
        const std::uint32_t pieces = tiled ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
        std::uint64_t largest = 0;
        for (std::uint32_t i = 0; i < pieces && largest < fileBytes; ++i)
            largest = std::max(largest, TIFFGetStrileByteCount(tiff, i));
        bytes += std::min<std::uint64_t>(largest, fileBytes);
    }
    return bytes;
}

} // namespace

bool HasTiffSignature(const std::uint8_t* data, std::size_t size) {
    return data != nullptr && size >= 4 &&
           ((data[0] == 'I' && data[1] == 'I' && (data[2] == 42 || data[2] == 43) &&
             data[3] == 0) ||
            (data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43)));
}

TDecodedPicture DecodeTiff(const std::uint8_t* data, std::size_t size,
                           const TDecodeOptions& options) {
    if (!HasTiffSignature(data, size))
        throw ECodecError(TCodecFailure::Corrupt, "TIFF: no TIFF header");
    std::unique_ptr<TTiffSource> source(new TTiffSource{data, size, 0, {}});
    std::unique_ptr<TIFFOpenOptions, TTiffOptionsFree> openOptions(TIFFOpenOptionsAlloc());
    if (!openOptions)
        throw ECodecError(TCodecFailure::Unreadable, "TIFF: cannot start the decoder");
    TIFFOpenOptionsSetMaxSingleMemAlloc(openOptions.get(), kMaxTiffAlloc);
    TIFFOpenOptionsSetErrorHandlerExtR(openOptions.get(), TiffErrorHandler, source.get());
    TIFFOpenOptionsSetWarningHandlerExtR(openOptions.get(), TiffWarningHandler, source.get());
    std::unique_ptr<TIFF, TTiffClose> tiff(
        TIFFClientOpenExt("memory", "rm", source.get(), TiffRead, TiffWrite, TiffSeek, TiffClose,
                          TiffSize, TiffMap, TiffUnmap, openOptions.get()));
    const auto fail = [&](TCodecFailure reason, const char* what) {
        std::string text = std::string("TIFF: ") + what;
        if (source->Message[0] != '\0')
            text += std::string(" (") + source->Message + ")";
        return ECodecError(reason, text);
    };
    if (!tiff)
        throw fail(TCodecFailure::Corrupt, "cannot read the header");
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tiff.get(), message))
        throw fail(TCodecFailure::Unsupported, message);
    TIFFRGBAImage image{};
    if (!TIFFRGBAImageBegin(&image, tiff.get(), 1, message))
        throw fail(TCodecFailure::Corrupt, message);
    std::unique_ptr<TIFFRGBAImage, TRgbaImageEnd> imageEnd(&image);
    CheckPictureSize(image.width, image.height, options.MaxPixels, "TIFF");
    CheckDataCanFill(size, LeastTiffBytes(tiff.get()), image.width, image.height, "TIFF");
    ClaimDecodeBytes(options, TiffWorkBytes(tiff.get(), size));
    TDecodedPicture picture;
    AllocatePicture(picture, image.width, image.height, options, "TIFF");
    // Rows as stored, from the top; the orientation is applied afterwards like EXIF's.
    const int orientation = image.orientation;
    image.req_orientation = image.orientation;
    if (!TIFFRGBAImageGet(&image, picture.Pixels.data(), image.width, image.height))
        throw fail(TCodecFailure::Corrupt, "damaged picture data");
    // libtiff delivers both kinds of alpha premultiplied; divide it out.
    const bool associated = image.alpha != 0;
    picture.HasAlpha = image.alpha != 0;
    for (std::uint32_t& pixel : picture.Pixels) {
        unsigned r = TIFFGetR(pixel), g = TIFFGetG(pixel), b = TIFFGetB(pixel);
        const unsigned a = picture.HasAlpha ? TIFFGetA(pixel) : 255;
        if (associated) {
            r = Unpremultiply(r, a);
            g = Unpremultiply(g, a);
            b = Unpremultiply(b, a);
        }
        pixel = MakeArgb(a, r, g, b);
    }
    ApplyExifOrientation(picture, orientation, options.Claim);
    return picture;
}

TDecodedPicture DecodeTiffFile(const std::string& path, const TDecodeOptions& options) {
    const std::vector<std::uint8_t> bytes = ReadPictureFileBytes(path, options.Claim);
    return DecodeTiff(bytes.data(), bytes.size(), options);
}
