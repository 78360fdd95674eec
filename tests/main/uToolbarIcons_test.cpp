#include "main/uToolbarIcons.h"

#include "tests/main/MainWindowFixture.h"

#include <QSet>

#include <cstdlib>

namespace {

int OpaquePixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
    return n;
}

TEST(ToolbarPictures, TenDistinctPicturesWithGreyFormsForTheFirstEight) {
    MainTestApp();
    QSet<QByteArray> seen;
    for (int i = 0; i < kToolbarPictureCount; ++i) {
        SCOPED_TRACE(i);
        const QImage picture = ToolbarPicture(i);
        ASSERT_EQ(picture.size(), QSize(24, 24));
        // Clearly visible, and not a filled square: the corners stay clear.
        EXPECT_GT(OpaquePixels(picture), 60);
        EXPECT_EQ(qAlpha(picture.pixel(0, 0)) + qAlpha(picture.pixel(23, 23)), 0);
        const QByteArray bytes(reinterpret_cast<const char*>(picture.constBits()),
                               int(picture.sizeInBytes()));
        EXPECT_FALSE(seen.contains(bytes));
        seen.insert(bytes);

        const QImage grey = ToolbarDisabledPicture(i);
        if (i >= kToolbarDisabledCount) {
            EXPECT_TRUE(grey.isNull());
            continue;
        }
        ASSERT_EQ(grey.size(), QSize(24, 24));
        bool coloured = false;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x) {
                const QRgb c = picture.pixel(x, y);
                const QRgb g = grey.pixel(x, y);
                ASSERT_EQ(qAlpha(g), qAlpha(c));
                if (qAlpha(g) == 255) {
                    ASSERT_EQ(qRed(g), qGreen(g));
                    ASSERT_EQ(qGreen(g), qBlue(g));
                }
                coloured = coloured || qRed(c) != qGreen(c) || qGreen(c) != qBlue(c);
            }
        EXPECT_TRUE(coloured);
        EXPECT_FALSE(ToolbarIcon(i).pixmap(24, 24, QIcon::Disabled).isNull());
    }
    EXPECT_TRUE(ToolbarPicture(10).isNull() || OpaquePixels(ToolbarPicture(10)) == 0);
}

TEST(ToolbarPictures, DrawnAtTheScreensResolutionOnHighDensityScreens) {
    MainTestApp();
    for (int i = 0; i < kToolbarPictureCount; ++i) {
        SCOPED_TRACE(i);
        const QImage sharp = ToolbarPicture(i, 2);
        ASSERT_EQ(sharp.size(), QSize(48, 48));
        EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
        // The same picture, drawn finer: at half size it matches the plain one
        // closely, but it holds detail a blown-up picture would not have.
        const QImage plain = ToolbarPicture(i);
        const QImage half =
            sharp.scaled(24, 24, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        int differing = 0, blocky = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x) {
                differing += std::abs(qAlpha(half.pixel(x, y)) - qAlpha(plain.pixel(x, y))) > 96;
                const QRgb a = sharp.pixel(2 * x, 2 * y), b = sharp.pixel(2 * x + 1, 2 * y + 1);
                blocky += a == b;
            }
        EXPECT_LT(differing, 24);
        EXPECT_LT(blocky, 24 * 24) << "not a doubled picture";
        // The icon hands the 2x drawing to a screen that asks for it.
        EXPECT_EQ(ToolbarIcon(i).pixmap(QSize(24, 24), 2.0).size(), QSize(48, 48));
    }
}

} // namespace
