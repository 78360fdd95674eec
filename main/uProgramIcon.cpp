#include "main/uProgramIcon.h"

#include <QPainter>
#include <QPainterPath>

QImage ProgramIconImage(int Size) {
    QImage image(Size, Size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 64 x 64 design.
    p.scale(Size / 64.0, Size / 64.0);
    QPainterPath board;
    board.addRoundedRect(QRectF(4, 4, 56, 56), 10, 10);
    p.fillPath(board, QColor(0x2B, 0x3A, 0x4F));
    const QColor tiles[] = {QColor(0xE0, 0x5A, 0x47), QColor(0xF2, 0xB1, 0x34),
                            QColor(0x3E, 0x9C, 0xD6), QColor(0x59, 0xB5, 0x6A)};
    for (int i = 0; i < 4; ++i) {
        QPainterPath tile;
        tile.addRoundedRect(QRectF(11 + (i % 2) * 22, 11 + (i / 2) * 22, 20, 20), 3, 3);
        p.fillPath(tile, tiles[i]);
    }
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}
