#include "codecs/uCodecRegistry.h"

#include "codecs/ECodecError.h"
#include "codecs/TByteReader.h"
#include "codecs/uAutodeskReader.h"
#include "codecs/uExifOrientation.h"
#include "codecs/uGifReader.h"
#include "codecs/uJpegReader.h"
#include "codecs/uMagickReader.h"
#include "codecs/uPngReader.h"
#include "codecs/uPsdReader.h"
#include "codecs/uTiffReader.h"

#include <cstring>
#include <sys/stat.h>

namespace {

std::vector<TCodecEntry> MakeEntries() {
    using K = TCodecKind;
    return {
        {"wmf", "Metafiles", K::Metafile},
        {"emf", "Enhanced Metafiles", K::EnhancedMetafile},
        {"ico", "Icons", K::Icon},
        {"bmp", "Bitmaps", K::Bitmap},
        {"jpeg", "JPEG Image File", K::Jpeg},
        {"jpg", "JPEG Image File", K::Jpeg},
        {"bmp", "Windows bitmaps", K::Bitmap},
        {"ico", "Windows icons", K::Icon},
        {"wmf", "Windows metafiles", K::Metafile},
        {"emf", "Windows enhanced meta files", K::EnhancedMetafile},
        {"jfif", "JFIF images", K::Jpeg},
        {"jpg", "JPG images", K::Jpeg},
        {"jpe", "JPE images", K::Jpeg},
        {"jpeg", "JPEG images", K::Jpeg},
        {"rle", "Run length encoded Windows bitmaps", K::Bitmap},
        {"dib", "Device independant Windows bitmaps", K::Bitmap},
        {"win", "Truevision images", K::Targa},
        {"vst", "Truevision images", K::Targa},
        {"vda", "Truevision images", K::Targa},
        {"tga", "Truevision images", K::Targa},
        {"icb", "Truevision images", K::Targa},
        {"tiff", "Macintosh TIFF images", K::Tiff},
        {"tif", "PC TIF images", K::Tiff},
        {"fax", "GFI fax images", K::Tiff},
        {"eps", "Encapsulated Postscript images", K::Eps},
        {"pcx", "ZSoft Paintbrush images", K::Pcx},
        {"pcc", "ZSoft Paintbrush images", K::Pcx},
        {"scr", "Word 5.x screen capture images", K::Pcx},
        {"rpf", "Alias/Wavefront images", K::Rla},
        {"rla", "Alias/Wavefront images", K::Rla},
        {"sgi", "SGI true color images", K::Sgi},
        {"rgba", "SGI true color images with alpha", K::Sgi},
        {"rgb", "SGI true color images", K::Sgi},
        {"bw", "SGI black/white images", K::Sgi},
        {"psd", "Photoshop images", K::Psd},
        {"pdd", "Photoshop images", K::Psd},
        {"ppm", "Portable pixel map images", K::Pnm},
        {"pgm", "Portable gray map images", K::Pnm},
        {"pbm", "Portable bitmap images", K::Pnm},
        {"cel", "Autodesk images", K::Autodesk},
        {"pic", "Autodesk images", K::Autodesk},
        {"pcd", "Kodak Photo-CD images", K::PhotoCd},
        {"gif", "CompuServe images", K::Gif},
        {"cut", "Dr. Halo images", K::DrHalo},
        {"psp", "Paintshop Pro images", K::PaintShopPro},
        {"png", "Portable network graphic images", K::Png},
        {"", "", K::Generic},
        {"png", "Portable Network Graphics", K::Png},
        {"gif", "GIF Image", K::Gif},
        // Added later.
        {"webp", "WebP images", K::WebP},
        {"heic", "HEIC images", K::Heif},
        {"heif", "HEIF images", K::Heif},
        {"avif", "AVIF images", K::Avif},
    };
}

std::string ToLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// The codec of a file without an extension, from its first bytes.
TCodecKind Sniff(const std::uint8_t* data, std::size_t size) {
    const auto starts = [&](const char* magic, std::size_t at = 0) {
        const std::size_t n = std::strlen(magic);
        return size >= at + n && std::memcmp(data + at, magic, n) == 0;
    };
    if (HasPngSignature(data, size))
        return TCodecKind::Png;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return TCodecKind::Jpeg;
    if (starts("GIF87a") || starts("GIF89a"))
        return TCodecKind::Gif;
    if (HasTiffSignature(data, size))
        return TCodecKind::Tiff;
    if (starts("8BPS"))
        return TCodecKind::Psd;
    if (size >= 2 && data[0] == 0x19 && data[1] == 0x91)
        return TCodecKind::Autodesk;
    if (starts("RIFF") && starts("WEBP", 8))
        return TCodecKind::WebP;
    if (starts("BM"))
        return TCodecKind::Bitmap;
    throw ECodecError(TCodecFailure::Unsupported, "unknown kind of file");
}

// GraphicsMagick takes the transparency of icons from their AND mask alone; a
// 32-bit icon also carries an alpha byte per pixel, which is applied here. The
// decoded picture is the first of the largest icon sizes; its directory entry
// is found by the same rule, and used only when its bitmap matches the picture.
void ApplyIconAlpha(TDecodedPicture& picture, const std::uint8_t* data, std::size_t size) {
    try {
        TByteReader in(data, size, "ICO");
        in.Skip(4);
        const unsigned count = in.U16LE();
        std::uint32_t bestArea = 0, bestOffset = 0, bestLength = 0;
        for (unsigned i = 0; i < count; ++i) {
            const unsigned w = in.U8(), h = in.U8();
            in.Skip(6);
            const std::uint32_t length = in.U32LE();
            const std::uint32_t offset = in.U32LE();
            const std::uint32_t area = (w == 0 ? 256u : w) * (h == 0 ? 256u : h);
            if (area > bestArea) {
                bestArea = area;
                bestOffset = offset;
                bestLength = length;
            }
        }
        in.Seek(bestOffset);
        in.Need(bestLength);
        TByteReader dib(in.Here(), bestLength, "ICO");
        const std::uint32_t headerSize = dib.U32LE();
        const std::uint32_t width = dib.U32LE();
        const std::uint32_t height = dib.U32LE();
        dib.Skip(2);
        const unsigned bits = dib.U16LE();
        const std::uint32_t compression = dib.U32LE();
        if (headerSize < 40 || bits != 32 || compression != 0 ||
            width != std::uint32_t(picture.Width) || height != 2 * std::uint32_t(picture.Height))
            return;
        dib.Seek(headerSize);
        const std::size_t w = std::size_t(picture.Width), h = std::size_t(picture.Height);
        dib.Need(std::uint64_t(w) * h * 4);
        const std::uint8_t* rows = dib.Here();
        bool anyAlpha = false;
        for (std::size_t i = 0; i < w * h && !anyAlpha; ++i)
            anyAlpha = rows[i * 4 + 3] != 0;
        if (!anyAlpha)
            return; // an old icon: the mask decides, as decoded
        for (std::size_t y = 0; y < h; ++y) {
            const std::uint8_t* row = rows + (h - 1 - y) * w * 4; // rows from the bottom
            for (std::size_t x = 0; x < w; ++x) {
                std::uint32_t& p = picture.Pixels[y * w + x];
                p = (p & 0x00FFFFFFu) | (std::uint32_t(row[x * 4 + 3]) << 24);
            }
        }
        picture.HasAlpha = true;
    } catch (const ECodecError&) {
        // A directory that does not add up: keep the picture as decoded.
    }
}

// The EXIF orientation of a WebP file: the EXIF chunk of its RIFF container.
int WebPOrientation(const std::uint8_t* data, std::size_t size) {
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WEBP", 4) != 0)
        return 1;
    std::size_t at = 12;
    while (size - at >= 8) {
        const std::uint32_t length =
            std::uint32_t(data[at + 4]) | (std::uint32_t(data[at + 5]) << 8) |
            (std::uint32_t(data[at + 6]) << 16) | (std::uint32_t(data[at + 7]) << 24);
        if (length > size - at - 8)
            return 1;
        if (std::memcmp(data + at, "EXIF", 4) == 0)
            return ParseExifOrientation(data + at + 8, length);
        at += 8 + std::size_t(length) + (length & 1);
        if (at > size)
            return 1;
    }
    return 1;
}

TDecodedPicture DecodeKind(const std::uint8_t* data, std::size_t size, TCodecKind codec,
                           const TDecodeOptions& options) {
    switch (codec) {
    case TCodecKind::Metafile:
        return DecodeWithMagick(data, size, "WMF", options);
    case TCodecKind::EnhancedMetafile:
        throw ECodecError(TCodecFailure::Unsupported, "EMF: no decoder on this system");
    case TCodecKind::Icon: {
        TDecodedPicture picture = DecodeWithMagick(data, size, "ICO", options);
        ApplyIconAlpha(picture, data, size);
        return picture;
    }
    case TCodecKind::Bitmap:
        return DecodeWithMagick(data, size, "BMP", options);
    case TCodecKind::Jpeg:
        return DecodeJpeg(data, size, options);
    case TCodecKind::Png:
        return DecodePng(data, size, options);
    case TCodecKind::Gif:
        return DecodeGif(data, size, options);
    case TCodecKind::Tiff:
        return DecodeTiff(data, size, options);
    case TCodecKind::Targa:
        return DecodeWithMagick(data, size, "TGA", options);
    case TCodecKind::Eps:
        return DecodeWithMagick(data, size, "EPS", options);
    case TCodecKind::Pcx:
        return DecodeWithMagick(data, size, "PCX", options);
    case TCodecKind::Rla:
        return DecodeWithMagick(data, size, "RLA", options);
    case TCodecKind::Sgi:
        return DecodeWithMagick(data, size, "SGI", options);
    case TCodecKind::Psd:
        return DecodePsd(data, size, options);
    case TCodecKind::Pnm:
        return DecodeWithMagick(data, size, "PNM", options);
    case TCodecKind::Autodesk:
        return DecodeAutodesk(data, size, options);
    case TCodecKind::PhotoCd:
        return DecodeWithMagick(data, size, "PCD", options);
    case TCodecKind::DrHalo:
        return DecodeWithMagick(data, size, "CUT", options);
    case TCodecKind::PaintShopPro:
        throw ECodecError(TCodecFailure::Unsupported, "PSP: no decoder for this format");
    case TCodecKind::Generic:
        return DecodeKind(data, size, Sniff(data, size), options);
    case TCodecKind::WebP: {
        TDecodedPicture picture = DecodeWithMagick(data, size, "WEBP", options);
        ApplyExifOrientation(picture, WebPOrientation(data, size));
        return picture;
    }
    case TCodecKind::Heif:
        return DecodeWithMagick(data, size, "HEIF", options);
    case TCodecKind::Avif:
        return DecodeWithMagick(data, size, "AVIF", options);
    }
    throw ECodecError(TCodecFailure::Unsupported, "unknown codec");
}

} // namespace

const std::vector<TCodecEntry>& CodecEntries() {
    static const std::vector<TCodecEntry> entries = MakeEntries();
    return entries;
}

const TCodecEntry* FindCodec(const std::string& extension) {
    std::string key = ToLower(extension);
    if (!key.empty() && key[0] == '.')
        key.erase(0, 1);
    const std::vector<TCodecEntry>& entries = CodecEntries();
    for (auto it = entries.rbegin(); it != entries.rend(); ++it)
        if (it->Extension == key)
            return &*it;
    return nullptr;
}

std::string PictureOpenFilter() {
    std::string masks;
    std::string types;
    const std::vector<TCodecEntry>& entries = CodecEntries();
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (it->Extension.empty())
            continue;
        const std::string mask = "*." + it->Extension;
        masks += (masks.empty() ? "" : ";") + mask;
        types += "|" + it->Description + " (" + mask + ")|" + mask;
    }
    return "All (" + masks + ")|" + masks + types;
}

bool IsDrawnCodec(TCodecKind codec) {
    switch (codec) {
    case TCodecKind::Metafile:
    case TCodecKind::EnhancedMetafile:
    case TCodecKind::Icon:
    case TCodecKind::Jpeg:
    case TCodecKind::Png:
    case TCodecKind::Gif:
        return true;
    default:
        return false;
    }
}

std::string FileExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    return path.substr(dot + 1);
}

TDecodedPicture DecodeWithCodec(const std::uint8_t* data, std::size_t size, TCodecKind codec,
                                const TDecodeOptions& options) {
    TDecodedPicture picture = DecodeKind(data, size, codec, options);
    if (codec != TCodecKind::Generic)
        picture.Drawn = IsDrawnCodec(codec);
    return picture;
}

TDecodedPicture DecodePictureData(const std::uint8_t* data, std::size_t size,
                                  const std::string& extension, const TDecodeOptions& options) {
    const TCodecEntry* entry = FindCodec(extension);
    if (entry == nullptr)
        throw ECodecError(TCodecFailure::Unsupported,
                          "no reader for the extension \"" + extension + "\"");
    return DecodeWithCodec(data, size, entry->Codec, options);
}

TDecodedPicture DecodePictureFile(const std::string& path, const TDecodeOptions& options) {
    const std::string extension = FileExtension(path);
    const TCodecEntry* entry = FindCodec(extension);
    if (entry == nullptr) {
        if (!FileExists(path))
            throw ECodecError(TCodecFailure::NotFound, path);
        throw ECodecError(TCodecFailure::Unsupported, path + ": no reader for this extension");
    }
    const std::vector<std::uint8_t> bytes = ReadPictureFileBytes(path);
    return DecodeWithCodec(bytes.data(), bytes.size(), entry->Codec, options);
}
