#include "pictures/uPicLib.h"

#include "codecs/ECodecError.h"
#include "codecs/TDecodeBudget.h"
#include "codecs/uCodecCommon.h"
#include "codecs/uCodecRegistry.h"
#include "codecs/uPngReader.h"
#include "engine/Blend.h"
#include "pictures/uLoadSteps.h"

#include <QImage>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

TColor32 WinColorToColor32(TColor C) {
    const std::uint32_t c = static_cast<std::uint32_t>(C);
    return MakeColor32(std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16));
}

bool IsPngFile(const std::string& FileName) {
    TPictureFile file(FileName);
    std::uint8_t head[4];
    if (file.ReadAt(0, head, sizeof head) < sizeof head)
        throw std::runtime_error("File \"" + FileName + "\" is too short to be a picture.");
    return HasPngSignature(head, sizeof head);
}

// Every load runs with a claim on the process's decode budget: it may wait for
// memory that other threads' loads hold, never while it holds some itself.

void ReadPngTransparent(const std::string& FileName, TBitmap32& Dest) {
    RunWithClaim(TDecodeBudget::Process(), [&](TBudgetClaim& claim) {
        TDecodeOptions options;
        options.Claim = &claim;
        const std::vector<std::uint8_t> data = ReadPictureFileBytes(FileName, &claim);
        TDecodedPicture png = DecodeWithCodec(data.data(), data.size(), TCodecKind::Png, options);
        MovePngToBitmap32(png, Dest);
    });
}

bool LoadPictureToBitmap32(const std::string& FileName, TBitmap32& Dest, std::string* Why) {
    return RunWithClaim(TDecodeBudget::Process(), [&](TBudgetClaim& claim) {
        return TryLoadPicture(FileName, Why, [&] { DecodeFileToBitmap32(FileName, Dest, claim); });
    });
}

bool LoadPictureToBitmap(const std::string& FileName, TBitmap& Dest, std::string* Why) {
    return RunWithClaim(TDecodeBudget::Process(), [&](TBudgetClaim& claim) {
        return TryLoadPicture(FileName, Why, [&] {
            TDecodeOptions options;
            options.Claim = &claim;
            TDecodedPicture picture = DecodePictureFile(FileName, options);
            MoveToBitmap(picture, Dest, TBitmapDepth::Codec);
        });
    });
}

namespace {

bool LoadForFit(const std::string& FileName, TBitmap& Dest, std::int32_t Width, std::int32_t Height,
                std::int32_t FitType, bool ForThumbnail, int& OwnWidth, int& OwnHeight,
                std::string* Why) {
    return RunWithClaim(TDecodeBudget::Process(), [&](TBudgetClaim& claim) {
        return TryLoadPicture(FileName, Why, [&] {
            TDecodeOptions options;
            options.Claim = &claim;
            DecodeForFit(options, Width, Height, FitType, ForThumbnail);
            TDecodedPicture picture = DecodePictureFile(FileName, options);
            OwnWidth = picture.OwnWidth();
            OwnHeight = picture.OwnHeight();
            MoveToBitmap(picture, Dest, TBitmapDepth::Codec);
        });
    });
}

} // namespace

bool LoadPictureForFit(const std::string& FileName, TBitmap& Dest, std::int32_t Width,
                       std::int32_t Height, std::int32_t FitType, int& OwnWidth, int& OwnHeight,
                       std::string* Why) {
    return LoadForFit(FileName, Dest, Width, Height, FitType, false, OwnWidth, OwnHeight, Why);
}

bool LoadPictureForThumbnail(const std::string& FileName, TBitmap& Dest, std::int32_t Width,
                             std::int32_t Height, std::int32_t FitType, int& OwnWidth,
                             int& OwnHeight, std::string* Why) {
    return LoadForFit(FileName, Dest, Width, Height, FitType, true, OwnWidth, OwnHeight, Why);
}

void LoadBitmap32FromFile(TBitmap32& Dest, const std::string& FileName) {
    RunWithClaim(TDecodeBudget::Process(), [&](TBudgetClaim& claim) {
        TDecodeOptions options;
        options.Claim = &claim;
        TDecodedPicture picture = DecodePictureFile(FileName, options);
        const TCodecEntry* entry = FindCodec(FileExtension(FileName));
        const bool twoDrawings =
            entry && (entry->Codec == TCodecKind::Icon || entry->Codec == TCodecKind::Metafile ||
                      entry->Codec == TCodecKind::EnhancedMetafile);
        if (twoDrawings) {
            // Drawn once on white and once on red, a pixel keeps its colour in
            // both only where it is opaque: those stay, everything else becomes
            // transparent with the colour it shows on white.
            for (std::uint32_t& p : picture.Pixels)
                p = (p >> 24) == 255 ? p : (ComposeOntoWhite(p) & 0x00FFFFFFu);
            picture.HasAlpha = true;
            picture.Drawn = false;
            MoveToBitmap32(picture, Dest);
        } else if (picture.Drawn && Dest.Width() == picture.Width &&
                   Dest.Height() == picture.Height && !Dest.IsEmpty()) {
            // A drawn picture goes over what the store holds, and the result is
            // opaque.
            const QImage image(reinterpret_cast<const uchar*>(picture.Pixels.data()), picture.Width,
                               picture.Height, picture.Width * 4, QImage::Format_ARGB32);
            Dest.Assign(image);
        } else if (picture.Drawn) {
            // Over a store of another size: over the black of a fresh one,
            // blended where the pixels are.
            const std::size_t w = std::size_t(picture.Width);
            claim.Add(w * sizeof(TColor32));
            std::vector<TColor32> row(w);
            for (int y = 0; y < picture.Height; ++y) {
                TColor32* pixels = picture.Pixels.data() + std::size_t(y) * w;
                std::copy(pixels, pixels + w, row.begin());
                std::fill(pixels, pixels + w, TColor32(0));
                BlendLine(row.data(), pixels, picture.Width);
            }
            for (std::uint32_t& p : picture.Pixels)
                p |= 0xFF000000u;
            Dest.AdoptPixels(std::move(picture.Pixels), picture.Width, picture.Height);
        } else {
            MoveToBitmap32(picture, Dest);
        }
    });
}

void InstallPictureFileLoader() {
    TBitmap32::SetFileLoader(&LoadBitmap32FromFile);
}

namespace {
// Linking the loaders gives every pixel store its LoadFromFile; programs also
// call InstallPictureFileLoader, which does not depend on the linker's choices.
const bool gLoaderInstalled = (InstallPictureFileLoader(), true);
} // namespace
