// Integer and floating-point rectangles, points and sizes.
#pragma once

#include <cstdint>

struct TPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    bool operator==(const TPoint& o) const { return X == o.X && Y == o.Y; }
    bool operator!=(const TPoint& o) const { return !(*this == o); }
};

struct TSize {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    bool operator==(const TSize& o) const { return cx == o.cx && cy == o.cy; }
    bool operator!=(const TSize& o) const { return !(*this == o); }
};

// Left and Top are inside, Right and Bottom just outside.
struct TRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;

    constexpr TRect() = default;
    constexpr TRect(std::int32_t L, std::int32_t T, std::int32_t R, std::int32_t B)
        : Left(L), Top(T), Right(R), Bottom(B) {}

    std::int32_t Width() const { return Right - Left; }
    std::int32_t Height() const { return Bottom - Top; }
    // True when the rectangle holds no pixel (Right <= Left or Bottom <= Top).
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(std::int32_t X, std::int32_t Y) const {
        return X >= Left && X < Right && Y >= Top && Y < Bottom;
    }
    bool operator==(const TRect& o) const {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
    bool operator!=(const TRect& o) const { return !(*this == o); }
};

// Four single-precision floats; the location of a layer.
struct TRectF {
    float Left = 0;
    float Top = 0;
    float Right = 0;
    float Bottom = 0;
    bool operator==(const TRectF& o) const {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
    bool operator!=(const TRectF& o) const { return !(*this == o); }
};

// Dst := the intersection of R1 and R2. When they do not overlap Dst becomes
// (0, 0, 0, 0) and the result is false.
bool IntersectRect(TRect& Dst, const TRect& R1, const TRect& R2);

// R moved by (DX, DY).
TRect OffsetRect(const TRect& R, std::int32_t DX, std::int32_t DY);
