#include "codecs/uPngReader.h"

#include "codecs/ECodecError.h"
#include "codecs/uExifOrientation.h"

#include <cstring>
#include <memory>
#include <vector>

#include <png.h>

namespace {

// Plain data shared by the two decoding steps; nothing here has a destructor.
struct TPngSession {
    png_structp Png;
    png_infop Info;
    const std::uint8_t* Data;
    std::size_t Size;
    std::size_t Pos;
    std::size_t NextChunk; // where the header of the chunk after the current one starts
    char Message[256];
    png_uint_32 Width;
    png_uint_32 Height;
    int BitDepth;
    int ColorType;
    int Orientation;
    TPngTransparency Transparency;
    std::uint32_t TransparentColor;
    std::size_t RowBytes;
    bool ExceedsLimit;
};

void PngError(png_structp png, png_const_charp message) {
    TPngSession* s = static_cast<TPngSession*>(png_get_error_ptr(png));
    std::strncpy(s->Message, message != nullptr ? message : "error", sizeof s->Message - 1);
    s->Message[sizeof s->Message - 1] = '\0';
    png_longjmp(png, 1);
}

// libpng reports sides beyond the user limits (our own ceiling) as a warning
// before it fails on the header.
void PngWarning(png_structp png, png_const_charp message) {
    TPngSession* s = static_cast<TPngSession*>(png_get_error_ptr(png));
    if (message != nullptr && std::strstr(message, "exceeds user limit") != nullptr)
        s->ExceedsLimit = true;
}

void PngRead(png_structp png, png_bytep out, png_size_t count) {
    TPngSession* s = static_cast<TPngSession*>(png_get_io_ptr(png));
    if (count > s->Size - s->Pos)
        png_error(png, "unexpected end of file");
    // libpng reads a chunk's length and type in one piece, and may take memory
    // for the length before it reads the data: a length that the rest of the
    // file cannot hold (with the CRC after it) is refused here.
    if (s->Pos == s->NextChunk && count == 8) {
        const std::uint8_t* p = s->Data + s->Pos;
        const std::uint64_t length =
            std::uint64_t(p[0]) << 24 | std::uint64_t(p[1]) << 16 | std::uint64_t(p[2]) << 8 | p[3];
        if (length + 4 > s->Size - s->Pos - 8)
            png_error(png, "chunk longer than the rest of the file");
        s->NextChunk = s->Pos + 8 + std::size_t(length) + 4;
    }
    std::memcpy(out, s->Data + s->Pos, count);
    s->Pos += count;
}

std::uint32_t ToColorRef(unsigned r, unsigned g, unsigned b) {
    return (std::uint32_t(b) << 16) | (std::uint32_t(g) << 8) | std::uint32_t(r);
}

// A sample of the file's bit depth as the 8-bit value that the decoded pixels carry.
unsigned To8Bits(unsigned value, int bitDepth) {
    if (bitDepth == 16)
        return (value >> 8) & 0xFF;
    if (bitDepth == 8)
        return value & 0xFF;
    const unsigned max = (1u << bitDepth) - 1;
    return (value & max) * 255 / max;
}

void ReadTransparency(TPngSession* s) {
    s->Transparency = TPngTransparency::None;
    s->TransparentColor = 0;
    if (s->ColorType & PNG_COLOR_MASK_ALPHA) {
        s->Transparency = TPngTransparency::Partial;
        return;
    }
    if (!png_get_valid(s->Png, s->Info, PNG_INFO_tRNS))
        return;
    png_bytep alpha = nullptr;
    int count = 0;
    png_color_16p color = nullptr;
    png_get_tRNS(s->Png, s->Info, &alpha, &count, &color);
    if (s->ColorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        int paletteSize = 0;
        png_get_PLTE(s->Png, s->Info, &palette, &paletteSize);
        int firstClear = -1;
        for (int i = 0; alpha != nullptr && i < count; ++i) {
            if (alpha[i] != 0 && alpha[i] != 255) {
                s->Transparency = TPngTransparency::Partial;
                return;
            }
            if (alpha[i] == 0 && firstClear < 0)
                firstClear = i;
        }
        if (firstClear >= 0 && palette != nullptr && firstClear < paletteSize) {
            s->Transparency = TPngTransparency::SingleColor;
            const png_color& c = palette[firstClear];
            s->TransparentColor = ToColorRef(c.red, c.green, c.blue);
        }
        return;
    }
    if (color == nullptr)
        return;
    s->Transparency = TPngTransparency::SingleColor;
    if (s->ColorType == PNG_COLOR_TYPE_GRAY) {
        const unsigned v = To8Bits(color->gray, s->BitDepth);
        s->TransparentColor = ToColorRef(v, v, v);
    } else {
        s->TransparentColor =
            ToColorRef(To8Bits(color->red, s->BitDepth), To8Bits(color->green, s->BitDepth),
                       To8Bits(color->blue, s->BitDepth));
    }
}

// Step one: header, transparency, orientation, and the transformations to 8-bit RGBA.
bool PngReadHeader(TPngSession* s) {
    if (setjmp(png_jmpbuf(s->Png)))
        return false;
    png_set_user_limits(s->Png, kMaxPictureSide, kMaxPictureSide);
    png_set_chunk_cache_max(s->Png, 1000);
    png_set_chunk_malloc_max(s->Png, 16u * 1024 * 1024);
    // Only the header, the palette, the transparency, the orientation and the
    // image data matter here. Everything else (text, colour profiles, the
    // colour space chunks) is skipped unread, so its content can take no memory.
    png_set_keep_unknown_chunks(s->Png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    static const png_byte kExif[] = "eXIf";
    png_set_keep_unknown_chunks(s->Png, PNG_HANDLE_CHUNK_AS_DEFAULT, kExif, 1);
    png_set_read_fn(s->Png, s, PngRead);
    png_read_info(s->Png, s->Info);
    int interlace = 0;
    png_get_IHDR(s->Png, s->Info, &s->Width, &s->Height, &s->BitDepth, &s->ColorType, &interlace,
                 nullptr, nullptr);
    ReadTransparency(s);
    png_uint_32 exifSize = 0;
    png_bytep exif = nullptr;
    if (png_get_eXIf_1(s->Png, s->Info, &exifSize, &exif) != 0 && exif != nullptr)
        s->Orientation = ParseExifOrientation(exif, exifSize);
    png_set_expand(s->Png);
    png_set_strip_16(s->Png);
    png_set_gray_to_rgb(s->Png);
    png_set_add_alpha(s->Png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(s->Png);
    png_read_update_info(s->Png, s->Info);
    s->RowBytes = png_get_rowbytes(s->Png, s->Info);
    return true;
}

// Step two: every row into its place; rows[y] points at width * 4 bytes.
bool PngReadRows(TPngSession* s, png_bytepp rows) {
    if (setjmp(png_jmpbuf(s->Png)))
        return false;
    png_read_image(s->Png, rows);
    return true;
}

// The fewest bytes of a file that decodes to width x height pixels of the colour
// type and bit depth: deflate codes at most 258 bytes in two bits (1032 to 1),
// and the inflated data holds a filter byte and the packed samples of each row
// (more for interlaced pictures, whose passes have rows of their own).
std::uint64_t LeastPngBytes(std::uint64_t width, std::uint64_t height, int colorType,
                            int bitDepth) {
    int channels = 1;
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        channels = 2;
        break;
    case PNG_COLOR_TYPE_RGB:
        channels = 3;
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        channels = 4;
        break;
    default:
        break;
    }
    const std::uint64_t rowBytes = (width * std::uint64_t(channels) * bitDepth + 7) / 8;
    return height * (1 + rowBytes) / 1032;
}

struct TPngSessionFree {
    void operator()(TPngSession* s) const {
        if (s->Png != nullptr)
            png_destroy_read_struct(&s->Png, s->Info != nullptr ? &s->Info : nullptr, nullptr);
        delete s;
    }
};

} // namespace

bool HasPngSignature(const std::uint8_t* data, std::size_t size) {
    return data != nullptr && size >= 4 && data[0] == 0x89 && data[1] == 'P' && data[2] == 'N' &&
           data[3] == 'G';
}

TDecodedPicture DecodePng(const std::uint8_t* data, std::size_t size,
                          const TDecodeOptions& options) {
    if (data == nullptr || size < 8 || png_sig_cmp(data, 0, 8) != 0)
        throw ECodecError(TCodecFailure::Corrupt, "PNG: no PNG signature");
    std::unique_ptr<TPngSession, TPngSessionFree> s(new TPngSession());
    s->Data = data;
    s->Size = size;
    s->NextChunk = 8; // after the signature
    s->Orientation = 1;
    s->Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, s.get(), PngError, PngWarning);
    if (s->Png == nullptr)
        throw ECodecError(TCodecFailure::Unreadable, "PNG: cannot start the decoder");
    s->Info = png_create_info_struct(s->Png);
    if (s->Info == nullptr)
        throw ECodecError(TCodecFailure::Unreadable, "PNG: cannot start the decoder");
    if (!PngReadHeader(s.get())) {
        throw ECodecError(s->ExceedsLimit ? TCodecFailure::TooLarge : TCodecFailure::Corrupt,
                          std::string("PNG: ") + s->Message);
    }
    CheckPictureSize(s->Width, s->Height, options.MaxPixels, "PNG");
    CheckDataCanFill(size, LeastPngBytes(s->Width, s->Height, s->ColorType, s->BitDepth), s->Width,
                     s->Height, "PNG");
    TDecodedPicture picture;
    AllocatePicture(picture, s->Width, s->Height, options, "PNG");
    if (s->RowBytes != std::size_t(s->Width) * 4)
        throw ECodecError(TCodecFailure::Unsupported, "PNG: unexpected row layout");
    ClaimDecodeBytes(options, std::uint64_t(s->Height) * sizeof(png_bytep));
    std::vector<png_bytep> rows(s->Height);
    for (png_uint_32 y = 0; y < s->Height; ++y)
        rows[y] = reinterpret_cast<png_bytep>(picture.Pixels.data() + std::size_t(y) * s->Width);
    if (!PngReadRows(s.get(), rows.data()))
        throw ECodecError(TCodecFailure::Corrupt, std::string("PNG: ") + s->Message);
    for (std::uint32_t& pixel : picture.Pixels) {
        const std::uint8_t* p = reinterpret_cast<const std::uint8_t*>(&pixel);
        pixel = MakeArgb(p[3], p[0], p[1], p[2]);
    }
    picture.Drawn = true;
    picture.IsPng = true;
    picture.HasAlpha = s->Transparency != TPngTransparency::None ||
                       png_get_valid(s->Png, s->Info, PNG_INFO_tRNS) != 0;
    picture.Png.Transparency = s->Transparency;
    picture.Png.TransparentColor = s->TransparentColor;
    picture.Png.ColorType = s->ColorType;
    picture.Png.BitDepth = s->BitDepth;
    picture.Png.HasAlphaChannel = (s->ColorType & PNG_COLOR_MASK_ALPHA) != 0;
    ApplyExifOrientation(picture, s->Orientation, options.Claim);
    return picture;
}

TDecodedPicture DecodePngFile(const std::string& path, const TDecodeOptions& options) {
    const std::vector<std::uint8_t> bytes = ReadPictureFileBytes(path, options.Claim);
    return DecodePng(bytes.data(), bytes.size(), options);
}
