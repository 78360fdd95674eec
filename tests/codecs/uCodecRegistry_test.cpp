#include "codecs/ECodecError.h"
#include "codecs/TDecodeBudget.h"
#include "codecs/uCodecRegistry.h"
#include "tests/codecs/CodecFixtures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <set>
#include <sys/stat.h>
#include <thread>

using fixtures::Bytes;
using fixtures::TempFolder;
using fixtures::WriteFile;

namespace {

Bytes SmallPng() {
    fixtures::PngSpec s;
    s.Width = 2;
    s.Samples = {1, 2, 3, 4, 5, 6};
    return fixtures::WritePng(s);
}

Bytes SmallJpeg() {
    fixtures::JpegSpec s;
    s.Width = s.Height = 8;
    s.Samples.assign(8 * 8 * 3, 90);
    return fixtures::WriteJpeg(s);
}

TCodecFailure FileFailure(const std::string& path) {
    try {
        DecodePictureFile(path);
    } catch (const ECodecError& e) {
        return e.Reason();
    }
    ADD_FAILURE() << path << " decoded";
    return TCodecFailure::Corrupt;
}

} // namespace

TEST(CodecRegistry, HoldsTheEntriesInTheirOrderOfAddition) {
    const std::vector<std::pair<const char*, const char*>> standard = {
        {"wmf", "Metafiles"},
        {"emf", "Enhanced Metafiles"},
        {"ico", "Icons"},
        {"bmp", "Bitmaps"},
        {"jpeg", "JPEG Image File"},
        {"jpg", "JPEG Image File"},
        {"bmp", "Windows bitmaps"},
        {"ico", "Windows icons"},
        {"wmf", "Windows metafiles"},
        {"emf", "Windows enhanced meta files"},
        {"jfif", "JFIF images"},
        {"jpg", "JPG images"},
        {"jpe", "JPE images"},
        {"jpeg", "JPEG images"},
        {"rle", "Run length encoded Windows bitmaps"},
        {"dib", "Device independant Windows bitmaps"},
        {"win", "Truevision images"},
        {"vst", "Truevision images"},
        {"vda", "Truevision images"},
        {"tga", "Truevision images"},
        {"icb", "Truevision images"},
        {"tiff", "Macintosh TIFF images"},
        {"tif", "PC TIF images"},
        {"fax", "GFI fax images"},
        {"eps", "Encapsulated Postscript images"},
        {"pcx", "ZSoft Paintbrush images"},
        {"pcc", "ZSoft Paintbrush images"},
        {"scr", "Word 5.x screen capture images"},
        {"rpf", "Alias/Wavefront images"},
        {"rla", "Alias/Wavefront images"},
        {"sgi", "SGI true color images"},
        {"rgba", "SGI true color images with alpha"},
        {"rgb", "SGI true color images"},
        {"bw", "SGI black/white images"},
        {"psd", "Photoshop images"},
        {"pdd", "Photoshop images"},
        {"ppm", "Portable pixel map images"},
        {"pgm", "Portable gray map images"},
        {"pbm", "Portable bitmap images"},
        {"cel", "Autodesk images"},
        {"pic", "Autodesk images"},
        {"pcd", "Kodak Photo-CD images"},
        {"gif", "CompuServe images"},
        {"cut", "Dr. Halo images"},
        {"psp", "Paintshop Pro images"},
        {"png", "Portable network graphic images"},
        {"", ""},
        {"png", "Portable Network Graphics"},
        {"gif", "GIF Image"},
    };
    ASSERT_EQ(standard.size(), kStandardCodecCount);
    const std::vector<TCodecEntry>& entries = CodecEntries();
    ASSERT_GE(entries.size(), kStandardCodecCount);
    for (std::size_t i = 0; i < kStandardCodecCount; ++i) {
        EXPECT_EQ(entries[i].Extension, standard[i].first) << i;
        EXPECT_EQ(entries[i].Description, standard[i].second) << i;
    }
    EXPECT_EQ(entries[46].Codec, TCodecKind::Generic);
    for (std::size_t i = kStandardCodecCount; i < entries.size(); ++i)
        EXPECT_FALSE(entries[i].Extension.empty());
}

TEST(CodecRegistry, LooksUpWithoutRegardToCaseAndTheLaterEntryWins) {
    struct Case {
        const char* Query;
        const char* Description; // nullptr: no entry
        TCodecKind Codec;
    };
    const Case cases[] = {
        {"png", "Portable Network Graphics", TCodecKind::Png},
        {".PNG", "Portable Network Graphics", TCodecKind::Png},
        {"gif", "GIF Image", TCodecKind::Gif},
        {"Jpg", "JPG images", TCodecKind::Jpeg},
        {"JPEG", "JPEG images", TCodecKind::Jpeg},
        {"bmp", "Windows bitmaps", TCodecKind::Bitmap},
        {"rle", "Run length encoded Windows bitmaps", TCodecKind::Bitmap},
        {"ico", "Windows icons", TCodecKind::Icon},
        {"wmf", "Windows metafiles", TCodecKind::Metafile},
        {"EMF", "Windows enhanced meta files", TCodecKind::EnhancedMetafile},
        {"tif", "PC TIF images", TCodecKind::Tiff},
        {"rgba", "SGI true color images with alpha", TCodecKind::Sgi},
        {"PIC", "Autodesk images", TCodecKind::Autodesk},
        {"pdd", "Photoshop images", TCodecKind::Psd},
        {"", "", TCodecKind::Generic},
        {"ani", nullptr, TCodecKind::Generic},
        {"cur", nullptr, TCodecKind::Generic},
        {"jpgx", nullptr, TCodecKind::Generic},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Query);
        const TCodecEntry* entry = FindCodec(c.Query);
        if (c.Description == nullptr) {
            EXPECT_EQ(entry, nullptr);
            continue;
        }
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->Description, c.Description);
        EXPECT_EQ(entry->Codec, c.Codec);
    }
}

TEST(CodecRegistry, EveryKindHasAReaderAndOnlyTheClassicDrawnFormatsAreDrawn) {
    const std::set<TCodecKind> drawn = {TCodecKind::Metafile, TCodecKind::EnhancedMetafile,
                                        TCodecKind::Icon,     TCodecKind::Jpeg,
                                        TCodecKind::Png,      TCodecKind::Gif};
    for (int k = int(TCodecKind::Metafile); k <= int(TCodecKind::Avif); ++k) {
        const TCodecKind kind = TCodecKind(k);
        SCOPED_TRACE(k);
        EXPECT_EQ(IsDrawnCodec(kind), drawn.count(kind) == 1);
        // Nothing to decode: every reader refuses it with a reason of its own.
        try {
            DecodeWithCodec(nullptr, 0, kind);
            ADD_FAILURE() << "decoded nothing";
        } catch (const ECodecError& e) {
            EXPECT_EQ(std::string(e.what()).find("unknown codec"), std::string::npos) << e.what();
        }
    }
}

TEST(CodecRegistry, BuildsTheOpenDialogFileTypes) {
    const std::string masks =
        "*.avif;*.heif;*.heic;*.webp;"
        "*.gif;*.png;*.png;*.psp;*.cut;*.gif;*.pcd;*.pic;*.cel;*.pbm;*.pgm;*.ppm;*.pdd;*.psd;"
        "*.bw;*.rgb;*.rgba;*.sgi;*.rla;*.rpf;*.scr;*.pcc;*.pcx;*.eps;*.fax;*.tif;*.tiff;*.icb;"
        "*.tga;*.vda;*.vst;*.win;*.dib;*.rle;*.jpeg;*.jpe;*.jpg;*.jfif;*.emf;*.wmf;*.ico;*.bmp;"
        "*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf";
    const std::string types =
        "AVIF images (*.avif)|*.avif|HEIF images (*.heif)|*.heif|HEIC images (*.heic)|*.heic|"
        "WebP images (*.webp)|*.webp|"
        "GIF Image (*.gif)|*.gif|Portable Network Graphics (*.png)|*.png|"
        "Portable network graphic images (*.png)|*.png|Paintshop Pro images (*.psp)|*.psp|"
        "Dr. Halo images (*.cut)|*.cut|CompuServe images (*.gif)|*.gif|"
        "Kodak Photo-CD images (*.pcd)|*.pcd|Autodesk images (*.pic)|*.pic|"
        "Autodesk images (*.cel)|*.cel|Portable bitmap images (*.pbm)|*.pbm|"
        "Portable gray map images (*.pgm)|*.pgm|Portable pixel map images (*.ppm)|*.ppm|"
        "Photoshop images (*.pdd)|*.pdd|Photoshop images (*.psd)|*.psd|"
        "SGI black/white images (*.bw)|*.bw|SGI true color images (*.rgb)|*.rgb|"
        "SGI true color images with alpha (*.rgba)|*.rgba|SGI true color images (*.sgi)|*.sgi|"
        "Alias/Wavefront images (*.rla)|*.rla|Alias/Wavefront images (*.rpf)|*.rpf|"
        "Word 5.x screen capture images (*.scr)|*.scr|ZSoft Paintbrush images (*.pcc)|*.pcc|"
        "ZSoft Paintbrush images (*.pcx)|*.pcx|Encapsulated Postscript images (*.eps)|*.eps|"
        "GFI fax images (*.fax)|*.fax|PC TIF images (*.tif)|*.tif|"
        "Macintosh TIFF images (*.tiff)|*.tiff|Truevision images (*.icb)|*.icb|"
        "Truevision images (*.tga)|*.tga|Truevision images (*.vda)|*.vda|"
        "Truevision images (*.vst)|*.vst|Truevision images (*.win)|*.win|"
        "Device independant Windows bitmaps (*.dib)|*.dib|"
        "Run length encoded Windows bitmaps (*.rle)|*.rle|JPEG images (*.jpeg)|*.jpeg|"
        "JPE images (*.jpe)|*.jpe|JPG images (*.jpg)|*.jpg|JFIF images (*.jfif)|*.jfif|"
        "Windows enhanced meta files (*.emf)|*.emf|Windows metafiles (*.wmf)|*.wmf|"
        "Windows icons (*.ico)|*.ico|Windows bitmaps (*.bmp)|*.bmp|"
        "JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp|"
        "Icons (*.ico)|*.ico|Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf";
    EXPECT_EQ(PictureOpenFilter(), "All (" + masks + ")|" + masks + "|" + types);
}

TEST(CodecRegistry, FileExtensions) {
    const std::pair<const char*, const char*> cases[] = {
        {"/a/b/photo.JPG", "JPG"}, {"/a/b.d/file", ""}, {"/a/archive.tar.gz", "gz"},
        {"/a/.png", "png"},        {"noext", ""},       {"/a/b/trailing.", ""},
    };
    for (const auto& [path, extension] : cases)
        EXPECT_EQ(FileExtension(path), extension) << path;
}

TEST(CodecRegistry, DecodesFilesByExtension) {
    const TempFolder folder;
    const std::string& dir = folder.Path();
    const Bytes png = SmallPng();
    const Bytes jpeg = SmallJpeg();
    WriteFile(dir + "PHOTO.JPG", jpeg);
    WriteFile(dir + "picture.Png", png);
    WriteFile(dir + "png-as.jpg", png);
    WriteFile(dir + "jpeg-as.png", jpeg);
    WriteFile(dir + "short.png", {0x89, 'P', 'N'});
    WriteFile(dir + "cursor.ani", png);
    WriteFile(dir + "paint.psp", png);
    WriteFile(dir + "meta.emf", png);
    WriteFile(dir + "noextension", png);
    WriteFile(dir + "garbage", {1, 2, 3, 4, 5, 6, 7, 8});
    WriteFile(dir + "photo.tif", fixtures::WriteTiff(fixtures::TiffSpec{1,
                                                                        1,
                                                                        3,
                                                                        8,
                                                                        PHOTOMETRIC_RGB,
                                                                        COMPRESSION_NONE,
                                                                        ORIENTATION_TOPLEFT,
                                                                        -1,
                                                                        {},
                                                                        {1, 2, 3}}));
    mkdir((dir + "folder.png").c_str(), 0700);

    TDecodedPicture p = DecodePictureFile(dir + "PHOTO.JPG");
    EXPECT_EQ(p.Width, 8);
    EXPECT_TRUE(p.Drawn);
    p = DecodePictureFile(dir + "picture.Png");
    EXPECT_TRUE(p.IsPng);
    EXPECT_TRUE(p.Drawn);
    p = DecodePictureFile(dir + "noextension");
    EXPECT_TRUE(p.IsPng);
    p = DecodePictureFile(dir + "photo.tif");
    EXPECT_FALSE(p.Drawn);
    EXPECT_EQ(p.Pixels, std::vector<std::uint32_t>{0xFF010203});

    struct Case {
        const char* Name;
        TCodecFailure Reason;
    };
    for (const Case& c :
         {Case{"png-as.jpg", TCodecFailure::Corrupt}, Case{"jpeg-as.png", TCodecFailure::Corrupt},
          Case{"short.png", TCodecFailure::Corrupt}, Case{"cursor.ani", TCodecFailure::Unsupported},
          Case{"paint.psp", TCodecFailure::Unsupported},
          Case{"meta.emf", TCodecFailure::Unsupported}, Case{"garbage", TCodecFailure::Unsupported},
          Case{"missing.png", TCodecFailure::NotFound},
          Case{"missing.ani", TCodecFailure::NotFound},
          Case{"missing/picture.png", TCodecFailure::NotFound},
          Case{"folder.png", TCodecFailure::Unreadable}}) {
        EXPECT_EQ(FileFailure(dir + c.Name), c.Reason) << c.Name;
    }
}

TEST(CodecRegistry, ReadersCanRunOnSeveralThreadsAtOnce) {
    std::vector<std::uint32_t> colours(24 * 16);
    for (std::size_t i = 0; i < colours.size(); ++i)
        colours[i] = 0xFF000000u | std::uint32_t(i * 2654435761u & 0xFFFFFF);
    fixtures::GifSpec gif;
    gif.Colors = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    gif.Indices.assign(16, 2);
    fixtures::TiffSpec tiff;
    tiff.Data.assign(12, 77);
    const std::vector<std::pair<std::string, Bytes>> files = {
        {"png", SmallPng()},
        {"jpg", SmallJpeg()},
        {"gif", fixtures::WriteGif(gif)},
        {"tif", fixtures::WriteTiff(tiff)},
        {"bmp", fixtures::WriteWithMagick(24, 16, colours, "BMP", false)},
        {"tga", fixtures::WriteWithMagick(24, 16, colours, "TGA", false)},
        {"pcx", fixtures::WriteWithMagick(24, 16, colours, "PCX", false)},
    };
    std::vector<TDecodedPicture> reference;
    for (const auto& [extension, bytes] : files)
        reference.push_back(DecodePictureData(bytes.data(), bytes.size(), extension));
    std::atomic<int> mismatches{0};
    std::atomic<int> errors{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 15; ++round)
                for (std::size_t i = 0; i < files.size(); ++i) {
                    const std::size_t k = (i + std::size_t(t)) % files.size();
                    try {
                        const TDecodedPicture p = DecodePictureData(
                            files[k].second.data(), files[k].second.size(), files[k].first);
                        if (p.Pixels != reference[k].Pixels)
                            ++mismatches;
                    } catch (const std::exception&) {
                        ++errors;
                    }
                }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(errors.load(), 0);
}

TEST(CodecRegistry, ErrorsNameTheirReason) {
    const std::pair<TCodecFailure, const char*> cases[] = {
        {TCodecFailure::NotFound, "not found"}, {TCodecFailure::Unreadable, "unreadable"},
        {TCodecFailure::Corrupt, "corrupt"},    {TCodecFailure::Unsupported, "unsupported"},
        {TCodecFailure::TooLarge, "too large"},
    };
    for (const auto& [reason, text] : cases) {
        const ECodecError e(reason, "x.png");
        EXPECT_EQ(e.Reason(), reason);
        EXPECT_EQ(std::string(e.what()), std::string(text) + ": x.png");
    }
}

namespace {

// Decodes data by its extension with a claim on a budget of its own, and tells
// how that went and what the reader asked for.
struct TClaimedDecode {
    bool Decoded = false;
    TCodecFailure Reason = TCodecFailure::NotFound;
    std::uint64_t Asked = 0;
};

TClaimedDecode DecodeClaimed(const Bytes& data, const char* extension) {
    TDecodeBudget budget(std::uint64_t(1) << 40);
    TBudgetClaim claim = budget.Claim(0);
    TDecodeOptions options;
    options.Claim = &claim;
    TClaimedDecode result;
    try {
        DecodePictureData(data.data(), data.size(), extension, options);
        result.Decoded = true;
    } catch (const ECodecError& e) {
        result.Reason = e.Reason();
    }
    result.Asked = claim.Asked();
    return result;
}

} // namespace

TEST(CodecRegistry, HeadersClaimingMoreThanTheirBytesHoldFailBeforeThePictureIsClaimed) {
    // 2^28 pixels, the largest picture a reader accepts, in 35 to 138 bytes.
    const unsigned huge = 16384;
    // 2^24 pixels, with just enough bytes that a real file could code them.
    const unsigned large = 4096;
    const std::uint64_t largeBytes = std::uint64_t(large) * large * 4;
    const struct {
        const char* Extension;
        Bytes Tiny, Padded;
    } cases[] = {
        {"gif", fixtures::HugeHeaderGif(huge), fixtures::HugeHeaderGif(large, 20000)},
        {"png", fixtures::HugeHeaderPng(huge), fixtures::HugeHeaderPng(large, 20000)},
        {"jpg", fixtures::HugeHeaderJpeg(huge), fixtures::HugeHeaderJpeg(large, 20000)},
        {"tif", fixtures::HugeHeaderTiff(huge), fixtures::HugeHeaderTiff(large, 20000)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Extension);
        EXPECT_LE(c.Tiny.size(), 146u);
        const TClaimedDecode tiny = DecodeClaimed(c.Tiny, c.Extension);
        EXPECT_FALSE(tiny.Decoded);
        EXPECT_EQ(tiny.Reason, TCodecFailure::Corrupt);
        EXPECT_LT(tiny.Asked, 65536u);
        // Past the bound the budget is what stands between the header and the
        // memory: the picture is claimed before the data turns out short.
        const TClaimedDecode padded = DecodeClaimed(c.Padded, c.Extension);
        EXPECT_FALSE(padded.Decoded);
        EXPECT_EQ(padded.Reason, TCodecFailure::Corrupt);
        EXPECT_GE(padded.Asked, largeBytes);
    }
}

TEST(CodecRegistry, TheMostCompressibleFilesPassTheBounds) {
    // All black at one bit per pixel, deflated as far as zlib goes: the closest a
    // real file comes to the 1032 to 1 of deflate.
    fixtures::PngSpec png;
    png.Width = png.Height = 2048;
    png.ColorType = PNG_COLOR_TYPE_GRAY;
    png.BitDepth = 1;
    png.Samples.assign(std::size_t(2048) * 2048, 0);
    fixtures::TiffSpec tiff;
    tiff.Width = tiff.Height = 2048;
    tiff.SamplesPerPixel = 1;
    tiff.BitsPerSample = 1;
    tiff.Photometric = PHOTOMETRIC_MINISBLACK;
    tiff.Compression = COMPRESSION_ADOBE_DEFLATE;
    tiff.Data.assign(std::size_t(2048) * 256, 0);
    fixtures::GifSpec gif;
    gif.ScreenWidth = gif.ScreenHeight = gif.Width = gif.Height = 2048;
    gif.Colors = {{0, 0, 0}, {255, 255, 255}};
    gif.Indices.assign(std::size_t(2048) * 2048, 0);
    fixtures::JpegSpec jpeg;
    jpeg.Width = jpeg.Height = 2048;
    jpeg.Components = 1;
    jpeg.InSpace = JCS_GRAYSCALE;
    jpeg.Progressive = true;
    jpeg.Quality = 10;
    jpeg.Samples.assign(std::size_t(2048) * 2048, 0);
    const std::pair<const char*, Bytes> files[] = {
        {"png", fixtures::WritePng(png)},
        {"tif", fixtures::WriteTiff(tiff)},
        {"gif", fixtures::WriteGif(gif)},
        {"jpg", fixtures::WriteJpeg(jpeg)},
    };
    for (const auto& [extension, bytes] : files) {
        SCOPED_TRACE(testing::Message() << extension << ", " << bytes.size() << " bytes");
        const TDecodedPicture p = DecodePictureData(bytes.data(), bytes.size(), extension);
        EXPECT_EQ(p.Width, 2048);
        EXPECT_EQ(p.Pixel(2047, 2047) & 0xFFFFFF, 0u);
    }
}

TEST(CodecRegistry, ReadersClaimWhatTheyTakeBeforeTheyTakeIt) {
    std::vector<std::uint32_t> colours(40 * 30, 0xFF336699u);
    fixtures::PngSpec png;
    png.Width = 40;
    png.Height = 30;
    png.Samples.assign(40 * 30 * 3, 7);
    fixtures::JpegSpec jpeg;
    jpeg.Width = 40;
    jpeg.Height = 30;
    jpeg.Progressive = true;
    jpeg.Samples.assign(40 * 30 * 3, 7);
    const std::uint64_t picture = 40 * 30 * 4;
    const struct {
        const char* Extension;
        Bytes File;
        std::uint64_t Least;
    } cases[] = {
        {"png", fixtures::WritePng(png), picture},
        // and the coefficients of 5 x 4 blocks of three components
        {"jpg", fixtures::WriteJpeg(jpeg), picture + 5 * 4 * 3 * 128},
        // and GraphicsMagick's pixel cache
        {"bmp", fixtures::WriteWithMagick(40, 30, colours, "BMP", false), picture + 40 * 30 * 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Extension);
        const TClaimedDecode decoded = DecodeClaimed(c.File, c.Extension);
        EXPECT_TRUE(decoded.Decoded);
        EXPECT_GE(decoded.Asked, c.Least);

        // A claim that cannot grow stops the reader before it takes the memory.
        TDecodeBudget budget(1000);
        TBudgetClaim other = budget.Claim(500);
        TBudgetClaim claim = budget.Claim(0);
        TDecodeOptions options;
        options.Claim = &claim;
        EXPECT_THROW(DecodePictureData(c.File.data(), c.File.size(), c.Extension, options),
                     EClaimMustWait);
    }
}
