#include "main/TWelcomeImage.h"

#include "engine/uEventErrors.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPaintEvent>
#include <QPainter>
#include <QStringList>

void TWelcomeImage::SetSharpPicture(const QImage& Picture) {
    FSharp = Picture;
    update();
}

void TWelcomeImage::paintEvent(QPaintEvent* Event) {
    TImage32::paintEvent(Event);
    GuardEvent(this, [&] {
        if (FSharp.isNull() || devicePixelRatioF() <= 1.0)
            return;
        const TRect shown = BitmapRect();
        QPainter painter(this);
        painter.setClipRect(Event->rect());
        DrawSharpPicture(painter, QRect(shown.Left, shown.Top, shown.Width(), shown.Height()),
                         FSharp);
    });
}

std::string SharpPictureFile(const std::string& File, int Scale) {
    if (File.empty() || Scale < 2)
        return std::string();
    const QFileInfo info(QString::fromStdString(File));
    const QString stem =
        info.dir().filePath(info.completeBaseName() + QStringLiteral("@%1x").arg(Scale));
    QStringList candidates{stem + QStringLiteral(".png")};
    if (!info.suffix().isEmpty())
        candidates << stem + QLatin1Char('.') + info.suffix();
    for (const QString& candidate : candidates)
        if (QFileInfo(candidate).isFile())
            return candidate.toStdString();
    return std::string();
}

QImage LoadSharpPicture(const std::string& File, int Scale, int Width, int Height) {
    const std::string sharpFile = SharpPictureFile(File, Scale);
    if (sharpFile.empty() || Width <= 0 || Height <= 0)
        return QImage();
    QImageReader reader(QString::fromStdString(sharpFile));
    // The size is checked before decoding, so that a stray large file is never read whole.
    if (reader.size() != QSize(Width * Scale, Height * Scale))
        return QImage();
    QImage picture = reader.read();
    if (picture.size() != QSize(Width * Scale, Height * Scale))
        return QImage();
    picture.setDevicePixelRatio(Scale);
    return picture;
}

void DrawSharpPicture(QPainter& Painter, const QRect& Target, const QImage& Sharp) {
    if (Sharp.isNull() || Sharp.deviceIndependentSize().toSize() != Target.size())
        return;
    Painter.drawImage(Target.topLeft(), Sharp);
}
