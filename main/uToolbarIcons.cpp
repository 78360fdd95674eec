#include "main/uToolbarIcons.h"

#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

namespace {

constexpr qreal kPi = 3.14159265358979323846;

const QColor kOutline(0x2d, 0x37, 0x48);
const QColor kBlue(0x2b, 0x6c, 0xb0);
const QColor kGreen(0x2f, 0x9e, 0x44);
const QColor kRed(0xc5, 0x30, 0x30);
const QColor kGrey(0x71, 0x80, 0x96);

QPen Pen(const QColor& c, qreal w = 1.0) {
    QPen p(c, w);
    p.setJoinStyle(Qt::RoundJoin);
    p.setCapStyle(Qt::RoundCap);
    return p;
}

// A filled triangle whose tip lies at Tip, pointing along Dir.
void ArrowHead(QPainter& p, QPointF Tip, QPointF Dir, qreal Length, qreal HalfWidth,
               const QColor& c) {
    const qreal len = std::hypot(Dir.x(), Dir.y());
    const QPointF d(Dir.x() / len, Dir.y() / len);
    const QPointF n(-d.y(), d.x());
    const QPointF base = Tip - d * Length;
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(QPolygonF({Tip, base + n * HalfWidth, base - n * HalfWidth}));
}

// A round badge with a white plus, the sign of "add".
void PlusBadge(QPainter& p, QPointF Centre, qreal Radius) {
    p.setPen(Pen(Qt::white, 1.0));
    p.setBrush(kGreen);
    p.drawEllipse(Centre, Radius, Radius);
    p.setPen(Pen(Qt::white, 1.8));
    const qreal a = Radius * 0.55;
    p.drawLine(QPointF(Centre.x() - a, Centre.y()), QPointF(Centre.x() + a, Centre.y()));
    p.drawLine(QPointF(Centre.x(), Centre.y() - a), QPointF(Centre.x(), Centre.y() + a));
}

void DrawNew(QPainter& p) {
    p.setPen(Pen(kOutline));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({{4.5, 1.5}, {14.5, 1.5}, {19.5, 6.5}, {19.5, 22.5}, {4.5, 22.5}}));
    p.setBrush(QColor(0xdd, 0xe3, 0xea));
    p.drawPolygon(QPolygonF({{14.5, 1.5}, {14.5, 6.5}, {19.5, 6.5}}));
    p.setPen(Pen(QColor(0xa0, 0xae, 0xc0)));
    for (qreal y : {10.5, 13.5})
        p.drawLine(QPointF(7.5, y), QPointF(14.5, y));
    PlusBadge(p, QPointF(17.5, 17.5), 5.5);
}

void DrawReset(QPainter& p) {
    // Four tiles of a small grid...
    const QColor tiles[] = {QColor(0xf6, 0xad, 0x55), kBlue, QColor(0x68, 0xd3, 0x91),
                            QColor(0xfc, 0x81, 0x81)};
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        p.setBrush(tiles[i]);
        p.drawRect(QRectF(7.5 + (i % 2) * 4.75, 7.5 + (i / 2) * 4.75, 4.0, 4.0));
    }
    // ...inside a circular arrow.
    const QRectF ring(2.5, 2.5, 19.0, 19.0);
    const qreal startDeg = 70.0, spanDeg = 290.0;
    p.setBrush(Qt::NoBrush);
    p.setPen(Pen(kBlue, 2.2));
    p.drawArc(ring, int(startDeg * 16), int(spanDeg * 16));
    const qreal end = (startDeg + spanDeg) * kPi / 180.0;
    const QPointF c = ring.center();
    const qreal r = ring.width() / 2.0;
    const QPointF tip(c.x() + r * std::cos(end), c.y() - r * std::sin(end));
    ArrowHead(p, tip + QPointF(-std::sin(end), -std::cos(end)) * 2.5,
              QPointF(-std::sin(end), -std::cos(end)), 6.0, 3.5, kBlue);
}

void DrawSave(QPainter& p) {
    p.setPen(Pen(kOutline));
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(2.5, 2.5, 19.0, 19.0), 2.0, 2.0);
    p.setBrush(QColor(0xe2, 0xe8, 0xf0));
    p.drawRect(QRectF(6.5, 2.5, 10.0, 6.5));
    p.setPen(Qt::NoPen);
    p.setBrush(kOutline);
    p.drawRect(QRectF(12.5, 3.5, 2.5, 4.5));
    p.setPen(Pen(kOutline));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 12.5, 13.0, 9.0));
    p.setPen(Pen(QColor(0xa0, 0xae, 0xc0)));
    for (qreal y : {15.5, 18.5})
        p.drawLine(QPointF(7.5, y), QPointF(16.5, y));
}

void DrawCut(QPainter& p) {
    p.setPen(Pen(kOutline, 2.0));
    p.drawLine(QPointF(9.5, 15.0), QPointF(16.5, 2.5));
    p.drawLine(QPointF(14.5, 15.0), QPointF(7.5, 2.5));
    p.setPen(Pen(kRed, 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(7.0, 18.5), 3.5, 3.5);
    p.drawEllipse(QPointF(17.0, 18.5), 3.5, 3.5);
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(QPointF(12.0, 10.5), 1.3, 1.3);
}

void DrawAddText(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(kOutline);
    p.drawRect(QRectF(3.0, 2.5, 14.0, 3.5));
    p.drawRect(QRectF(8.25, 2.5, 3.5, 18.0));
    p.drawRect(QRectF(6.0, 19.0, 8.0, 2.0));
    PlusBadge(p, QPointF(18.0, 17.5), 5.0);
}

// Three stacked layers on the left, the one that moves in blue, and a green
// arrow on the right.
void DrawLevel(QPainter& p, bool Up) {
    for (int i = 0; i < 3; ++i) {
        const bool moving = Up ? i == 0 : i == 2;
        p.setPen(Pen(kOutline));
        p.setBrush(moving ? kBlue : QColor(0xcb, 0xd5, 0xe0));
        p.drawRoundedRect(QRectF(1.5, 4.5 + i * 5.5, 10.0, 4.0), 1.0, 1.0);
    }
    const qreal tipY = Up ? 1.5 : 22.5;
    const qreal baseY = Up ? 10.0 : 14.0;
    const qreal tailY = Up ? 22.0 : 2.0;
    QPolygonF arrow({{17.5, tipY},
                     {23.0, baseY},
                     {19.75, baseY},
                     {19.75, tailY},
                     {15.25, tailY},
                     {15.25, baseY},
                     {12.0, baseY}});
    p.setPen(Pen(QColor(0x22, 0x75, 0x33)));
    p.setBrush(kGreen);
    p.drawPolygon(arrow);
}

void DrawEditPic(QPainter& p) {
    p.setPen(Pen(kOutline));
    p.setBrush(QColor(0xbe, 0xe3, 0xf8));
    p.drawRect(QRectF(1.5, 4.5, 16.0, 14.0));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf6, 0xe0, 0x5e));
    p.drawEllipse(QPointF(13.0, 8.5), 2.0, 2.0);
    p.setBrush(QColor(0x38, 0xa1, 0x69));
    p.drawPolygon(QPolygonF({{2.0, 18.0}, {7.0, 10.5}, {11.0, 15.0}, {13.0, 13.0}, {17.0, 18.0}}));
    // The pencil, from the upper right down to the lower left.
    p.save();
    p.translate(16.0, 13.0);
    p.rotate(135.0);
    p.setPen(Pen(kOutline));
    p.setBrush(QColor(0xec, 0xc9, 0x4b));
    p.drawRect(QRectF(-7.0, -2.0, 11.0, 4.0));
    p.setBrush(QColor(0xfc, 0x81, 0x81));
    p.drawRect(QRectF(-9.0, -2.0, 2.0, 4.0));
    p.setBrush(QColor(0xf7, 0xe1, 0xc0));
    p.drawPolygon(QPolygonF({{4.0, -2.0}, {8.0, 0.0}, {4.0, 2.0}}));
    p.restore();
}

void DrawOptions(QPainter& p) {
    const QPointF c(12.0, 12.0);
    p.setPen(Qt::NoPen);
    p.setBrush(kGrey);
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(c);
        p.rotate(i * 45.0);
        p.drawRoundedRect(QRectF(-2.0, -11.0, 4.0, 6.0), 0.8, 0.8);
        p.restore();
    }
    p.setPen(Pen(kOutline));
    p.drawEllipse(c, 7.5, 7.5);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.drawEllipse(c, 3.0, 3.0);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(c, 3.0, 3.0);
}

void DrawExit(QPainter& p) {
    p.setPen(Pen(QColor(0x5c, 0x3a, 0x1e)));
    p.setBrush(QColor(0x9c, 0x66, 0x44));
    p.drawRect(QRectF(3.5, 1.5, 11.0, 21.0));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf6, 0xe0, 0x5e));
    p.drawEllipse(QPointF(12.0, 12.5), 1.2, 1.2);
    p.setPen(Pen(kRed, 2.6));
    p.drawLine(QPointF(9.0, 12.0), QPointF(18.0, 12.0));
    ArrowHead(p, QPointF(23.0, 12.0), QPointF(1.0, 0.0), 6.5, 4.5, kRed);
}

} // namespace

QImage ToolbarPicture(int Index, int Scale) {
    const int side = kToolbarPictureSize * std::max(1, Scale);
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn in the 24 x 24 design's units, at the screen's own resolution.
    p.scale(std::max(1, Scale), std::max(1, Scale));
    switch (Index) {
    case 0:
        DrawNew(p);
        break;
    case 1:
        DrawReset(p);
        break;
    case 2:
        DrawSave(p);
        break;
    case 3:
        DrawCut(p);
        break;
    case 4:
        DrawAddText(p);
        break;
    case 5:
        DrawLevel(p, true);
        break;
    case 6:
        DrawLevel(p, false);
        break;
    case 7:
        DrawEditPic(p);
        break;
    case 8:
        DrawOptions(p);
        break;
    case 9:
        DrawExit(p);
        break;
    default:
        break;
    }
    p.end();
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    result.setDevicePixelRatio(std::max(1, Scale));
    return result;
}

QImage ToolbarDisabledPicture(int Index, int Scale) {
    if (Index < 0 || Index >= kToolbarDisabledCount)
        return QImage();
    QImage image = ToolbarPicture(Index, Scale);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x];
            // A lighter grey of the same brightness order, so that the shapes
            // stay recognisable but read as inactive.
            const int grey = 110 + qGray(c) * 120 / 255;
            line[x] = qRgba(grey, grey, grey, qAlpha(c));
        }
    }
    return image;
}

QIcon ToolbarIcon(int Index) {
    // One drawing for each common screen scale, so that no picture is blown up.
    QIcon icon;
    for (int scale = 1; scale <= 3; ++scale) {
        icon.addPixmap(QPixmap::fromImage(ToolbarPicture(Index, scale)), QIcon::Normal);
        const QImage disabled = ToolbarDisabledPicture(Index, scale);
        if (!disabled.isNull())
            icon.addPixmap(QPixmap::fromImage(disabled), QIcon::Disabled);
    }
    return icon;
}
