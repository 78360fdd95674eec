#include "codecs/uPngWriter.h"

#include "WriterTestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

using namespace writertest;

namespace {

struct TChunk {
    std::string Type;
    Bytes Data;
};

// Splits the file into chunks, checking the signature and every CRC.
std::vector<TChunk> ReadChunks(const Bytes& file) {
    static const Bytes signature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), file.begin()));
    std::vector<TChunk> chunks;
    std::size_t at = 8;
    while (at + 12 <= file.size()) {
        const std::uint32_t length = BE32(file, at);
        TChunk c;
        c.Type.assign(file.begin() + long(at + 4), file.begin() + long(at + 8));
        c.Data.assign(file.begin() + long(at + 8), file.begin() + long(at + 8 + length));
        const uLong crc = crc32(0, file.data() + at + 4, uInt(length + 4));
        EXPECT_EQ(BE32(file, at + 8 + length), crc) << c.Type;
        chunks.push_back(std::move(c));
        at += 12 + length;
    }
    EXPECT_EQ(at, file.size());
    return chunks;
}

Bytes Inflate(const Bytes& data) {
    Bytes out(1 << 16);
    z_stream z{};
    EXPECT_EQ(inflateInit(&z), Z_OK);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = uInt(data.size());
    std::size_t produced = 0;
    int status = Z_OK;
    while (status == Z_OK) {
        if (produced == out.size())
            out.resize(out.size() * 2);
        z.next_out = out.data() + produced;
        z.avail_out = uInt(out.size() - produced);
        status = inflate(&z, Z_NO_FLUSH);
        produced = out.size() - z.avail_out;
    }
    EXPECT_EQ(status, Z_STREAM_END);
    inflateEnd(&z);
    out.resize(produced);
    return out;
}

} // namespace

// The file holds IHDR (RGB, 8 bits, no interlace), IDAT chunks of at most 65535
// bytes and IEND, nothing else; the image data inflates to rows that each start
// with the Sub filter byte and undo to the picture's exact colours.
TEST(PngWriter, WritesSubFilteredTruecolourInBoundedChunks) {
    // Noise at level 0 makes about 270 kB of image data: several full chunks.
    for (const auto& [picture, level] :
         {std::make_pair(Noise(300, 300), 0), std::make_pair(Gradient(57, 31), 9),
          std::make_pair(Gradient(1, 3), 6)}) {
        SCOPED_TRACE(level);
        const Bytes file = EncodePng(picture, level);
        const auto chunks = ReadChunks(file);
        ASSERT_GE(chunks.size(), 3u);
        ASSERT_EQ(chunks.front().Type, "IHDR");
        const Bytes& ihdr = chunks.front().Data;
        ASSERT_EQ(ihdr.size(), 13u);
        EXPECT_EQ(BE32(ihdr, 0), std::uint32_t(picture.Width));
        EXPECT_EQ(BE32(ihdr, 4), std::uint32_t(picture.Height));
        EXPECT_EQ(ihdr[8], 8);  // bit depth
        EXPECT_EQ(ihdr[9], 2);  // colour type: RGB
        EXPECT_EQ(ihdr[10], 0); // compression
        EXPECT_EQ(ihdr[11], 0); // filter method
        EXPECT_EQ(ihdr[12], 0); // no interlace
        EXPECT_EQ(chunks.back().Type, "IEND");

        Bytes compressed;
        std::size_t idats = 0;
        for (std::size_t i = 1; i + 1 < chunks.size(); ++i) {
            ASSERT_EQ(chunks[i].Type, "IDAT") << "unexpected chunk";
            EXPECT_LE(chunks[i].Data.size(), 65535u);
            compressed.insert(compressed.end(), chunks[i].Data.begin(), chunks[i].Data.end());
            ++idats;
        }
        if (level == 0) {
            EXPECT_GE(idats, 5u);
            EXPECT_EQ(chunks[1].Data.size(), 65535u);
        }

        const Bytes raw = Inflate(compressed);
        const std::size_t stride = 1 + 3 * std::size_t(picture.Width);
        ASSERT_EQ(raw.size(), stride * std::size_t(picture.Height));
        for (int y = 0; y < picture.Height; ++y) {
            const std::uint8_t* row = raw.data() + std::size_t(y) * stride;
            // libpng writes rows of a single pixel unfiltered, which for such a
            // row is the same data as Sub.
            ASSERT_EQ(row[0], picture.Width > 1 ? 1 : 0) << "row " << y;
            std::uint8_t previous[3] = {0, 0, 0};
            for (int x = 0; x < picture.Width; ++x) {
                std::uint32_t rgb = 0;
                for (int c = 0; c < 3; ++c) {
                    previous[c] = std::uint8_t(previous[c] + row[1 + 3 * x + c]);
                    rgb = rgb << 8 | previous[c];
                }
                ASSERT_EQ(rgb, picture.Pixel(x, y) & 0xFFFFFF) << x << "," << y;
            }
        }
    }
}

// Level 0 stores the data; 9 compresses it; levels outside 0..9 are clamped.
TEST(PngWriter, LevelDecidesTheCompression) {
    const auto picture = Gradient(200, 100);
    const std::size_t raw = 100 * (1 + 3 * 200);
    const Bytes stored = EncodePng(picture, 0);
    const Bytes smallest = EncodePng(picture, 9);
    EXPECT_GT(stored.size(), raw);
    EXPECT_LT(smallest.size(), raw / 4);
    EXPECT_EQ(EncodePng(picture, 12), smallest);
    EXPECT_EQ(EncodePng(picture, -1), stored);
}

TEST(PngWriter, DecodesToThePicture) {
    const auto picture = Gradient(23, 17);
    const TDecodedPicture decoded = Decode(EncodePng(picture, 6), "PNG");
    ASSERT_EQ(decoded.Width, 23);
    ASSERT_EQ(decoded.Height, 17);
    EXPECT_EQ(decoded.Pixels, picture.Pixels);
}

TEST(PngWriter, RefusesAnEmptyPicture) {
    EXPECT_THROW(EncodePng(TPixelView(0, 5, nullptr), 6), EPictureWriteError);
    std::vector<std::uint32_t> row(2000000, 0xFF000000);
    try {
        EncodePng(TPixelView(2000000, 1, row.data()), 6);
        ADD_FAILURE() << "no error";
    } catch (const EPictureWriteError& e) {
        EXPECT_NE(std::string(e.what()).find("PNG writer: "), std::string::npos) << e.what();
    }
}
