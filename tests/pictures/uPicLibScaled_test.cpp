// Reading JPEG pictures at a reduced scale for fitting.
#include "pictures/uPicLib.h"

#include "tests/codecs/CodecFixtures.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <random>

namespace {

TEST(JpegScaleForFit, ChoosesTheLargestReductionThatStillCovers) {
    struct Case {
        int ownW, ownH, w, h, type, scale;
    } cases[] = {
        {4000, 3000, 400, 300, 1, 8},  {1024, 768, 240, 180, 1, 4}, // fitted 240 x 179
        {640, 480, 70, 50, 0, 8},      {1601, 1201, 200, 150, 0, 8},
        {1591, 1201, 200, 150, 0, 4},  {50, 50, 240, 220, 1, 1}, // enlarging
        {1000, 2, 240, 220, 1, 1},                               // the fit fails: read whole
        {4000, 3000, 400, 300, -3, 1},                           // no fit
        {4000, 3000, 400, 300, -1, 8}, {4000, 3000, 0, 300, 1, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JpegScaleForFit(c.ownW, c.ownH, c.w, c.h, c.type), c.scale)
            << c.ownW << "x" << c.ownH << " into " << c.w << "x" << c.h << " type " << c.type;
}

TEST(JpegScaleForFit, NeverSmallerThanTheFittedSize) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> side(1, 9000), cell(2, 2000);
    for (int i = 0; i < 20000; ++i) {
        const int ownW = side(random), ownH = side(random), w = cell(random), h = cell(random);
        for (int type : {0, 1}) {
            const int s = JpegScaleForFit(ownW, ownH, w, h, type);
            const TFitSize fitted = type == 0 ? TFitSize{w, h} : KeptRatioSize(ownW, ownH, w, h);
            if (s == 1)
                continue;
            ASSERT_GE((ownW + s - 1) / s, fitted.Width)
                << ownW << "x" << ownH << " " << w << "x" << h;
            ASSERT_GE((ownH + s - 1) / s, fitted.Height)
                << ownW << "x" << ownH << " " << w << "x" << h;
        }
    }
}

class ScaledLoad : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::string Jpeg(int w, int h, int orientation = 1) {
        fixtures::JpegSpec spec;
        spec.Width = w;
        spec.Height = h;
        spec.Samples.resize(std::size_t(w) * h * 3);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::uint8_t* p = &spec.Samples[(std::size_t(y) * w + x) * 3];
                p[0] = std::uint8_t(x * 255 / w);
                p[1] = std::uint8_t(y * 255 / h);
                p[2] = 128;
            }
        if (orientation != 1)
            spec.Exif = fixtures::MakeExif(orientation);
        const fixtures::Bytes bytes = fixtures::WriteJpeg(spec);
        const QString name =
            dir.filePath(QStringLiteral("p%1x%2o%3.jpg").arg(w).arg(h).arg(orientation));
        QFile f(name);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
        return name.toStdString();
    }
};

TEST_F(ScaledLoad, ReducedPicturesKeepTheFullPicturesLayout) {
    struct Case {
        int w, h, orientation, cellW, cellH, type;
        int loadedW, loadedH, ownW, ownH;
    } cases[] = {
        {1024, 768, 1, 240, 180, 1, 256, 192, 1024, 768},
        {800, 600, 1, 100, 75, 0, 100, 75, 800, 600},
        {800, 600, 6, 75, 100, 1, 75, 100, 600, 800},   // turned upright by EXIF
        {200, 100, 1, 240, 220, 1, 200, 100, 200, 100}, // enlarged: read whole
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " o" << c.orientation);
        const std::string file = Jpeg(c.w, c.h, c.orientation);
        TBitmap reduced;
        int ownW = 0, ownH = 0;
        ASSERT_TRUE(LoadPictureForFit(file, reduced, c.cellW, c.cellH, c.type, ownW, ownH));
        EXPECT_EQ(reduced.Width(), c.loadedW);
        EXPECT_EQ(reduced.Height(), c.loadedH);
        EXPECT_EQ(ownW, c.ownW);
        EXPECT_EQ(ownH, c.ownH);

        TBitmap full;
        ASSERT_TRUE(LoadPictureToBitmap(file, full));
        ASSERT_TRUE(FitPicture(full, c.cellW, c.cellH, c.type, 0x0000FF));
        ASSERT_TRUE(FitPictureFrom(reduced, ownW, ownH, c.cellW, c.cellH, c.type, 0x0000FF));
        ASSERT_EQ(reduced.Width(), c.cellW);
        ASSERT_EQ(reduced.Height(), c.cellH);
        // The same pixels show the fill colour; the picture's pixels differ only
        // by what the finer source adds.
        for (int y = 0; y < c.cellH; ++y)
            for (int x = 0; x < c.cellW; ++x) {
                const std::uint8_t* a = full.ScanLine(y) + 3 * x;
                const std::uint8_t* b = reduced.ScanLine(y) + 3 * x;
                const bool fillA = a[0] == 0 && a[1] == 0 && a[2] == 255;
                const bool fillB = b[0] == 0 && b[1] == 0 && b[2] == 255;
                ASSERT_EQ(fillA, fillB) << x << "," << y;
                if (!fillA) {
                    ASSERT_NEAR(a[2], b[2], 24) << x << "," << y;
                }
            }
    }
}

TEST_F(ScaledLoad, AFitThatFailsKeepsThePictureAtItsOwnSize) {
    const std::string file = Jpeg(1000, 2);
    TBitmap b;
    int ownW = 0, ownH = 0;
    ASSERT_TRUE(LoadPictureForFit(file, b, 240, 220, 1, ownW, ownH));
    EXPECT_FALSE(FitPictureFrom(b, ownW, ownH, 240, 220, 1, 0));
    EXPECT_EQ(b.Width(), 1000);
    EXPECT_EQ(b.Height(), 2);
}

} // namespace
