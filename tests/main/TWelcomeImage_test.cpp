#include "main/TWelcomeImage.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A picture whose every device pixel differs from its neighbours, so that any
// scaling or smoothing shows.
QImage Checker(int Width, int Height) {
    QImage image(Width, Height, QImage::Format_RGB32);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            image.setPixel(x, y,
                           (x + y) % 2 ? qRgb(250, 10 * x % 256, 0) : qRgb(0, 0, 12 * y % 256));
    return image;
}

} // namespace

TEST(WelcomeImage, TheSharpDrawingLandsOnDevicePixelsOneToOne) {
    QImage screen(40, 40, QImage::Format_RGB32);
    screen.setDevicePixelRatio(2);
    screen.fill(Qt::white);
    QImage sharp = Checker(20, 20);
    sharp.setDevicePixelRatio(2);
    {
        QPainter painter(&screen);
        DrawSharpPicture(painter, QRect(5, 5, 10, 10), sharp);
    }
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(screen.pixel(10 + x, 10 + y), sharp.pixel(x, y)) << x << "," << y;
    EXPECT_EQ(screen.pixel(9, 9), qRgb(255, 255, 255));
    EXPECT_EQ(screen.pixel(30, 30), qRgb(255, 255, 255));

    // A drawing of another size than the place is not squeezed into it.
    QImage other(40, 40, QImage::Format_RGB32);
    other.setDevicePixelRatio(2);
    other.fill(Qt::white);
    {
        QPainter painter(&other);
        DrawSharpPicture(painter, QRect(5, 5, 12, 10), sharp);
        DrawSharpPicture(painter, QRect(5, 5, 10, 10), QImage());
    }
    EXPECT_EQ(other.pixel(12, 12), qRgb(255, 255, 255));
}

TEST(WelcomeImage, FindsAndChecksTheDrawingBesideThePicture) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto path = [&](const char* Name) { return dir.filePath(QString::fromLatin1(Name)); };
    ASSERT_TRUE(Checker(6, 4).save(path("Tiles.bmp"), "BMP"));
    ASSERT_TRUE(Checker(12, 8).save(path("Tiles@2x.png"), "PNG"));
    ASSERT_TRUE(Checker(6, 4).save(path("Plain.bmp"), "BMP"));
    ASSERT_TRUE(Checker(6, 4).save(path("Odd.bmp"), "BMP"));
    ASSERT_TRUE(Checker(12, 8).save(path("Odd@2x.bmp"), "BMP"));
    ASSERT_TRUE(Checker(6, 4).save(path("Wrong.bmp"), "BMP"));
    ASSERT_TRUE(Checker(13, 8).save(path("Wrong@2x.png"), "PNG"));
    ASSERT_TRUE(Checker(6, 4).save(path("Broken.bmp"), "BMP"));
    {
        QFile broken(path("Broken@2x.png"));
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write("\x89PNG\r\n\x1a\n-not-a-picture");
    }

    const struct {
        const char* Picture;
        const char* Drawing; // nullptr: none is used
    } cases[] = {
        {"Tiles.bmp", "Tiles@2x.png"}, {"Odd.bmp", "Odd@2x.bmp"}, {"Plain.bmp", nullptr},
        {"Wrong.bmp", nullptr},        {"Broken.bmp", nullptr},
    };
    for (const auto& c : cases) {
        const std::string picture = path(c.Picture).toStdString();
        const QImage drawing = LoadSharpPicture(picture, 2, 6, 4);
        if (!c.Drawing) {
            EXPECT_TRUE(drawing.isNull()) << c.Picture;
            continue;
        }
        EXPECT_EQ(SharpPictureFile(picture, 2), path(c.Drawing).toStdString());
        ASSERT_FALSE(drawing.isNull()) << c.Picture;
        EXPECT_EQ(drawing.size(), QSize(12, 8));
        EXPECT_EQ(drawing.devicePixelRatio(), 2.0);
    }
    EXPECT_EQ(SharpPictureFile(std::string(), 2), std::string());
    EXPECT_EQ(SharpPictureFile(path("Tiles.bmp").toStdString(), 1), std::string());
}
