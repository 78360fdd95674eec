#include "pictures/uPicLib.h"

#include "codecs/ECodecError.h"
#include "codecs/uCodecCommon.h"
#include "codecs/uCodecRegistry.h"
#include "codecs/uPngReader.h"

#include <QImage>

#include <cstring>
#include <stdexcept>

namespace {

// Straight alpha over white, per channel, rounded to nearest.
std::uint8_t OverWhite(std::uint8_t c, std::uint8_t a) {
    return std::uint8_t((unsigned(c) * a + 255u * (255u - a) + 127u) / 255u);
}

TColor32 ComposeOntoWhite(std::uint32_t p) {
    const std::uint8_t a = std::uint8_t(p >> 24);
    if (a == 255)
        return p;
    return MakeColor32(OverWhite(std::uint8_t(p >> 16), a), OverWhite(std::uint8_t(p >> 8), a),
                       OverWhite(std::uint8_t(p), a));
}

// Takes the picture's size; the pixels are the decoded ones with the alpha the
// picture's kind calls for.
void CopyToBitmap32(const TDecodedPicture& Picture, TBitmap32& Dest) {
    Dest.BeginUpdate();
    try {
        Dest.SetSize(Picture.Width, Picture.Height);
        TColor32* out = Dest.Bits();
        const std::size_t count = Picture.Pixels.size();
        if (Picture.Drawn) {
            for (std::size_t i = 0; i < count; ++i)
                out[i] = ComposeOntoWhite(Picture.Pixels[i]);
        } else if (Picture.HasAlpha) {
            std::memcpy(out, Picture.Pixels.data(), count * sizeof(TColor32));
        } else {
            for (std::size_t i = 0; i < count; ++i)
                out[i] = Picture.Pixels[i] | 0xFF000000u;
        }
    } catch (...) {
        Dest.EndUpdate();
        throw;
    }
    Dest.EndUpdate();
    Dest.Changed();
}

void CopyToBitmap(const TDecodedPicture& Picture, TBitmap& Dest) {
    const bool keepAlpha = !Picture.Drawn && Picture.HasAlpha;
    Dest.SetPixelFormat(keepAlpha ? pf32bit : pf24bit);
    Dest.SetSize(Picture.Width, Picture.Height);
    for (int y = 0; y < Picture.Height; ++y) {
        const std::uint32_t* in = Picture.Pixels.data() + std::size_t(y) * Picture.Width;
        std::uint8_t* row = Dest.ScanLine(y);
        if (keepAlpha) {
            std::memcpy(row, in, std::size_t(Picture.Width) * 4);
            continue;
        }
        for (int x = 0; x < Picture.Width; ++x) {
            const TColor32 c = Picture.Drawn ? ComposeOntoWhite(in[x]) : in[x];
            row[3 * x] = std::uint8_t(c);
            row[3 * x + 1] = std::uint8_t(c >> 8);
            row[3 * x + 2] = std::uint8_t(c >> 16);
        }
    }
}

} // namespace

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

namespace {

// The PNG's colours with alpha 255, then its transparency by its mode.
void CopyPngToBitmap32(const TDecodedPicture& Png, TBitmap32& Dest) {
    Dest.BeginUpdate();
    try {
        Dest.SetSize(Png.Width, Png.Height);
        TColor32* out = Dest.Bits();
        const std::size_t count = Png.Pixels.size();
        for (std::size_t i = 0; i < count; ++i)
            out[i] = Png.Pixels[i] | 0xFF000000u;
        switch (Png.Png.Transparency) {
        case TPngTransparency::None:
            break;
        case TPngTransparency::SingleColor: {
            const TColor32 key = ColorToColor32(static_cast<TColor>(Png.Png.TransparentColor));
            for (std::size_t i = 0; i < count; ++i)
                if (out[i] == key)
                    out[i] &= 0x00FFFFFFu;
            break;
        }
        case TPngTransparency::Partial:
            // Only a real alpha channel carries over; translucent palette
            // entries leave the picture opaque.
            if (Png.Png.ColorType == 4 || Png.Png.ColorType == 6)
                for (std::size_t i = 0; i < count; ++i)
                    out[i] = (out[i] & 0x00FFFFFFu) | (Png.Pixels[i] & 0xFF000000u);
            break;
        }
    } catch (...) {
        Dest.EndUpdate();
        throw;
    }
    Dest.EndUpdate();
    Dest.Changed();
}

} // namespace

void ReadPngTransparent(const std::string& FileName, TBitmap32& Dest) {
    const std::vector<std::uint8_t> data = ReadPictureFileBytes(FileName);
    CopyPngToBitmap32(DecodeWithCodec(data.data(), data.size(), TCodecKind::Png), Dest);
}

namespace {

const char* const kNoSuchFile = "not found: no such file";

void SetWhy(std::string* Why, const std::string& Text) {
    if (Why)
        *Why = Text;
}

} // namespace

namespace {

// Runs a load; a missing file, anything but a regular file (a pipe would keep
// the load waiting) or any error of the codecs makes it false, with the reason
// in Why.
template <typename TLoad> bool TryLoad(const std::string& FileName, std::string* Why, TLoad Load) {
    try {
        CheckRegularFile(FileName);
        Load();
        return true;
    } catch (const ECodecError& e) {
        SetWhy(Why, e.Reason() == TCodecFailure::NotFound ? kNoSuchFile : e.what());
    } catch (const std::exception& e) {
        SetWhy(Why, e.what());
    } catch (...) {
        SetWhy(Why, "unreadable");
    }
    return false;
}

} // namespace

bool LoadPictureToBitmap32(const std::string& FileName, TBitmap32& Dest, std::string* Why) {
    return TryLoad(FileName, Why, [&] {
        const TDecodedPicture picture = DecodePictureFile(FileName);
        // A PNG read by the PNG codec already carries its transparency; only a
        // PNG that another codec accepted needs the PNG codec's second look.
        if (picture.IsPng)
            CopyPngToBitmap32(picture, Dest);
        else if (IsPngFile(FileName))
            ReadPngTransparent(FileName, Dest);
        else
            CopyToBitmap32(picture, Dest);
    });
}

bool LoadPictureToBitmap(const std::string& FileName, TBitmap& Dest, std::string* Why) {
    return TryLoad(FileName, Why, [&] { CopyToBitmap(DecodePictureFile(FileName), Dest); });
}

bool LoadPictureForFit(const std::string& FileName, TBitmap& Dest, std::int32_t Width,
                       std::int32_t Height, std::int32_t FitType, int& OwnWidth, int& OwnHeight,
                       std::string* Why) {
    return TryLoad(FileName, Why, [&] {
        TDecodeOptions options;
        options.ChooseJpegScale = [=](int w, int h) {
            return static_cast<TJpegScale>(JpegScaleForFit(w, h, Width, Height, FitType));
        };
        const TDecodedPicture picture = DecodePictureFile(FileName, options);
        CopyToBitmap(picture, Dest);
        OwnWidth = picture.OwnWidth();
        OwnHeight = picture.OwnHeight();
    });
}

void LoadBitmap32FromFile(TBitmap32& Dest, const std::string& FileName) {
    const TDecodedPicture picture = DecodePictureFile(FileName);
    const TCodecEntry* entry = FindCodec(FileExtension(FileName));
    const bool twoDrawings =
        entry && (entry->Codec == TCodecKind::Icon || entry->Codec == TCodecKind::Metafile ||
                  entry->Codec == TCodecKind::EnhancedMetafile);
    if (twoDrawings) {
        // Drawn once on white and once on red, a pixel keeps its colour in both
        // only where it is opaque: those stay, everything else becomes
        // transparent with the colour it shows on white.
        TDecodedPicture onWhite = picture;
        for (std::uint32_t& p : onWhite.Pixels)
            p = (p >> 24) == 255 ? p : (ComposeOntoWhite(p) & 0x00FFFFFFu);
        onWhite.HasAlpha = true;
        onWhite.Drawn = false;
        CopyToBitmap32(onWhite, Dest);
    } else if (picture.Drawn) {
        // A drawn picture goes over what the store holds (black after a change of
        // size) and the result is opaque.
        const QImage image(reinterpret_cast<const uchar*>(picture.Pixels.data()), picture.Width,
                           picture.Height, picture.Width * 4, QImage::Format_ARGB32);
        Dest.Assign(image);
    } else {
        CopyToBitmap32(picture, Dest);
    }
}

void InstallPictureFileLoader() {
    TBitmap32::SetFileLoader(&LoadBitmap32FromFile);
}

namespace {
// Linking the loaders gives every pixel store its LoadFromFile; programs also
// call InstallPictureFileLoader, which does not depend on the linker's choices.
const bool gLoaderInstalled = (InstallPictureFileLoader(), true);
} // namespace
