#include "codecs/uJpegWriter.h"

#include "WriterTestSupport.h"

#include <gtest/gtest.h>

#include <map>

using namespace writertest;

namespace {

struct TJpegSegments {
    std::vector<unsigned> Markers;                 // every marker up to SOS, in order
    std::map<unsigned, std::vector<Bytes>> Bodies; // marker -> segment bodies
};

// Walks the marker segments from SOI to the first SOS.
TJpegSegments ReadSegments(const Bytes& file) {
    TJpegSegments s;
    EXPECT_EQ(BE16(file, 0), 0xFFD8u);
    std::size_t at = 2;
    while (at + 4 <= file.size()) {
        EXPECT_EQ(file[at], 0xFF);
        const unsigned marker = BE16(file, at);
        const unsigned length = BE16(file, at + 2);
        s.Markers.push_back(marker);
        s.Bodies[marker].emplace_back(file.begin() + long(at + 4),
                                      file.begin() + long(at + 2 + length));
        if (marker == 0xFFDA)
            break;
        at += 2 + length;
    }
    return s;
}

} // namespace

// A baseline JFIF file: JFIF APP0 first, SOF0 with the picture's size and three
// components, no other frame type, quantisation tables of 8-bit precision.
// Quality runs through the standard scaling: 50 keeps the standard tables, 100
// makes every divisor 1, and 0 gives the lowest quality with the divisors held
// at 255 by the baseline limit.
TEST(JpegWriter, WritesBaselineJfifAtTheGivenQuality) {
    const auto picture = Gradient(37, 21);
    struct Case {
        int Quality;
        unsigned FirstLuma;   // the DC divisor of the luminance table
        unsigned FirstChroma; // the DC divisor of the chrominance table
    };
    for (const Case c : {Case{50, 16, 17}, Case{100, 1, 1}, Case{0, 255, 255}, Case{75, 8, 9}}) {
        SCOPED_TRACE(c.Quality);
        const Bytes file = EncodeJpeg(picture, c.Quality);
        const TJpegSegments s = ReadSegments(file);
        ASSERT_GE(s.Markers.size(), 3u);
        EXPECT_EQ(s.Markers.front(), 0xFFE0u);
        const Bytes& app0 = s.Bodies.at(0xFFE0).front();
        EXPECT_EQ(std::string(app0.begin(), app0.begin() + 5), std::string("JFIF\0", 5));
        EXPECT_EQ(s.Markers.back(), 0xFFDAu);
        for (unsigned m : s.Markers)
            if (m >= 0xFFC1 && m <= 0xFFCF && m != 0xFFC4 && m != 0xFFC8 && m != 0xFFCC)
                ADD_FAILURE() << "frame marker " << std::hex << m;
        ASSERT_EQ(s.Bodies.count(0xFFC0), 1u);
        const Bytes& sof = s.Bodies.at(0xFFC0).front();
        EXPECT_EQ(sof[0], 8);         // precision
        EXPECT_EQ(BE16(sof, 1), 21u); // height
        EXPECT_EQ(BE16(sof, 3), 37u); // width
        EXPECT_EQ(sof[5], 3);         // components
        // Quantisation tables: every one 8-bit, no divisor above 255.
        std::vector<std::pair<unsigned, unsigned>> firsts; // table id, first divisor
        for (const Bytes& dqt : s.Bodies.at(0xFFDB))
            for (std::size_t at = 0; at < dqt.size(); at += 65) {
                EXPECT_EQ(dqt[at] >> 4, 0) << "16-bit table";
                firsts.emplace_back(dqt[at] & 15u, dqt[at + 1]);
            }
        ASSERT_EQ(firsts.size(), 2u);
        EXPECT_EQ(firsts[0], std::make_pair(0u, c.FirstLuma));
        EXPECT_EQ(firsts[1], std::make_pair(1u, c.FirstChroma));
    }
}

TEST(JpegWriter, DecodesCloseToThePicture) {
    // Flat blocks of a whole 16 x 16 unit (the chroma is subsampled) survive
    // quality 100 almost unchanged, away from the edges that the decoder's chroma
    // upsampling smooths.
    const auto picture = MakePicture(32, 32, [](int x, int y) {
        static const std::uint32_t colors[4] = {0xFFC86432, 0xFF204080, 0xFFF0F0F0, 0xFF101010};
        return colors[(y / 16) * 2 + x / 16];
    });
    const Bytes file = EncodeJpeg(picture, 100);
    const TDecodedPicture decoded = Decode(file, "JPEG");
    ASSERT_EQ(decoded.Width, 32);
    ASSERT_EQ(decoded.Height, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (x % 16 >= 2 && x % 16 < 14 && y % 16 >= 2 && y % 16 < 14) {
                EXPECT_LE(ChannelDifference(decoded.Pixel(x, y), picture.Pixel(x, y)), 4)
                    << x << "," << y;
            }
}

TEST(JpegWriter, QualityOutsideTheRangeIsClamped) {
    const auto picture = Gradient(20, 20);
    EXPECT_EQ(EncodeJpeg(picture, 250), EncodeJpeg(picture, 100));
    EXPECT_EQ(EncodeJpeg(picture, -5), EncodeJpeg(picture, 0));
}

TEST(JpegWriter, RefusesWhatTheFormatCannotHold) {
    std::vector<std::uint32_t> row(65501, 0xFF000000);
    EXPECT_THROW(EncodeJpeg(TPixelView(65501, 1, row.data()), 75), EPictureWriteError);
    EXPECT_THROW(EncodeJpeg(TPixelView(0, 0, nullptr), 75), EPictureWriteError);
}
