#include "codecs/TDecodeBudget.h"
#include "codecs/uCodecCommon.h"
#include "pictures/TPicturePrefetcher.h"
#include "tests/codecs/CodecFixtures.h"
#include "tests/codecs/SpecialFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

namespace {

using namespace fixtures;

class Prefetcher : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::vector<TPrefetchRequest> requests;

    void SetUp() override {
        // Pictures of different sizes, so that the fitting differs from one to the
        // next; every fifth one is missing.
        for (int i = 0; i < 23; ++i) {
            TPrefetchRequest r;
            r.File = dir.filePath(QStringLiteral("p%1.png").arg(i)).toStdString();
            if (i % 5 != 3) {
                QImage img(20 + 7 * i, 15 + 3 * i, QImage::Format_RGB32);
                for (int y = 0; y < img.height(); ++y)
                    for (int x = 0; x < img.width(); ++x)
                        img.setPixel(x, y, qRgb(x * 9 + i, y * 5, (x ^ y) & 0xFF));
                ASSERT_TRUE(img.save(QString::fromStdString(r.File), "PNG"));
            }
            r.CellWidth = 40;
            r.CellHeight = 30;
            r.FitType = i % 2;
            r.FillColor = 0x123456;
            requests.push_back(r);
        }
    }
};

TEST_F(Prefetcher, ParallelResultsEqualSequentialOnesInOrder) {
    for (unsigned threads : {1u, 2u, 4u}) {
        for (std::size_t lookahead : {std::size_t(1), std::size_t(0)}) {
            TPicturePrefetcher prefetcher(requests, threads, lookahead);
            for (std::size_t i = 0; i < requests.size(); ++i) {
                SCOPED_TRACE(testing::Message() << threads << " threads, picture " << i);
                TPreparedPicture expected;
                PreparePicture(requests[i], expected);
                TPreparedPicture got = prefetcher.Take(i);
                ASSERT_EQ(got.Loaded, expected.Loaded);
                if (!got.Loaded) {
                    EXPECT_EQ(got.Why, expected.Why);
                    continue;
                }
                ASSERT_EQ(got.Bitmap->Width(), 40);
                ASSERT_EQ(got.Bitmap->Height(), 30);
                EXPECT_TRUE(std::equal(got.Bitmap->Bits(), got.Bitmap->Bits() + 40 * 30,
                                       expected.Bitmap->Bits()));
            }
        }
    }
}

TEST(PrefetcherLookahead, HoldsCellsWorthOfBytesOnlyWhenEveryPictureIsFittedToItsCell) {
    auto request = [](bool fit, int width, int height, int fitType) {
        TPrefetchRequest r;
        r.Fit = fit;
        r.CellWidth = width;
        r.CellHeight = height;
        r.FitType = fitType;
        return r;
    };
    const std::size_t smallCells = kLookaheadBytes / (256 * 192 * 4);
    const struct {
        const char* Name;
        std::vector<TPrefetchRequest> Requests;
        std::size_t Expected;
    } cases[] = {
        {"small cells, kept ratio",
         {request(true, 256, 192, 1), request(true, 256, 192, 1)},
         smallCells},
        {"small cells, stretched", {request(true, 256, 192, -2)}, smallCells},
        // The largest cell decides.
        {"mixed cells", {request(true, 256, 192, 1), request(true, 512, 384, 0)}, smallCells / 4},
        {"cells too large for more", {request(true, 4000, 3000, 1)}, 4},
        {"a picture left as it is", {request(true, 256, 192, 1), request(true, 256, 192, -3)}, 4},
        {"own size pictures", {request(false, 256, 192, 1)}, 4},
        {"no cell", {request(true, 0, 0, 1)}, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(DefaultLookahead(c.Requests, 2), c.Expected);
    }
    // Never fewer than two per thread.
    EXPECT_EQ(DefaultLookahead({request(false, 0, 0, 1)}, 8), 16u);
    EXPECT_EQ(TPicturePrefetcher({request(false, 1, 1, 1)}, 1).Lookahead(), 4u);
}

TEST_F(Prefetcher, StopsCleanlyWithPicturesNotTaken) {
    TPicturePrefetcher prefetcher(requests, 2, 2);
    EXPECT_TRUE(prefetcher.WaitFor(0, std::chrono::milliseconds(10000)));
    EXPECT_TRUE(prefetcher.Take(0).Loaded);
    // Destroyed here with most pictures never taken: the workers must not hang.
}

TEST_F(Prefetcher, APipeIsSkippedWithoutWaitingOnIt) {
    const std::string pipe = dir.filePath("pipe.jpg").toStdString();
    fixtures::MakeFifo(pipe);
    for (bool fit : {true, false}) {
        SCOPED_TRACE(fit);
        TPrefetchRequest request = requests[0];
        request.File = pipe;
        request.Fit = fit;
        const TPreparedPicture prepared = fixtures::WithoutWaitingOn(pipe, [&] {
            TPreparedPicture result;
            PreparePicture(request, result);
            return result;
        });
        EXPECT_FALSE(prepared.Loaded);
        EXPECT_THAT(prepared.Why, testing::HasSubstr("not a regular file"));
    }
    // Among other pictures, and with the prefetcher stopped before it gets to
    // most of them.
    requests[1].File = pipe;
    fixtures::WithoutWaitingOn(pipe, [&] {
        TPicturePrefetcher prefetcher(requests, 2, 2);
        EXPECT_TRUE(prefetcher.Take(0).Loaded);
        EXPECT_FALSE(prefetcher.Take(1).Loaded);
    });
}

TEST_F(Prefetcher, OwnSizePicturesKeepTheirAlpha) {
    QImage img(3, 2, QImage::Format_ARGB32);
    img.fill(QColor(255, 0, 0, 100));
    TPrefetchRequest r;
    r.File = dir.filePath("a.png").toStdString();
    ASSERT_TRUE(img.save(QString::fromStdString(r.File), "PNG"));
    r.Fit = false;
    TPicturePrefetcher prefetcher({r});
    const TPreparedPicture p = prefetcher.Take(0);
    ASSERT_TRUE(p.Loaded);
    EXPECT_EQ(p.Bitmap->Width(), 3);
    EXPECT_EQ(p.Bitmap->Pixel(0, 0), 0x64FF0000u);
}

} // namespace

namespace {

// Sets the process's decode budget for a test and puts it back afterwards.
class TBudgetForTest {
public:
    explicit TBudgetForTest(std::uint64_t Capacity)
        : FBudget(TDecodeBudget::Process()), FCapacity(FBudget.Capacity()) {
        FBudget.SetCapacity(Capacity);
        FBudget.ResetHighWater();
    }
    ~TBudgetForTest() { FBudget.SetCapacity(FCapacity); }
    TDecodeBudget& operator*() { return FBudget; }
    TDecodeBudget* operator->() { return &FBudget; }

private:
    TDecodeBudget& FBudget;
    std::uint64_t FCapacity;
};

class PrefetcherBudget : public ::testing::Test {
protected:
    QTemporaryDir dir;

    std::string Save(const QString& name, const Bytes& bytes) {
        const std::string path = dir.filePath(name).toStdString();
        WriteFile(path, bytes);
        return path;
    }

    // Every file prepared at once on four threads, fitted and at its own size.
    std::vector<TPreparedPicture> PrepareAll(const std::vector<std::string>& files) {
        std::vector<TPreparedPicture> results;
        for (bool fit : {true, false}) {
            std::vector<TPrefetchRequest> requests;
            for (const std::string& file : files) {
                TPrefetchRequest r;
                r.File = file;
                r.Fit = fit;
                r.CellWidth = 64;
                r.CellHeight = 48;
                r.FitType = 1;
                requests.push_back(r);
            }
            TPicturePrefetcher prefetcher(requests, 4, files.size());
            for (std::size_t i = 0; i < files.size(); ++i)
                results.push_back(prefetcher.Take(i));
        }
        return results;
    }
};

} // namespace

TEST_F(PrefetcherBudget, HugeHeadersAtOnceFailCleanlyWithoutClaimingTheirPictures) {
    TBudgetForTest budget(kDecodeBudgetBytes);
    // Pictures of 2^28 pixels claimed by files of 35 to 138 bytes, two of each.
    std::vector<std::string> files;
    for (int copy = 0; copy < 2; ++copy) {
        const QString n = QString::number(copy);
        files.push_back(Save("screen" + n + ".gif", HugeHeaderGif(16384)));
        files.push_back(Save("header" + n + ".png", HugeHeaderPng(16384)));
        files.push_back(Save("header" + n + ".jpg", HugeHeaderJpeg(16384)));
        files.push_back(Save("header" + n + ".tif", HugeHeaderTiff(16384)));
    }
    for (const TPreparedPicture& p : PrepareAll(files)) {
        EXPECT_FALSE(p.Loaded);
        EXPECT_FALSE(p.Error);
        EXPECT_THAT(p.Why, testing::HasSubstr("cannot hold a picture of 16384 x 16384"));
    }
    EXPECT_LT(budget->HighWater(), 1u << 20);
    EXPECT_EQ(budget->Claimed(), 0u);
}

TEST_F(PrefetcherBudget, HeadersPastTheBoundsTakeTheirMemoryInTurn) {
    // Each file is long enough that a real one could hold 4096 x 4096 pixels:
    // each claims 64 MiB for its picture before its data turns out short, and
    // two claims do not fit side by side.
    const std::uint64_t capacity = 100u << 20;
    TBudgetForTest budget(capacity);
    const std::vector<std::string> files = {
        Save("screen.gif", HugeHeaderGif(4096, 20000)),
        Save("header.png", HugeHeaderPng(4096, 20000)),
        Save("header.jpg", HugeHeaderJpeg(4096, 20000)),
        Save("header.tif", HugeHeaderTiff(4096, 20000)),
    };
    for (const TPreparedPicture& p : PrepareAll(files)) {
        EXPECT_FALSE(p.Loaded);
        EXPECT_FALSE(p.Error);
        EXPECT_THAT(p.Why, testing::HasSubstr("corrupt"));
    }
    EXPECT_GE(budget->HighWater(), 64u << 20);
    EXPECT_LE(budget->HighWater(), capacity);
    EXPECT_EQ(budget->Claimed(), 0u);
}

TEST_F(PrefetcherBudget, PicturesLargerThanTheBudgetLoadAloneWhileTheOthersWait) {
    // A budget smaller than the large pictures: they load one at a time, the
    // small ones beside each other, and the results are those of one thread.
    const std::uint64_t capacity = 1u << 20;
    TBudgetForTest budget(capacity);
    std::vector<std::string> files;
    std::uint64_t largest = 0;
    for (int i = 0; i < 8; ++i) {
        const bool large = i % 4 == 1;
        const int w = large ? 800 : 100, h = large ? 600 : 80;
        QImage img(w, h, QImage::Format_ARGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.setPixel(x, y, qRgba(x * 7 + i, y * 3, (x ^ y) & 0xFF, 255 - (x & 0x7F)));
        const QString name = dir.filePath(QStringLiteral("p%1.png").arg(i));
        ASSERT_TRUE(img.save(name, "PNG"));
        files.push_back(name.toStdString());
        if (large) // the picture, its file, and room for the table of its rows
            largest = std::max<std::uint64_t>(largest, std::uint64_t(w) * h * 4 +
                                                           QFileInfo(name).size() + 65536);
    }
    const std::vector<TPreparedPicture> results = PrepareAll(files);
    for (std::size_t i = 0; i < results.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(results[i].Loaded) << results[i].Why;
        TPrefetchRequest alone;
        alone.File = files[i % files.size()];
        alone.Fit = i < files.size();
        alone.CellWidth = 64;
        alone.CellHeight = 48;
        alone.FitType = 1;
        TPreparedPicture expected;
        PreparePicture(alone, expected);
        const TBitmap32& a = *results[i].Bitmap;
        const TBitmap32& b = *expected.Bitmap;
        ASSERT_EQ(a.Width(), b.Width());
        ASSERT_EQ(a.Height(), b.Height());
        EXPECT_TRUE(std::equal(a.Bits(), a.Bits() + std::size_t(a.Width()) * a.Height(), b.Bits()));
    }
    EXPECT_GT(budget->HighWater(), capacity);
    EXPECT_LE(budget->HighWater(), largest);
    EXPECT_EQ(budget->Claimed(), 0u);
}
