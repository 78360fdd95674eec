// A font description for text output: family, size in points, style, colour
// and character set.
#pragma once

#include "engine/TColor32.h"

#include <QFont>
#include <QString>

enum TFontStyle : unsigned {
    fsBold = 1,
    fsItalic = 2,
    fsUnderline = 4,
    fsStrikeOut = 8,
};
using TFontStyles = unsigned; // a combination of TFontStyle bits

constexpr int DEFAULT_CHARSET = 1;

struct TFont {
    QString Name = QStringLiteral("Tahoma");
    int Size = 8; // points; text is rasterised at 96 dots per inch
    TFontStyles Style = 0;
    TColor Color = clBlack;
    int Charset = DEFAULT_CHARSET;

    // The em height in pixels: Size points at 96 dots per inch, rounded.
    int PixelHeight() const;
    // The font for QPainter and QFontMetrics, sized in pixels, with grey-scale
    // anti-aliasing (never sub-pixel).
    QFont ToQFont() const;
    // Name, size and style of F; colour and character set are left as they are.
    void SetFromQFont(const QFont& F);

    bool operator==(const TFont& o) const {
        return Name == o.Name && Size == o.Size && Style == o.Style && Color == o.Color &&
               Charset == o.Charset;
    }
    bool operator!=(const TFont& o) const { return !(*this == o); }
};
