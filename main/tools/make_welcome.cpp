// Draws the pictures of the welcome page into the folder given as the only
// argument: MainBG1.bmp, MainBG2.bmp and MainBG3.bmp, and the same drawings
// with twice the pixels for high-density screens (MainBG1@2x.png...).
#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QString>

#include <cmath>
#include <cstdio>

namespace {

constexpr int kWidth = 560;
constexpr int kHeight = 360;

void DrawTitle(QPainter& p, const QColor& Ink, const QColor& Soft) {
    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(54);
    title.setBold(true);
    title.setLetterSpacing(QFont::AbsoluteSpacing, 2.0);
    p.setFont(title);
    p.setPen(Ink);
    p.drawText(QRect(0, 218, kWidth, 70), Qt::AlignHCenter | Qt::AlignVCenter,
               QStringLiteral("Tessellon"));
    QFont sub(QStringLiteral("DejaVu Sans"));
    sub.setPixelSize(17);
    p.setFont(sub);
    p.setPen(Soft);
    p.drawText(QRect(0, 284, kWidth, 30), Qt::AlignHCenter | Qt::AlignVCenter,
               QStringLiteral("Many pictures, one picture"));
}

// Soft blue: a grid of rounded tiles in a fan of hues, as the cells of a merged picture.
QImage Tiles(int Scale) {
    QImage image(kWidth * Scale, kHeight * Scale, QImage::Format_RGB32);
    QPainter p(&image);
    p.scale(Scale, Scale);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 0, kHeight);
    bg.setColorAt(0.0, QColor(0xf4, 0xf8, 0xfc));
    bg.setColorAt(1.0, QColor(0xd6, 0xe4, 0xf2));
    p.fillRect(QRect(0, 0, kWidth, kHeight), bg);
    const int cols = 6, rows = 3, cell = 44, gap = 8;
    const int left = (kWidth - (cols * cell + (cols - 1) * gap)) / 2;
    const int top = 42;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            const int hue = (200 + c * 28 + r * 14) % 360;
            QLinearGradient g(0, 0, cell, cell);
            g.setColorAt(0.0, QColor::fromHsv(hue, 110, 245));
            g.setColorAt(1.0, QColor::fromHsv(hue, 170, 205));
            p.setPen(QPen(QColor(255, 255, 255, 200), 2));
            p.setBrush(g);
            p.save();
            p.translate(left + c * (cell + gap), top + r * (cell + gap));
            p.drawRoundedRect(QRectF(0, 0, cell, cell), 7, 7);
            p.restore();
        }
    DrawTitle(p, QColor(0x1f, 0x3a, 0x5f), QColor(0x4a, 0x63, 0x82));
    return image;
}

// Warm: a band of hexagons over a peach-to-rose gradient.
QImage Hexagons(int Scale) {
    QImage image(kWidth * Scale, kHeight * Scale, QImage::Format_RGB32);
    QPainter p(&image);
    p.scale(Scale, Scale);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, kWidth, kHeight);
    bg.setColorAt(0.0, QColor(0xff, 0xf1, 0xe6));
    bg.setColorAt(1.0, QColor(0xf9, 0xd3, 0xd6));
    p.fillRect(QRect(0, 0, kWidth, kHeight), bg);
    const double radius = 26.0;
    const double w = std::sqrt(3.0) * radius;
    QPolygonF hex;
    for (int i = 0; i < 6; ++i) {
        const double a = (60.0 * i - 30.0) * 3.14159265358979323846 / 180.0;
        hex << QPointF(radius * std::cos(a), radius * std::sin(a));
    }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 11; ++c) {
            const double x = 44 + c * w + (r % 2 ? w / 2 : 0);
            const double y = 36 + r * radius * 1.5;
            const int hue = (350 + c * 9 + r * 12) % 360;
            const int alpha = 90 + ((c * 7 + r * 5) % 4) * 40;
            p.setPen(QPen(QColor(255, 255, 255, 230), 2));
            p.setBrush(QColor::fromHsv(hue, 120, 235, alpha));
            p.drawPolygon(hex.translated(x, y));
        }
    DrawTitle(p, QColor(0x7a, 0x2e, 0x3b), QColor(0x9c, 0x5a, 0x5f));
    return image;
}

// Deep teal: a mosaic of squares turned on their corners, lit from the middle.
QImage Mosaic(int Scale) {
    QImage image(kWidth * Scale, kHeight * Scale, QImage::Format_RGB32);
    QPainter p(&image);
    p.scale(Scale, Scale);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient bg(kWidth / 2.0, kHeight / 2.5, kWidth * 0.75);
    bg.setColorAt(0.0, QColor(0x2c, 0x7a, 0x7b));
    bg.setColorAt(1.0, QColor(0x12, 0x33, 0x3d));
    p.fillRect(QRect(0, 0, kWidth, kHeight), bg);
    const double step = 34.0;
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 18; ++c) {
            const double x = c * step + (r % 2 ? step / 2 : 0);
            const double y = 14 + r * step / 2;
            const int light = 60 + ((c * 13 + r * 29) % 5) * 25;
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0xe6, 0xff, 0xfa, light));
            QPolygonF diamond({{x, y - 13}, {x + 13, y}, {x, y + 13}, {x - 13, y}});
            p.drawPolygon(diamond);
        }
    DrawTitle(p, QColor(0xf0, 0xff, 0xfc), QColor(0xb2, 0xdf, 0xdb));
    return image;
}

} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_welcome <folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "make_welcome: cannot create %s\n", argv[1]);
        return 1;
    }
    const struct {
        const char* Name;
        QImage (*Draw)(int Scale);
    } pictures[] = {{"MainBG1", Tiles}, {"MainBG2", Hexagons}, {"MainBG3", Mosaic}};
    for (const auto& picture : pictures) {
        const QString name = QString::fromLatin1(picture.Name);
        const struct {
            QString File;
            int Scale;
            const char* Format;
        } outputs[] = {{name + QStringLiteral(".bmp"), 1, "BMP"},
                       {name + QStringLiteral("@2x.png"), 2, "PNG"}};
        for (const auto& output : outputs) {
            const QString file = folder.filePath(output.File);
            if (!picture.Draw(output.Scale).save(file, output.Format)) {
                std::fprintf(stderr, "make_welcome: cannot write %s\n",
                             file.toLocal8Bit().constData());
                return 1;
            }
        }
    }
    return 0;
}
