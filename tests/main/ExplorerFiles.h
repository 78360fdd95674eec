// Picture files for the explorer's tests: PNG through Qt, JPEG through the
// program's own writer, and files that are no picture.
#pragma once

#include "codecs/uJpegWriter.h"
#include "tests/document/TestFiles.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QString>

inline QString WritePicture(const QDir& Dir, const QString& Name, int W, int H,
                            QColor Color = QColor(40, 120, 200)) {
    QImage img(W, H, QImage::Format_ARGB32);
    img.fill(Color);
    const QString path = Dir.filePath(Name);
    if (Name.endsWith(QStringLiteral(".jpg"), Qt::CaseInsensitive)) {
        const std::vector<std::uint8_t> bytes = EncodeJpeg(
            TPixelView(W, H, reinterpret_cast<const std::uint32_t*>(img.constBits())), 90);
        WriteFile(path, QByteArray(reinterpret_cast<const char*>(bytes.data()), int(bytes.size())));
    } else {
        EXPECT_TRUE(img.save(path, "PNG")) << path.toStdString();
    }
    return path;
}
