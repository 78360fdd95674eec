#include "codecs/ECodecError.h"
#include "codecs/TDecodeBudget.h"
#include "codecs/uExifOrientation.h"
#include "codecs/uJpegReader.h"
#include "tests/codecs/CodecFixtures.h"

#include <gtest/gtest.h>

#include <cstring>

#ifdef __unix__
#include <sys/mman.h>
#include <unistd.h>
#endif

using fixtures::Bytes;
using fixtures::JpegSpec;

namespace {

// A picture of flat 8 x 8 blocks; block (bx, by) has colour blocks[by * columns + bx].
JpegSpec Blocks(int columns, int rows, const std::vector<std::vector<std::uint8_t>>& blocks) {
    JpegSpec s;
    s.Width = columns * 8;
    s.Height = rows * 8;
    s.Components = int(blocks[0].size());
    s.InSpace = s.Components == 1 ? JCS_GRAYSCALE : s.Components == 3 ? JCS_RGB : JCS_CMYK;
    for (int y = 0; y < s.Height; ++y)
        for (int x = 0; x < s.Width; ++x)
            for (std::uint8_t v : blocks[std::size_t((y / 8) * columns + x / 8)])
                s.Samples.push_back(v);
    return s;
}

JpegSpec FourColours() {
    return Blocks(2, 2, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}});
}

void ExpectNear(std::uint32_t actual, std::uint32_t expected, int tolerance = 3) {
    for (int shift : {24, 16, 8, 0}) {
        const int a = int((actual >> shift) & 0xFF), e = int((expected >> shift) & 0xFF);
        EXPECT_LE(std::abs(a - e), tolerance)
            << std::hex << "actual 0x" << actual << ", expected 0x" << expected;
    }
}

// The centre pixel of each 8 x 8 block.
void ExpectBlocks(const TDecodedPicture& p, int columns, const std::vector<std::uint32_t>& want) {
    for (std::size_t i = 0; i < want.size(); ++i)
        ExpectNear(p.Pixel(int(i % columns) * 8 + 4, int(i / columns) * 8 + 4), want[i]);
}

TCodecFailure FailureOf(const Bytes& bytes, TJpegScale scale = TJpegScale::Full) {
    TDecodeOptions options;
    options.JpegScale = scale;
    try {
        DecodeJpeg(bytes.data(), bytes.size(), options);
    } catch (const ECodecError& e) {
        return e.Reason();
    }
    ADD_FAILURE() << "decoding succeeded";
    return TCodecFailure::NotFound;
}

std::size_t FindMarker(const Bytes& b, std::uint8_t marker) {
    for (std::size_t i = 0; i + 1 < b.size(); ++i)
        if (b[i] == 0xFF && b[i + 1] == marker)
            return i;
    return b.size();
}

// The file with its last scan sent again copies times, just before the end marker.
Bytes RepeatLastScan(const Bytes& file, int copies) {
    std::size_t sos = file.size() - 2;
    while (sos > 0 && !(file[sos] == 0xFF && file[sos + 1] == 0xDA))
        --sos;
    const Bytes scan(file.begin() + long(sos), file.end() - 2);
    Bytes out(file.begin(), file.end() - 2);
    for (int i = 0; i < copies; ++i)
        out.insert(out.end(), scan.begin(), scan.end());
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

// A flat colour: every AC coefficient is zero, so a refinement scan is a few
// end-of-band runs that decode the same however often they are repeated.
JpegSpec Flat(int side, int components) {
    JpegSpec s;
    s.Width = s.Height = side;
    s.Components = components;
    s.InSpace = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    s.Samples.assign(std::size_t(side) * std::size_t(side) * std::size_t(components), 90);
    return s;
}

jpeg_scan_info Scan(int Ss, int Se, int Ah, int Al) {
    jpeg_scan_info scan{};
    scan.comps_in_scan = 1;
    scan.Ss = Ss;
    scan.Se = Se;
    scan.Ah = Ah;
    scan.Al = Al;
    return scan;
}

// A grey progression that sends every coefficient in a band of its own, first
// without its low bits and then one refinement scan per bit: (bits + 1) * 64
// scans, all of them legal.
JpegSpec OneBandPerCoefficient(int bits) {
    JpegSpec s = Flat(16, 1);
    for (int k = 0; k < 64; ++k)
        for (int ah = 0; ah <= bits; ++ah)
            s.Scans.push_back(Scan(k, k, ah == 0 ? 0 : bits - ah + 1, bits - ah));
    return s;
}

} // namespace

TEST(JpegReader, DecodesColourGreyAndCodingVariants) {
    struct Case {
        const char* Name;
        bool Progressive, Arithmetic;
    };
    for (const Case& c : {Case{"baseline", false, false}, Case{"progressive", true, false},
                          Case{"arithmetic", false, true}, Case{"both", true, true}}) {
        SCOPED_TRACE(c.Name);
        JpegSpec s = FourColours();
        s.Progressive = c.Progressive;
        s.Arithmetic = c.Arithmetic;
        const Bytes file = fixtures::WriteJpeg(s);
        const TDecodedPicture p = DecodeJpeg(file.data(), file.size());
        EXPECT_EQ(p.Width, 16);
        EXPECT_EQ(p.Height, 16);
        EXPECT_TRUE(p.Drawn);
        EXPECT_FALSE(p.HasAlpha);
        ExpectBlocks(p, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
    }
    const Bytes grey = fixtures::WriteJpeg(Blocks(2, 1, {{0}, {200}}));
    const TDecodedPicture g = DecodeJpeg(grey.data(), grey.size());
    ExpectBlocks(g, 2, {0xFF000000, 0xFFC8C8C8});
    for (std::uint32_t pixel : g.Pixels)
        EXPECT_TRUE(((pixel >> 16) & 0xFF) == (pixel & 0xFF) &&
                    ((pixel >> 8) & 0xFF) == (pixel & 0xFF));
}

TEST(JpegReader, DecodesCmykAndYcck) {
    // Files with the Adobe marker store CMYK inverted: 255 is no ink.
    for (J_COLOR_SPACE space : {JCS_CMYK, JCS_YCCK}) {
        SCOPED_TRACE(space);
        JpegSpec s = Blocks(2, 1, {{255, 128, 0, 255}, {200, 200, 200, 100}});
        s.FileSpace = space;
        const Bytes file = fixtures::WriteJpeg(s);
        const TDecodedPicture p = DecodeJpeg(file.data(), file.size());
        ExpectBlocks(p, 2, {0xFFFF8000, 0xFF4E4E4E});
    }
}

TEST(JpegReader, ScalesDownOnRequest) {
    const Bytes file =
        fixtures::WriteJpeg(Blocks(8, 6, std::vector<std::vector<std::uint8_t>>(48, {30, 60, 90})));
    for (auto [scale, w, h] :
         {std::tuple{TJpegScale::Full, 64, 48}, std::tuple{TJpegScale::Half, 32, 24},
          std::tuple{TJpegScale::Quarter, 16, 12}, std::tuple{TJpegScale::Eighth, 8, 6}}) {
        TDecodeOptions options;
        options.JpegScale = scale;
        const TDecodedPicture p = DecodeJpeg(file.data(), file.size(), options);
        EXPECT_EQ(p.Width, w);
        EXPECT_EQ(p.Height, h);
        ExpectNear(p.Pixel(w / 2, h / 2), 0xFF1E3C5A);
    }
}

TEST(JpegReader, AppliesEveryExifOrientation) {
    JpegSpec s = Blocks(4, 2,
                        {{255, 0, 0},
                         {0, 255, 0},
                         {0, 0, 255},
                         {255, 255, 0},
                         {0, 255, 255},
                         {255, 0, 255},
                         {0, 0, 0},
                         {255, 255, 255}});
    const Bytes plainFile = fixtures::WriteJpeg(s);
    const TDecodedPicture plain = DecodeJpeg(plainFile.data(), plainFile.size());
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        s.Exif = fixtures::MakeExif(orientation, orientation % 2 == 0);
        const Bytes file = fixtures::WriteJpeg(s);
        const TDecodedPicture p = DecodeJpeg(file.data(), file.size());
        TDecodedPicture want = plain;
        ApplyExifOrientation(want, orientation);
        EXPECT_EQ(p.Width, orientation >= 5 ? 16 : 32);
        EXPECT_EQ(p.Pixels, want.Pixels);
        if (orientation == 6) // turned clockwise: the red top-left block is now top right
            ExpectNear(p.Pixel(12, 4), 0xFFFF0000);
    }
}

TEST(JpegReader, DamagedFilesFailCleanly) {
    const Bytes good = fixtures::WriteJpeg(FourColours());
    const std::size_t scan = FindMarker(good, 0xDA);
    ASSERT_LT(scan, good.size());
    for (std::size_t length :
         {std::size_t(0), std::size_t(2), std::size_t(20), scan, scan + 30, good.size() - 2}) {
        SCOPED_TRACE(length);
        EXPECT_EQ(FailureOf(Bytes(good.begin(), good.begin() + long(length))),
                  TCodecFailure::Corrupt);
    }
    fixtures::PngSpec png;
    png.Samples = {1, 2, 3};
    const Bytes notJpeg = fixtures::WritePng(png);
    EXPECT_EQ(FailureOf(notJpeg), TCodecFailure::Corrupt);
}

TEST(JpegReader, RefusesHugePicturesBeforeDecoding) {
    Bytes bomb = fixtures::WriteJpeg(FourColours());
    const std::size_t sof = FindMarker(bomb, 0xC0);
    ASSERT_LT(sof, bomb.size());
    for (int i : {5, 6, 7, 8})
        bomb[sof + std::size_t(i)] = i % 2 ? 0xFF : 0xDC; // 65500 x 65500
    EXPECT_EQ(FailureOf(bomb), TCodecFailure::TooLarge);
    try {
        DecodeJpeg(bomb.data(), bomb.size());
    } catch (const ECodecError& e) {
        EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos);
    }
}

TEST(JpegReader, RefusesScansThatSendCoefficientsAgain) {
    JpegSpec refined = Flat(64, 3);
    refined.Progressive = true; // its last scan refines the luminance's AC bits
    // Without successive approximation the last scan is a first scan of the AC band.
    JpegSpec firstOnly = Flat(64, 1);
    firstOnly.Scans = {Scan(0, 0, 0, 0), Scan(1, 63, 0, 0)};
    // 8192 x 8192 with 900 copies of its last scan took most of a minute to decode;
    // refused at the first copy, a large bomb is as quick as a small one.
    JpegSpec large = Flat(2048, 3);
    large.Progressive = true;
    const struct {
        const char* Name;
        Bytes File;
    } cases[] = {
        {"a refinement scan repeated", RepeatLastScan(fixtures::WriteJpeg(refined), 100)},
        {"a first scan repeated", RepeatLastScan(fixtures::WriteJpeg(firstOnly), 100)},
        {"a large picture's refinement repeated 900 times",
         RepeatLastScan(fixtures::WriteJpeg(large), 900)},
    };
    for (const auto& c : cases)
        for (TJpegScale scale : {TJpegScale::Full, TJpegScale::Eighth}) {
            SCOPED_TRACE(testing::Message() << c.Name << ", scale 1/" << int(scale));
            EXPECT_EQ(FailureOf(c.File, scale), TCodecFailure::Corrupt);
        }
    // Sent once, each file is fine.
    for (const JpegSpec& spec : {refined, firstOnly}) {
        const Bytes file = fixtures::WriteJpeg(spec);
        EXPECT_EQ(DecodeJpeg(file.data(), file.size()).Width, 64);
    }
}

TEST(JpegReader, RefusesMoreScansThanAnyEncoderWrites) {
    // 256 scans is the most a file may have.
    const Bytes most = fixtures::WriteJpeg(OneBandPerCoefficient(3));
    const TDecodedPicture p = DecodeJpeg(most.data(), most.size());
    EXPECT_EQ(p.Width, 16);
    ExpectNear(p.Pixel(8, 8), 0xFF5A5A5A);
    const Bytes more = fixtures::WriteJpeg(OneBandPerCoefficient(4)); // 320 scans
    for (TJpegScale scale : {TJpegScale::Full, TJpegScale::Eighth}) {
        SCOPED_TRACE(int(scale));
        EXPECT_EQ(FailureOf(more, scale), TCodecFailure::Corrupt);
    }
}

TEST(JpegCoefficientBytes, ComeFromTheFrameHeaderOfProgressiveFiles) {
    auto jpeg = [](int components, bool progressive, bool exif) {
        JpegSpec spec;
        spec.Width = 100;
        spec.Height = 60;
        spec.Components = components;
        spec.InSpace = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
        spec.Progressive = progressive;
        if (exif)
            spec.Exif = fixtures::MakeExif(6);
        spec.Samples.assign(std::size_t(100) * 60 * components, 128);
        return fixtures::WriteJpeg(spec);
    };
    // The fixture writes every component at full size: 13 x 8 blocks each.
    const std::size_t blocks = 13 * 8 * 128;
    Bytes truncated = jpeg(3, true, true);
    truncated.resize(40);
    // A fill byte before a marker, and markers without a length, are stepped over.
    Bytes padded = jpeg(1, true, false);
    padded.insert(padded.begin() + 2, {0xFF, 0xFF, 0x01, 0xFF, 0xD0});
    // The frame header comes after more than a MiB of metadata.
    Bytes late = jpeg(1, true, false);
    Bytes comment = {0xFF, 0xFE, 0xFF, 0xFF};
    comment.resize(0xFFFF + 2, 'x');
    for (int i = 0; i < 17; ++i)
        late.insert(late.begin() + 2, comment.begin(), comment.end());
    fixtures::PngSpec png;
    png.Samples = {1, 2, 3};
    const struct {
        const char* Name;
        Bytes File;
        std::size_t Expected;
    } cases[] = {
        {"progressive", jpeg(3, true, false), 3 * blocks},
        {"progressive with EXIF", jpeg(3, true, true), 3 * blocks},
        {"progressive grey", jpeg(1, true, false), blocks},
        {"fill bytes and lone markers", padded, blocks},
        {"frame header too late", late, 0},
        {"baseline", jpeg(3, false, true), 0},
        {"truncated", truncated, 0},
        {"empty", Bytes(), 0},
        {"PNG", fixtures::WritePng(png), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(ProgressiveJpegCoefficientBytes(c.File.data(), c.File.size()), c.Expected);
    }

    // From a file: the same walk.
    const fixtures::TempFolder folder;
    const std::string& dir = folder.Path();
    for (const auto& c : {cases[1], cases[4], cases[6]}) {
        SCOPED_TRACE(c.Name);
        fixtures::WriteFile(dir + "p.jpg", c.File);
        EXPECT_EQ(ProgressiveJpegCoefficientBytes(dir + "p.jpg"), c.Expected);
    }
    EXPECT_EQ(ProgressiveJpegCoefficientBytes(dir + "missing.jpg"), 0u);
}

// ---- Decoding for thumbnails ----

namespace {

// Thumbnail decoding asked for need, whatever the picture's size, at scale.
TDecodedPicture DecodeForThumbnail(const Bytes& file, TThumbnailSize need,
                                   TJpegScale scale = TJpegScale::Full,
                                   TBudgetClaim* claim = nullptr) {
    TDecodeOptions options;
    options.JpegScale = scale;
    options.Claim = claim;
    options.ThumbnailNeeds = [need](int, int) { return need; };
    return DecodeJpeg(file.data(), file.size(), options);
}

TDecodedPicture DecodeAt(const Bytes& file, TJpegScale scale) {
    TDecodeOptions options;
    options.JpegScale = scale;
    return DecodeJpeg(file.data(), file.size(), options);
}

// Twelve blocks of distinct colours, 4 x 3 blocks of side pixels each.
JpegSpec Twelve(int side) {
    static const std::uint8_t colours[12][3] = {
        {255, 0, 0},     {0, 255, 0}, {0, 0, 255},  {255, 255, 0}, {0, 255, 255}, {255, 0, 255},
        {255, 255, 255}, {0, 0, 0},   {128, 64, 0}, {0, 128, 64},  {64, 0, 128},  {200, 200, 90},
    };
    JpegSpec s;
    s.Width = 4 * side;
    s.Height = 3 * side;
    for (int y = 0; y < s.Height; ++y)
        for (int x = 0; x < s.Width; ++x)
            for (std::uint8_t v : colours[(y / side) * 4 + x / side])
                s.Samples.push_back(v);
    return s;
}

// A grey photo of 64 x 48 carrying thumbnail in its EXIF block with orientation.
Bytes GreyPhotoWith(const Bytes& thumbnail, int orientation, bool big = false) {
    JpegSpec photo = Flat(64, 3);
    photo.Height = 48;
    photo.Samples.resize(64 * 48 * 3);
    photo.Exif = fixtures::MakeExifWithThumbnail(orientation, thumbnail, big);
    return fixtures::WriteJpeg(photo);
}

// Where each scan's header and data lie: from its SOS marker to the marker after
// its data.
struct ScanSpan {
    std::size_t Begin, End;
    int Ss, Se, Ah, Al;
};
std::vector<ScanSpan> Scans(const Bytes& b) {
    std::vector<ScanSpan> scans;
    for (std::size_t i = 0; i + 4 < b.size(); ++i) {
        if (b[i] != 0xFF || b[i + 1] != 0xDA)
            continue;
        const std::size_t header = i + 2;
        const std::size_t length = std::size_t(b[header]) << 8 | b[header + 1];
        const std::size_t tail = header + length - 3; // Ss, Se, Ah << 4 | Al
        std::size_t end = header + length;
        while (end + 1 < b.size() &&
               !(b[end] == 0xFF && b[end + 1] != 0 && (b[end + 1] < 0xD0 || b[end + 1] > 0xD7)))
            ++end;
        scans.push_back({i, end, b[tail], b[tail + 1], b[tail + 2] >> 4, b[tail + 2] & 15});
        i = end - 1;
    }
    return scans;
}

// The file with scan index sent twice in a row.
Bytes RepeatScan(const Bytes& file, std::size_t index) {
    const ScanSpan scan = Scans(file).at(index);
    Bytes out = file;
    out.insert(out.begin() + long(scan.End), file.begin() + long(scan.Begin),
               file.begin() + long(scan.End));
    return out;
}

// The file with the data of scan index cut to its first byte.
Bytes StarveScan(const Bytes& file, std::size_t index) {
    const ScanSpan scan = Scans(file).at(index);
    const std::size_t data =
        scan.Begin + 2 + (std::size_t(file[scan.Begin + 2]) << 8 | file[scan.Begin + 3]);
    Bytes out(file.begin(), file.begin() + long(data) + 1);
    out.insert(out.end(), file.begin() + long(scan.End), file.end());
    return out;
}

// A photo-like colour picture: smooth light, sharp edges and colour changes.
JpegSpec Photo(int width, int height) {
    JpegSpec s;
    s.Width = width;
    s.Height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool edge = (x / 21 + y / 13) % 3 == 0;
            s.Samples.push_back(std::uint8_t(edge ? 230 : x * 200 / width));
            s.Samples.push_back(std::uint8_t((x * y) % 256 / 2 + (edge ? 20 : 90)));
            s.Samples.push_back(std::uint8_t(edge ? 40 : 255 - y * 200 / height));
        }
    return s;
}

} // namespace

TEST(JpegThumbnail, EmbeddedThumbnailTurnedAsThePhoto) {
    const Bytes thumbnail = fixtures::WriteJpeg(Twelve(8)); // 32 x 24
    for (int orientation = 1; orientation <= 8; ++orientation) {
        SCOPED_TRACE(orientation);
        const Bytes file = GreyPhotoWith(thumbnail, orientation, orientation % 2 == 0);
        const bool turned = orientation >= 5;
        // Asked with the photo's upright size, the thumbnail needs half of it.
        TDecodeOptions options;
        TBudgetClaim claim;
        options.Claim = &claim;
        int askedW = 0, askedH = 0;
        options.ThumbnailNeeds = [&](int w, int h) {
            askedW = w;
            askedH = h;
            return TThumbnailSize{w / 2, h / 2};
        };
        const TDecodedPicture p = DecodeJpeg(file.data(), file.size(), options);
        EXPECT_EQ(askedW, turned ? 48 : 64);
        EXPECT_EQ(askedH, turned ? 64 : 48);
        TDecodedPicture want = DecodeJpeg(thumbnail.data(), thumbnail.size());
        ApplyExifOrientation(want, orientation);
        EXPECT_EQ(p.Width, turned ? 24 : 32);
        EXPECT_EQ(p.Pixels, want.Pixels);
        EXPECT_EQ(p.OwnWidth(), turned ? 48 : 64);
        EXPECT_EQ(p.OwnHeight(), turned ? 64 : 48);
        EXPECT_TRUE(p.Drawn);
        // The thumbnail's memory is claimed, the photo's never taken.
        EXPECT_GE(claim.Asked(), 32u * 24 * 4);
        EXPECT_LT(claim.Asked(), 64u * 48 * 4);
    }
    // A thumbnail larger than needed is read at the largest scale that covers it.
    const Bytes large = fixtures::WriteJpeg(Twelve(16)); // 64 x 48
    const Bytes file = GreyPhotoWith(large, 6);
    const TDecodedPicture p = DecodeForThumbnail(file, {12, 16});
    TDecodedPicture want = DecodeAt(large, TJpegScale::Quarter);
    ApplyExifOrientation(want, 6);
    EXPECT_EQ(p.Width, 12);
    EXPECT_EQ(p.Pixels, want.Pixels);
    EXPECT_EQ(p.OwnWidth(), 48);
}

TEST(JpegThumbnail, ThePhotoItselfWhenTheThumbnailWillNotDo) {
    const Bytes fits = fixtures::WriteJpeg(Twelve(8));
    Bytes damaged = fits;
    damaged.resize(damaged.size() / 2);
    Bytes huge = fits; // its header claims 64000 x 48000 pixels: the photo's shape
    const std::size_t sof = FindMarker(huge, 0xC0);
    huge[sof + 5] = 0xBB;
    huge[sof + 6] = 0x80;
    huge[sof + 7] = 0xFA;
    huge[sof + 8] = 0x00;
    JpegSpec square = Twelve(8);
    square.Height = 32; // a letterboxed thumbnail: bands above and below
    square.Samples.resize(32 * 32 * 3, 0);
    const struct {
        const char* Name;
        Bytes Thumbnail;
        TThumbnailSize Need;
        bool Asked;
    } cases[] = {
        {"smaller than needed", fits, {33, 24}, true},
        {"of another shape", fixtures::WriteJpeg(square), {16, 12}, true},
        {"damaged", damaged, {16, 12}, true},
        {"claiming a huge picture", huge, {16, 12}, true},
        {"no size needed", fits, {0, 0}, true},
        {"not a thumbnail decode", fits, {16, 12}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const Bytes file = GreyPhotoWith(c.Thumbnail, 1);
        TBudgetClaim claim;
        const TDecodedPicture p = c.Asked
                                      ? DecodeForThumbnail(file, c.Need, TJpegScale::Full, &claim)
                                      : DecodeAt(file, TJpegScale::Full);
        EXPECT_EQ(p.Width, 64);
        EXPECT_EQ(p.Pixels, DecodeAt(file, TJpegScale::Full).Pixels);
        EXPECT_LT(claim.Asked(), 2 * 64u * 48 * 4) << "nothing taken for a huge thumbnail";
    }
}

TEST(JpegThumbnail, ProgressiveFilesAtAnEighthStopAfterTheirDcScans) {
    // The library's progression for colour: the DC refinement is the seventh of
    // ten scans. Cut just after it, the file lacks the AC refinements.
    JpegSpec spec = Photo(256, 192);
    spec.Progressive = true;
    spec.HalfChroma = true;
    const Bytes whole = fixtures::WriteJpeg(spec);
    const std::vector<ScanSpan> scans = Scans(whole);
    std::size_t next = 0;
    for (std::size_t i = 0; i < scans.size(); ++i)
        if (scans[i].Ss == 0)
            next = i + 1;
    ASSERT_LT(next, scans.size());
    const Bytes cut(whole.begin(), whole.begin() + long(scans[next].Begin + 2));

    const TDecodedPicture fromDc = DecodeForThumbnail(whole, {1, 1}, TJpegScale::Eighth);
    EXPECT_EQ(fromDc.Width, 32);
    EXPECT_EQ(DecodeForThumbnail(cut, {1, 1}, TJpegScale::Eighth).Pixels, fromDc.Pixels)
        << "the scans after the DC refinement are never read";
    // A merge cell reads all of the file and so fails on the cut one; so does
    // a thumbnail at any other scale.
    EXPECT_EQ(FailureOf(cut, TJpegScale::Eighth), TCodecFailure::Corrupt);
    EXPECT_THROW(DecodeForThumbnail(cut, {1, 1}, TJpegScale::Quarter), ECodecError);
}

TEST(JpegThumbnail, AcScansThatDoNotShowAtAnEighthArePassedOverUnread) {
    // The library's progression sends luma AC bands and the chroma's first AC
    // pass before the DC refinement. At 1/8 luma shows only its DC, so its AC
    // scans are skipped; half-sampled chroma shows three AC coefficients, so
    // its scans are read. A scan without its data tells which were read.
    JpegSpec spec = Photo(256, 192);
    spec.Progressive = true;
    spec.HalfChroma = true;
    const Bytes whole = fixtures::WriteJpeg(spec);
    const std::vector<ScanSpan> scans = Scans(whole);
    std::size_t luma = 0, chroma = 0;
    for (std::size_t i = 0; i < scans.size(); ++i) {
        if (scans[i].Ss == 1 && scans[i].Se == 5)
            luma = i;
        if (scans[i].Ss == 1 && scans[i].Se == 63 && scans[i].Ah == 0 && chroma == 0)
            chroma = i;
    }
    ASSERT_GT(luma, 0u);
    ASSERT_GT(chroma, 0u);
    const TDecodedPicture expected = DecodeForThumbnail(whole, {1, 1}, TJpegScale::Eighth);
    const Bytes noLuma = StarveScan(whole, luma);
    EXPECT_EQ(DecodeForThumbnail(noLuma, {1, 1}, TJpegScale::Eighth).Pixels, expected.Pixels);
    EXPECT_EQ(FailureOf(noLuma, TJpegScale::Eighth), TCodecFailure::Corrupt);
    EXPECT_THROW(DecodeForThumbnail(StarveScan(whole, chroma), {1, 1}, TJpegScale::Eighth),
                 ECodecError);
}

TEST(JpegThumbnail, DcScansGiveThePictureOfTheWholeFileAtAnEighth) {
    // Where chroma is sampled as the luma, a pixel at 1/8 is the DC of its block
    // alone: exact. Chroma at half the luma's takes three AC coefficients too,
    // which the DC scans leave without their lowest bit: at most 4 levels per
    // channel (2 on this picture).
    struct Case {
        const char* Name;
        bool HalfChroma;
        int Components, Orientation, Tolerance;
    };
    for (const Case& c : {Case{"4:4:4", false, 3, 1, 0}, Case{"4:4:4 turned", false, 3, 6, 0},
                          Case{"grey", false, 1, 1, 0}, Case{"4:2:0", true, 3, 1, 4},
                          Case{"4:2:0 turned", true, 3, 8, 4}}) {
        SCOPED_TRACE(c.Name);
        JpegSpec spec = Photo(256, 192);
        if (c.Components == 1) {
            spec.Components = 1;
            spec.InSpace = JCS_GRAYSCALE;
            for (std::size_t i = 0; i < spec.Samples.size() / 3; ++i)
                spec.Samples[i] = spec.Samples[i * 3 + 1];
            spec.Samples.resize(spec.Samples.size() / 3);
        }
        spec.Progressive = true;
        spec.HalfChroma = c.HalfChroma;
        if (c.Orientation != 1)
            spec.Exif = fixtures::MakeExif(c.Orientation);
        const Bytes file = fixtures::WriteJpeg(spec);
        TBudgetClaim claim;
        const TDecodedPicture thumbnail =
            DecodeForThumbnail(file, {1, 1}, TJpegScale::Eighth, &claim);
        const TDecodedPicture whole = DecodeAt(file, TJpegScale::Eighth);
        ASSERT_EQ(thumbnail.Width, whole.Width);
        ASSERT_EQ(thumbnail.Height, whole.Height);
        EXPECT_EQ(thumbnail.OwnWidth(), whole.OwnWidth());
        int worst = 0;
        for (std::size_t i = 0; i < whole.Pixels.size(); ++i)
            for (int shift : {0, 8, 16})
                worst = std::max(worst, std::abs(int((thumbnail.Pixels[i] >> shift) & 0xFF) -
                                                 int((whole.Pixels[i] >> shift) & 0xFF)));
        EXPECT_LE(worst, c.Tolerance);
        // Buffered or not, libjpeg keeps every coefficient of the picture.
        EXPECT_GE(claim.Asked(), ProgressiveJpegCoefficientBytes(file.data(), file.size()));
    }
}

TEST(JpegThumbnail, ScansBeforeTheDcRefinementAreWatchedAsEver) {
    // Grey: the DC without its low bit, AC bands, then the DC's last bit.
    JpegSpec many = Flat(16, 1);
    many.Scans.push_back(Scan(0, 0, 0, 1));
    for (int k = 1; k < 64; ++k) // five scans for each coefficient: 317 in all
        for (int ah = 0; ah <= 4; ++ah)
            many.Scans.push_back(Scan(k, k, ah == 0 ? 0 : 4 - ah + 1, 4 - ah));
    many.Scans.push_back(Scan(0, 0, 1, 0));
    JpegSpec again = Flat(64, 1);
    again.Scans = {Scan(0, 0, 0, 1), Scan(1, 63, 0, 0), Scan(0, 0, 1, 0)};
    const Bytes fine = fixtures::WriteJpeg(again);
    EXPECT_EQ(DecodeForThumbnail(fine, {1, 1}, TJpegScale::Eighth).Width, 8);
    // An AC refinement that claims a bit already refined: Ah 2, Al 1 after 1, 0.
    JpegSpec refined = Flat(64, 1);
    refined.Scans = {Scan(0, 0, 0, 1), Scan(1, 63, 0, 1), Scan(1, 63, 1, 0), Scan(0, 0, 1, 0)};
    Bytes outOfTurn = fixtures::WriteJpeg(refined);
    const ScanSpan third = Scans(outOfTurn).at(2);
    outOfTurn[third.Begin + 2 + 2 + 1 + 2 * 1 + 2] = 0x21;
    for (const auto& [name, file] : {std::pair{"more than 256 scans", fixtures::WriteJpeg(many)},
                                     std::pair{"an AC band sent again", RepeatScan(fine, 1)},
                                     std::pair{"a refinement out of turn", outOfTurn}}) {
        SCOPED_TRACE(name);
        try {
            DecodeForThumbnail(file, {1, 1}, TJpegScale::Eighth);
            ADD_FAILURE() << "decoded";
        } catch (const ECodecError& e) {
            EXPECT_EQ(e.Reason(), TCodecFailure::Corrupt);
        }
    }
}

TEST(JpegThumbnail, StrayBytesBetweenSegmentsPassAsWhenTheWholeFileIsRead) {
    // libjpeg passes over bytes between two segments with a warning, so the
    // whole file reads; read for a thumbnail at 1/8 it reads the same. The bytes
    // go just before the second scan, after the tables sent for it.
    JpegSpec spec = Photo(256, 192);
    spec.Progressive = true;
    spec.HalfChroma = true;
    const Bytes whole = fixtures::WriteJpeg(spec);
    const std::size_t second = Scans(whole).at(1).Begin;
    const TDecodedPicture expected = DecodeForThumbnail(whole, {1, 1}, TJpegScale::Eighth);
    const struct {
        const char* Name;
        Bytes Stray;
    } cases[] = {
        {"a zero", {0x00}},
        {"a few bytes", {0x12, 0x34, 0x56}},
        {"a stuffed zero", {0xFF, 0x00}},
        {"a restart marker", {0xFF, 0xD3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Bytes file = whole;
        file.insert(file.begin() + long(second), c.Stray.begin(), c.Stray.end());
        ASSERT_EQ(DecodeAt(file, TJpegScale::Eighth).Width, 32) << "libjpeg reads it whole";
        try {
            EXPECT_EQ(DecodeForThumbnail(file, {1, 1}, TJpegScale::Eighth).Pixels, expected.Pixels);
        } catch (const ECodecError& e) {
            ADD_FAILURE() << e.what();
        }
    }
}

#ifdef __unix__
TEST(JpegThumbnail, AFirstScanWithoutDataReadsNothingPastTheEnd) {
    // An arithmetic-coded progressive file (running into a marker is no damage
    // there) whose first scan has no data and is followed straight by a luma AC
    // scan, which a thumbnail at 1/8 passes over; the file ends inside the scan
    // that completes the DC. It lies just before a page that cannot be read: a
    // byte read past its end ends the process.
    JpegSpec spec = Photo(256, 192);
    spec.Progressive = true;
    spec.Arithmetic = true;
    const Bytes whole = fixtures::WriteJpeg(spec);
    const std::vector<ScanSpan> scans = Scans(whole);
    std::size_t last = 0; // the scan that completes the DC
    for (std::size_t i = 0; i < scans.size(); ++i)
        if (scans[i].Ss == 0)
            last = i;
    ASSERT_GT(last, 1u);
    ASSERT_NE(scans[1].Ss, 0);
    const auto dataOf = [&](const ScanSpan& scan) {
        return scan.Begin + 2 + (std::size_t(whole[scan.Begin + 2]) << 8 | whole[scan.Begin + 3]);
    };
    Bytes file(whole.begin(), whole.begin() + long(dataOf(scans[0])));
    file.insert(file.end(), whole.begin() + long(scans[1].Begin),
                whole.begin() + long(dataOf(scans[last]) + 1));
    const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
    const std::size_t pages = (file.size() + page - 1) / page;
    void* mapped = mmap(nullptr, (pages + 1) * page, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    std::uint8_t* guard = static_cast<std::uint8_t*>(mapped) + pages * page;
    ASSERT_EQ(mprotect(guard, page, PROT_NONE), 0);
    std::uint8_t* at = guard - file.size();
    std::memcpy(at, file.data(), file.size());
    const auto decode = [&] {
        TDecodeOptions options;
        options.JpegScale = TJpegScale::Eighth;
        options.ThumbnailNeeds = [](int, int) { return TThumbnailSize{1, 1}; };
        try {
            DecodeJpeg(at, file.size(), options);
        } catch (const ECodecError&) {
        }
        std::exit(0);
    };
    EXPECT_EXIT(decode(), ::testing::ExitedWithCode(0), "");
    munmap(mapped, (pages + 1) * page);
}
#endif
