// The reading threads on every codec family at once: the prefetcher's workers,
// and PreparePicture called from several threads, each reading JPEG, PNG, GIF,
// TIFF, BMP and TGA files side by side. Every picture must come out whole and in
// its own colour, the same on every thread. The ThreadSanitizer build runs these
// to find races between the readers.
#include "codecs/uBmpWriter.h"
#include "pictures/TPicturePrefetcher.h"
#include "tests/codecs/CodecFixtures.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace fixtures;

constexpr int kCopiesPerFormat = 4;
constexpr int kCellWidth = 24;
constexpr int kCellHeight = 18;
// JPEG's colour conversion moves a flat colour by a step or two; neighbouring
// files differ by seven or more in every channel.
constexpr int kTolerance = 3;

// A flat picture of one colour, 0x00RRGGBB, as the bytes of a file.
using TWriter = std::function<Bytes(int Width, int Height, std::uint32_t Rgb, int Variant)>;

std::uint8_t Red(std::uint32_t rgb) {
    return std::uint8_t(rgb >> 16);
}
std::uint8_t Green(std::uint32_t rgb) {
    return std::uint8_t(rgb >> 8);
}
std::uint8_t Blue(std::uint32_t rgb) {
    return std::uint8_t(rgb);
}

Bytes Jpeg(int width, int height, std::uint32_t rgb, int variant) {
    JpegSpec spec;
    spec.Width = width;
    spec.Height = height;
    spec.Progressive = variant % 2 == 1;
    for (int i = 0; i < width * height; ++i)
        spec.Samples.insert(spec.Samples.end(), {Red(rgb), Green(rgb), Blue(rgb)});
    return WriteJpeg(spec);
}

Bytes Png(int width, int height, std::uint32_t rgb, int variant) {
    PngSpec spec;
    spec.Width = width;
    spec.Height = height;
    spec.Interlaced = variant % 2 == 1;
    for (int i = 0; i < width * height; ++i)
        spec.Samples.insert(spec.Samples.end(), {Red(rgb), Green(rgb), Blue(rgb)});
    return WritePng(spec);
}

Bytes Gif(int width, int height, std::uint32_t rgb, int variant) {
    GifSpec spec;
    spec.ScreenWidth = spec.Width = width;
    spec.ScreenHeight = spec.Height = height;
    spec.Interlaced = variant % 2 == 1;
    spec.Colors = {{Red(rgb), Green(rgb), Blue(rgb)}, {0, 0, 0}};
    spec.Indices.assign(std::size_t(width) * std::size_t(height), 0);
    return WriteGif(spec);
}

Bytes Tiff(int width, int height, std::uint32_t rgb, int) {
    TiffSpec spec;
    spec.Width = width;
    spec.Height = height;
    for (int i = 0; i < width * height; ++i)
        spec.Data.insert(spec.Data.end(), {Red(rgb), Green(rgb), Blue(rgb)});
    return WriteTiff(spec);
}

Bytes Bmp(int width, int height, std::uint32_t rgb, int) {
    const std::vector<std::uint32_t> pixels(std::size_t(width) * std::size_t(height),
                                            0xFF000000u | rgb);
    return EncodeBmp(TPixelView(width, height, pixels.data()), 24);
}

// An uncompressed true-colour Targa file: an 18-byte header, then blue, green,
// red for every pixel; rows from the top or from the bottom by the variant.
Bytes Tga(int width, int height, std::uint32_t rgb, int variant) {
    Bytes b = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    PutLE16(b, unsigned(width));
    PutLE16(b, unsigned(height));
    b.push_back(24);
    b.push_back(variant % 2 == 1 ? 0x20 : 0x00);
    for (int i = 0; i < width * height; ++i)
        b.insert(b.end(), {Blue(rgb), Green(rgb), Red(rgb)});
    return b;
}

int WorstChannelDifference(std::uint32_t a, std::uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift <= 16; shift += 8)
        worst = std::max(worst, std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)));
    return worst;
}

class ReadingThreads : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::vector<TPrefetchRequest> requests;
    std::vector<std::uint32_t> colours; // 0x00RRGGBB of each request's file
    std::vector<std::string> names;

    // Every format kCopiesPerFormat times, each file of its own size and colour,
    // the formats interleaved so that neighbouring requests use different
    // libraries. Each file is asked for twice: fitted into a cell (a JPEG at a
    // reduced scale) and at its own size.
    void SetUp() override {
        const struct {
            const char* Extension;
            TWriter Write;
        } formats[] = {{"jpg", Jpeg}, {"png", Png}, {"gif", Gif},
                       {"tif", Tiff}, {"bmp", Bmp}, {"tga", Tga}};
        int file = 0;
        for (int copy = 0; copy < kCopiesPerFormat; ++copy) {
            for (const auto& format : formats) {
                const int width = 56 + 8 * file;
                const int height = 40 + 2 * file;
                const std::uint32_t rgb = std::uint32_t(30 + 9 * file) << 16 |
                                          std::uint32_t(230 - 7 * file) << 8 |
                                          std::uint32_t(20 + (37 * file) % 200);
                const QString name =
                    QStringLiteral("f%1.%2").arg(file).arg(QLatin1String(format.Extension));
                const Bytes bytes = format.Write(width, height, rgb, copy);
                QFile f(dir.filePath(name));
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                ASSERT_EQ(f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())),
                          qint64(bytes.size()));
                for (bool fit : {true, false}) {
                    TPrefetchRequest r;
                    r.File = dir.filePath(name).toStdString();
                    r.Fit = fit;
                    r.CellWidth = fit ? kCellWidth : width;
                    r.CellHeight = fit ? kCellHeight : height;
                    r.FitType = 0; // stretched: the whole cell is the picture
                    r.FillColor = 0xFF00FF;
                    requests.push_back(r);
                    colours.push_back(rgb);
                    names.push_back(name.toStdString() + (fit ? " fitted" : " own size"));
                }
                ++file;
            }
        }
    }

    // The picture of request i: loaded, of the cell's or its own size, opaque,
    // every pixel in the file's colour.
    void ExpectPicture(const TPreparedPicture& p, std::size_t i) const {
        SCOPED_TRACE(names[i]);
        ASSERT_TRUE(p.Loaded) << p.Why;
        ASSERT_EQ(p.Bitmap->Width(), requests[i].CellWidth);
        ASSERT_EQ(p.Bitmap->Height(), requests[i].CellHeight);
        int worst = 0;
        bool opaque = true;
        const TColor32* bits = p.Bitmap->Bits();
        for (int k = 0; k < p.Bitmap->Width() * p.Bitmap->Height(); ++k) {
            worst = std::max(worst, WorstChannelDifference(bits[k], colours[i]));
            opaque = opaque && bits[k] >> 24 == 0xFF;
        }
        EXPECT_LE(worst, kTolerance);
        EXPECT_TRUE(opaque);
    }
};

TEST_F(ReadingThreads, PrefetcherWorkersReadEveryFormatAtOnce) {
    for (unsigned threads : {3u, 6u}) {
        SCOPED_TRACE(testing::Message() << threads << " threads");
        // A lookahead of the whole list lets every worker run without waiting.
        TPicturePrefetcher prefetcher(requests, threads, requests.size());
        for (std::size_t i = 0; i < requests.size(); ++i)
            ExpectPicture(prefetcher.Take(i), i);
    }
}

TEST_F(ReadingThreads, PreparePictureFromSeveralThreadsAtOnceGivesTheSamePictures) {
    constexpr unsigned kThreads = 6;
    const std::size_t n = requests.size();
    std::vector<std::vector<TPreparedPicture>> results(kThreads);
    for (auto& r : results)
        r.resize(n);
    // The threads start together, each at a different format, and go through
    // the whole list.
    std::promise<void> go;
    const std::shared_future<void> start = go.get_future().share();
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            start.wait();
            for (std::size_t k = 0; k < n; ++k) {
                const std::size_t i = (k + 2 * t) % n;
                PreparePicture(requests[i], results[t][i]);
            }
        });
    }
    go.set_value();
    for (std::thread& t : threads)
        t.join();

    for (std::size_t i = 0; i < n; ++i) {
        ExpectPicture(results[0][i], i);
        for (unsigned t = 1; t < kThreads; ++t) {
            SCOPED_TRACE(testing::Message() << names[i] << ", thread " << t);
            ASSERT_TRUE(results[t][i].Loaded) << results[t][i].Why;
            const TBitmap32& a = *results[0][i].Bitmap;
            const TBitmap32& b = *results[t][i].Bitmap;
            ASSERT_EQ(b.Width(), a.Width());
            ASSERT_EQ(b.Height(), a.Height());
            EXPECT_TRUE(std::equal(a.Bits(), a.Bits() + a.Width() * a.Height(), b.Bits()));
        }
    }
}

} // namespace
