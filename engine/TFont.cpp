#include "engine/TFont.h"

#include <algorithm>
#include <cstdlib>

int TFont::PixelHeight() const {
    // Size * 96 / 72, halves away from zero.
    const long long N = static_cast<long long>(Size) * 96;
    const long long Q = (std::llabs(N) + 36) / 72;
    return static_cast<int>(N < 0 ? -Q : Q);
}

QFont TFont::ToQFont() const {
    QFont F(Name);
    F.setPixelSize(std::max(1, std::abs(PixelHeight())));
    F.setBold((Style & fsBold) != 0);
    F.setItalic((Style & fsItalic) != 0);
    F.setUnderline((Style & fsUnderline) != 0);
    F.setStrikeOut((Style & fsStrikeOut) != 0);
    F.setStyleStrategy(QFont::NoSubpixelAntialias);
    return F;
}

void TFont::SetFromQFont(const QFont& F) {
    Name = F.family();
    if (F.pointSize() > 0)
        Size = F.pointSize();
    else if (F.pixelSize() > 0)
        Size = (F.pixelSize() * 72 + 48) / 96;
    Style = 0;
    if (F.bold())
        Style |= fsBold;
    if (F.italic())
        Style |= fsItalic;
    if (F.underline())
        Style |= fsUnderline;
    if (F.strikeOut())
        Style |= fsStrikeOut;
}
