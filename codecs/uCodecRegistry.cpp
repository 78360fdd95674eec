#include "codecs/uCodecRegistry.h"

#include "codecs/ECodecError.h"
#include "codecs/TDecodeBudget.h"
#include "codecs/uAutodeskReader.h"
#include "codecs/uGifReader.h"
#include "codecs/uIconAlpha.h"
#include "codecs/uJpegReader.h"
#include "codecs/uMagickReader.h"
#include "codecs/uPngReader.h"
#include "codecs/uPsdReader.h"
#include "codecs/uTiffReader.h"
#include "codecs/uWebPOrientation.h"

#include <cstring>

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

[[noreturn]] TDecodedPicture NoEmfDecoder(const std::uint8_t*, std::size_t, const TDecodeOptions&) {
    throw ECodecError(TCodecFailure::Unsupported, "EMF: no decoder on this system");
}

[[noreturn]] TDecodedPicture NoPspDecoder(const std::uint8_t*, std::size_t, const TDecodeOptions&) {
    throw ECodecError(TCodecFailure::Unsupported, "PSP: no decoder for this format");
}

TDecodedPicture DecodeByContent(const std::uint8_t* data, std::size_t size,
                                const TDecodeOptions& options) {
    return DecodeWithCodec(data, size, Sniff(data, size), options);
}

using TReadFunction = TDecodedPicture (*)(const std::uint8_t* data, std::size_t size,
                                          const TDecodeOptions& options);
using TAfterFunction = void (*)(TDecodedPicture& picture, const std::uint8_t* data,
                                std::size_t size, const TDecodeOptions& options);

void AfterIcon(TDecodedPicture& picture, const std::uint8_t* data, std::size_t size,
               const TDecodeOptions&) {
    ApplyIconAlpha(picture, data, size);
}

void AfterWebP(TDecodedPicture& picture, const std::uint8_t* data, std::size_t size,
               const TDecodeOptions& options) {
    ApplyWebPOrientation(picture, data, size, options.Claim);
}

// How one kind of codec decodes: with a reader function, or with GraphicsMagick
// under its name for the format; then a step the result still needs.
struct TCodecReader {
    TCodecKind Kind;
    TReadFunction Read; // nullptr: GraphicsMagick decodes it
    const char* Magick; // GraphicsMagick's name of the format
    TAfterFunction After;
    // The loaders draw the pictures onto white. The readers of our own say so
    // themselves; for the others the table marks them. The generic entry leaves
    // it to the codec that the content chooses.
    bool Drawn;
};

const TCodecReader kReaders[] = {
    {TCodecKind::Metafile, nullptr, "WMF", nullptr, true},
    {TCodecKind::EnhancedMetafile, NoEmfDecoder, nullptr, nullptr, true},
    {TCodecKind::Icon, nullptr, "ICO", AfterIcon, true},
    {TCodecKind::Bitmap, nullptr, "BMP", nullptr, false},
    {TCodecKind::Jpeg, DecodeJpeg, nullptr, nullptr, true},
    {TCodecKind::Png, DecodePng, nullptr, nullptr, true},
    {TCodecKind::Gif, DecodeGif, nullptr, nullptr, true},
    {TCodecKind::Tiff, DecodeTiff, nullptr, nullptr, false},
    {TCodecKind::Targa, nullptr, "TGA", nullptr, false},
    {TCodecKind::Eps, nullptr, "EPS", nullptr, false},
    {TCodecKind::Pcx, nullptr, "PCX", nullptr, false},
    {TCodecKind::Rla, nullptr, "RLA", nullptr, false},
    {TCodecKind::Sgi, nullptr, "SGI", nullptr, false},
    {TCodecKind::Psd, DecodePsd, nullptr, nullptr, false},
    {TCodecKind::Pnm, nullptr, "PNM", nullptr, false},
    {TCodecKind::Autodesk, DecodeAutodesk, nullptr, nullptr, false},
    {TCodecKind::PhotoCd, nullptr, "PCD", nullptr, false},
    {TCodecKind::DrHalo, nullptr, "CUT", nullptr, false},
    {TCodecKind::PaintShopPro, NoPspDecoder, nullptr, nullptr, false},
    {TCodecKind::Generic, DecodeByContent, nullptr, nullptr, false},
    {TCodecKind::WebP, nullptr, "WEBP", AfterWebP, false},
    {TCodecKind::Heif, nullptr, "HEIF", nullptr, false},
    {TCodecKind::Avif, nullptr, "AVIF", nullptr, false},
};

const TCodecReader& ReaderOf(TCodecKind codec) {
    for (const TCodecReader& reader : kReaders)
        if (reader.Kind == codec)
            return reader;
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
    return ReaderOf(codec).Drawn;
}

std::string FileExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string();
    return path.substr(dot + 1);
}

namespace {

// Runs Decode(options) with a claim on the process budget when the options
// bring none.
template <typename TDecode>
TDecodedPicture WithClaim(const TDecodeOptions& options, TDecode Decode) {
    if (options.Claim != nullptr)
        return Decode(options);
    return RunWithClaim(TDecodeBudget::Process(), [&](TBudgetClaim& claim) {
        TDecodeOptions claimed = options;
        claimed.Claim = &claim;
        return Decode(claimed);
    });
}

} // namespace

TDecodedPicture DecodeWithCodec(const std::uint8_t* data, std::size_t size, TCodecKind codec,
                                const TDecodeOptions& options) {
    return WithClaim(options, [&](const TDecodeOptions& claimed) {
        const TCodecReader& reader = ReaderOf(codec);
        TDecodedPicture picture = reader.Read != nullptr
                                      ? reader.Read(data, size, claimed)
                                      : DecodeWithMagick(data, size, reader.Magick, claimed);
        if (reader.After != nullptr)
            reader.After(picture, data, size, claimed);
        if (reader.Drawn)
            picture.Drawn = true;
        return picture;
    });
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
        CheckRegularFile(path);
        throw ECodecError(TCodecFailure::Unsupported, path + ": no reader for this extension");
    }
    return WithClaim(options, [&](const TDecodeOptions& claimed) {
        const std::vector<std::uint8_t> bytes = ReadPictureFileBytes(path, claimed.Claim);
        return DecodeWithCodec(bytes.data(), bytes.size(), entry->Codec, claimed);
    });
}
