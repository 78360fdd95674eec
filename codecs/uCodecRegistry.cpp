#include "codecs/uCodecRegistry.h"

#include "codecs/ECodecError.h"
#include "codecs/uAutodeskReader.h"
#include "codecs/uExifOrientation.h"
#include "codecs/uGifReader.h"
#include "codecs/uIconAlpha.h"
#include "codecs/uJpegReader.h"
#include "codecs/uMagickReader.h"
#include "codecs/uPngReader.h"
#include "codecs/uPsdReader.h"
#include "codecs/uTiffReader.h"
#include "codecs/uWebPOrientation.h"

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
