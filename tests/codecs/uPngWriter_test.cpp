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
    EXPECT_EQ(status, Z_STREAM_END) << (z.msg ? z.msg : "");
    EXPECT_EQ(z.avail_in, 0u) << "bytes after the end of the stream";
    inflateEnd(&z);
    out.resize(produced);
    return out;
}

// The IDAT chunks of a file joined, each checked to be at most 65535 bytes and
// all but the last exactly that; the chunks are IHDR, IDAT... and IEND.
Bytes ImageData(const std::vector<TChunk>& chunks) {
    Bytes data;
    EXPECT_GE(chunks.size(), 3u);
    EXPECT_EQ(chunks.front().Type, "IHDR");
    EXPECT_EQ(chunks.back().Type, "IEND");
    EXPECT_TRUE(chunks.back().Data.empty());
    for (std::size_t i = 1; i + 1 < chunks.size(); ++i) {
        EXPECT_EQ(chunks[i].Type, "IDAT");
        if (i + 2 < chunks.size())
            EXPECT_EQ(chunks[i].Data.size(), 65535u) << "chunk " << i;
        else
            EXPECT_LE(chunks[i].Data.size(), 65535u);
        data.insert(data.end(), chunks[i].Data.begin(), chunks[i].Data.end());
    }
    return data;
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

// Image data deflated in strips on several threads makes the same file as one
// stream but for the compressed bytes: the same IHDR, IDAT chunks cut alike,
// one zlib stream (header and Adler-32 checked by zlib) that inflates to the
// same filtered rows, and a picture that decodes to the source. The bytes do
// not depend on the number of threads.
TEST(PngWriter, StripsMakeTheSameImageDataAsOneStream) {
    struct Case {
        TDecodedPicture Picture;
        int Level;
        int RowsPerStrip;
        int Threads;
    };
    const Case cases[] = {
        {Gradient(57, 31), 9, 4, 2}, // 31 rows: the last strip shorter
        {Gradient(1, 40), 6, 3, 3},  // one column, left unfiltered
        {Gradient(300, 1), 1, 1, 2}, // one row, one strip
        {Noise(300, 300), 6, 7, 2},  // several full IDAT chunks
        {PhotoGrid(3, 2, 100, 80, 10), 9, 16, 3},
        {Gradient(40, 45), 2, 100, 2}, // a strip taller than the picture
        {Noise(13, 11), 9, 1, 8},      // more threads than rows
    };
    for (const Case& c : cases) {
        const TDecodedPicture& picture = c.Picture;
        SCOPED_TRACE(testing::Message() << picture.Width << " x " << picture.Height << ", level "
                                        << c.Level << ", " << c.RowsPerStrip << " rows a strip");
        const TPngDeflatePlan plan{c.RowsPerStrip, c.Threads};
        const Bytes file = EncodePng(picture, c.Level, plan);
        const Bytes single = EncodePng(picture, c.Level, TPngDeflatePlan{});
        const auto chunks = ReadChunks(file);
        const auto singleChunks = ReadChunks(single);
        const Bytes data = ImageData(chunks);
        ASSERT_EQ(chunks.front().Data, singleChunks.front().Data);
        // A 32 KiB window and the level's own flags, as deflate writes them.
        EXPECT_EQ(data.at(0), 0x78);
        EXPECT_EQ(data.at(1) >> 6, c.Level < 2 ? 0 : c.Level < 6 ? 1 : c.Level == 6 ? 2 : 3);
        EXPECT_EQ(Inflate(data), Inflate(ImageData(singleChunks)));
        EXPECT_EQ(Decode(file, "PNG").Pixels, picture.Pixels);
        EXPECT_EQ(EncodePng(picture, c.Level, TPngDeflatePlan{c.RowsPerStrip, 1}), file);
    }
}

// Level 0 and small pictures take the single stream; larger pictures are cut
// into strips of 256 KiB to 1 MiB of image data, sixteen where they can be, on
// at most 8 threads, the same strips whatever the cores; and their files stay
// within 1 % of the single stream's.
TEST(PngWriter, LargePicturesAreDeflatedInStrips) {
    EXPECT_EQ(PlanPngDeflate(3290, 1870, 0, 2).RowsPerStrip, 0);
    EXPECT_EQ(PlanPngDeflate(400, 400, 9, 2).RowsPerStrip, 0); // 470 KiB
    struct Case {
        int Width, Height, Cores;
        int Threads;
    };
    for (const Case& c : {Case{3290, 1870, 2, 2}, Case{460, 600, 1, 1}, Case{4000, 3000, 32, 8},
                          Case{1000000, 3, 4, 3}}) {
        SCOPED_TRACE(testing::Message() << c.Width << " x " << c.Height << ", " << c.Cores);
        const TPngDeflatePlan plan = PlanPngDeflate(c.Width, c.Height, 9, c.Cores);
        const std::size_t rowBytes = 1 + 3 * std::size_t(c.Width);
        const std::size_t stripBytes = std::size_t(plan.RowsPerStrip) * rowBytes;
        const std::size_t total = std::size_t(c.Height) * rowBytes;
        const std::size_t strips = (std::size_t(c.Height) + std::size_t(plan.RowsPerStrip) - 1) /
                                   std::size_t(plan.RowsPerStrip);
        EXPECT_EQ(plan.Threads, c.Threads);
        ASSERT_GE(plan.RowsPerStrip, 1);
        if (plan.RowsPerStrip > 1) { // a row alone may be larger than a strip should be
            EXPECT_LE(stripBytes, std::size_t(1) << 20);
            EXPECT_GT(stripBytes + rowBytes, std::size_t(256) << 10);
        }
        EXPECT_GE(strips, std::min({std::size_t(16), total / (1 << 20), std::size_t(c.Height)}));
        EXPECT_GE(strips, 2u);
        for (int cores : {1, 3, 64})
            EXPECT_EQ(PlanPngDeflate(c.Width, c.Height, 9, cores).RowsPerStrip, plan.RowsPerStrip);
    }

    const TDecodedPicture photos = PhotoGrid(4, 3, 160, 120, 10); // 690 x 400, 809 KiB of data
    const TPngDeflatePlan plan = PlanPngDeflate(photos.Width, photos.Height, 9, 2);
    ASSERT_GT(plan.RowsPerStrip, 0);
    const Bytes strips = EncodePng(photos, 9, plan);
    const Bytes single = EncodePng(photos, 9, TPngDeflatePlan{});
    EXPECT_LE(double(strips.size()), double(single.size()) * 1.01);
    EXPECT_EQ(Decode(strips, "PNG").Pixels, photos.Pixels);
}
