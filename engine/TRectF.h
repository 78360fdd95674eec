// A rectangle of 32-bit floats: the location of a layer.
#pragma once

struct TRectF {
    float Left = 0;
    float Top = 0;
    float Right = 0;
    float Bottom = 0;

    float Width() const { return Right - Left; }
    float Height() const { return Bottom - Top; }
    bool IsEmpty() const { return !(Right > Left) || !(Bottom > Top); }
    bool operator==(const TRectF& o) const {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
    bool operator!=(const TRectF& o) const { return !(*this == o); }
};
