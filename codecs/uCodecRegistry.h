// The table of picture codecs: which reader decodes which file extension, the
// file type list of the picture open dialogs, and decoding a file by its name.
#pragma once

#include "codecs/TDecodedPicture.h"
#include "codecs/uCodecCommon.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class TCodecKind {
    Metafile,         // wmf (GraphicsMagick), drawn
    EnhancedMetafile, // emf: no decoder on this platform
    Icon,             // ico (GraphicsMagick), drawn
    Bitmap,           // bmp, rle, dib: Windows bitmaps (GraphicsMagick "BMP")
    Jpeg,             // libjpeg, drawn
    Png,              // libpng, drawn
    Gif,              // giflib, drawn
    Tiff,             // libtiff
    Targa,            // GraphicsMagick "TGA"
    Eps,              // GraphicsMagick "EPS" (needs Ghostscript at run time)
    Pcx,              // GraphicsMagick "PCX"
    Rla,              // GraphicsMagick "RLA"
    Sgi,              // GraphicsMagick "SGI"
    Psd,              // our own reader
    Pnm,              // GraphicsMagick "PNM"
    Autodesk,         // our own reader
    PhotoCd,          // GraphicsMagick "PCD"
    DrHalo,           // GraphicsMagick "CUT"
    PaintShopPro,     // no decoder
    Generic,          // files without an extension: recognised by their content
    WebP,             // GraphicsMagick "WEBP"
    Heif,             // GraphicsMagick "HEIF"
    Avif,             // GraphicsMagick "AVIF"
};

struct TCodecEntry {
    std::string Extension; // lower case, without the dot; empty for the generic entry
    std::string Description;
    TCodecKind Codec;
};

// The first kStandardCodecCount entries of the table are the classic ones in their
// order of addition; the formats after them were added later.
constexpr std::size_t kStandardCodecCount = 49;

// Every entry in its order of addition.
const std::vector<TCodecEntry>& CodecEntries();

// The entry that decides an extension (with or without a leading dot), compared
// without regard to case; where several entries claim it the later one wins. An
// empty extension finds the generic entry. nullptr when no entry claims it.
const TCodecEntry* FindCodec(const std::string& extension);

// The file type list of the picture open dialogs: "All (<masks>)|<masks>" and then
// "<description> (*.<ext>)|*.<ext>" for every entry with an extension, in the
// reverse order of addition, all joined by "|"; masks are joined by ";".
std::string PictureOpenFilter();

// True for the codecs whose pictures the loaders draw onto white (JPEG, PNG, GIF,
// icons, metafiles) rather than copy as a bitmap.
bool IsDrawnCodec(TCodecKind codec);

// The extension of the file name part of a path, without the dot; empty when none.
std::string FileExtension(const std::string& path);

// The three entry points below decode within the decode budget: with the
// options' claim, or else with a claim of their own on the process budget
// (TDecodeBudget::Process), held while they decode, for which they may wait.

// Decodes data with one codec. Throws ECodecError.
TDecodedPicture DecodeWithCodec(const std::uint8_t* data, std::size_t size, TCodecKind codec,
                                const TDecodeOptions& options = {});

// Decodes data with the codec that the extension chooses; an extension that no
// entry claims fails as Unsupported.
TDecodedPicture DecodePictureData(const std::uint8_t* data, std::size_t size,
                                  const std::string& extension, const TDecodeOptions& options = {});

// Decodes a file with the codec that its extension chooses. A missing file fails
// as NotFound and anything but a regular file as Unreadable, also when its
// extension is unknown.
TDecodedPicture DecodePictureFile(const std::string& path, const TDecodeOptions& options = {});
