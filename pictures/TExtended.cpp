#include "pictures/TExtended.h"

#include <climits>
#include <cmath>

namespace {

constexpr std::uint64_t kTopBit = std::uint64_t(1) << 63;

// A 128-bit unsigned value, written out so that no compiler extension is needed.
struct TWide {
    std::uint64_t Hi = 0;
    std::uint64_t Lo = 0;
};

TWide Multiply(std::uint64_t A, std::uint64_t B) {
    const std::uint64_t aLo = A & 0xFFFFFFFFu, aHi = A >> 32;
    const std::uint64_t bLo = B & 0xFFFFFFFFu, bHi = B >> 32;
    const std::uint64_t ll = aLo * bLo, lh = aLo * bHi, hl = aHi * bLo, hh = aHi * bHi;
    const std::uint64_t mid = (ll >> 32) + (lh & 0xFFFFFFFFu) + (hl & 0xFFFFFFFFu);
    return {hh + (lh >> 32) + (hl >> 32) + (mid >> 32), (mid << 32) | (ll & 0xFFFFFFFFu)};
}

// (Hi x 2^64 + Lo) / D for Hi < D, so that the quotient fits in 64 bits; the
// remainder goes to Rest. One bit at a time: this runs a few times per picture.
std::uint64_t Divide(std::uint64_t Hi, std::uint64_t Lo, std::uint64_t D, std::uint64_t& Rest) {
    std::uint64_t q = 0;
    for (int i = 0; i < 64; ++i) {
        const bool carry = (Hi & kTopBit) != 0;
        Hi = (Hi << 1) | (Lo >> 63);
        Lo <<= 1;
        q <<= 1;
        if (carry || Hi >= D) {
            Hi -= D; // modulo 2^64, right also when the carry held the top bit
            q |= 1;
        }
    }
    Rest = Hi;
    return q;
}

// Round to nearest, ties to even, for a part that was cut off: Cmp is the
// cut-off part compared with half a unit (-1 less, 0 equal, 1 more).
bool RoundsUp(int Cmp, std::uint64_t Kept) {
    return Cmp > 0 || (Cmp == 0 && (Kept & 1) != 0);
}

int CompareHalf(std::uint64_t Part, std::uint64_t Half) {
    return Part < Half ? -1 : Part > Half ? 1 : 0;
}

} // namespace

TExtended::TExtended(std::int64_t Value)
    : TExtended(
          FromParts(Value < 0, Value < 0 ? 0 - std::uint64_t(Value) : std::uint64_t(Value), 0)) {}

TExtended TExtended::FromParts(bool Negative, std::uint64_t Significand, std::int64_t Exponent) {
    if (Significand == 0)
        return Special(TKind::Zero, Negative);
    while ((Significand & kTopBit) == 0) {
        Significand <<= 1;
        --Exponent;
    }
    return Finite(Negative, Significand, Exponent, false);
}

TExtended TExtended::FromDouble(double Value) {
    if (std::isnan(Value))
        return Special(TKind::NaN, std::signbit(Value));
    if (std::isinf(Value))
        return Special(TKind::Infinite, Value < 0);
    if (Value == 0)
        return Special(TKind::Zero, std::signbit(Value));
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(Value), &exponent); // in [0.5, 1)
    // Scaling by a power of two is exact, and 53 bits fit the 64 of the significand.
    return FromParts(Value < 0, std::uint64_t(std::ldexp(fraction, 64)), exponent - 64);
}

TExtended TExtended::Special(TKind Kind, bool Negative) {
    TExtended e;
    e.FKind = Kind;
    e.FNegative = Negative;
    return e;
}

TExtended TExtended::Finite(bool Negative, std::uint64_t Significand, std::int64_t Exponent,
                            bool RoundUp) {
    TExtended e;
    e.FKind = TKind::Finite;
    e.FNegative = Negative;
    e.FSignificand = Significand;
    e.FExponent = Exponent;
    if (RoundUp && ++e.FSignificand == 0) { // carried out of the top: 2^64 = 2^63 x 2
        e.FSignificand = kTopBit;
        ++e.FExponent;
    }
    return e;
}

TExtended operator*(const TExtended& A, const TExtended& B) {
    using K = TExtended::TKind;
    const bool negative = A.FNegative != B.FNegative;
    if (A.IsNaN() || B.IsNaN())
        return TExtended::Special(K::NaN, false);
    if (A.IsInfinite() || B.IsInfinite())
        return TExtended::Special(A.IsZero() || B.IsZero() ? K::NaN : K::Infinite, negative);
    if (A.IsZero() || B.IsZero())
        return TExtended::Special(K::Zero, negative);

    // The exact product has 127 or 128 bits; keep the top 64.
    const TWide p = Multiply(A.FSignificand, B.FSignificand);
    const std::int64_t exponent = A.FExponent + B.FExponent;
    if (p.Hi & kTopBit)
        return TExtended::Finite(negative, p.Hi, exponent + 64,
                                 RoundsUp(CompareHalf(p.Lo, kTopBit), p.Hi));
    const std::uint64_t kept = (p.Hi << 1) | (p.Lo >> 63);
    return TExtended::Finite(negative, kept, exponent + 63,
                             RoundsUp(CompareHalf(p.Lo << 1, kTopBit), kept));
}

TExtended operator/(const TExtended& A, const TExtended& B) {
    using K = TExtended::TKind;
    const bool negative = A.FNegative != B.FNegative;
    if (A.IsNaN() || B.IsNaN())
        return TExtended::Special(K::NaN, false);
    if (A.IsInfinite())
        return TExtended::Special(B.IsInfinite() ? K::NaN : K::Infinite, negative);
    if (B.IsInfinite())
        return TExtended::Special(K::Zero, negative);
    if (B.IsZero())
        return TExtended::Special(A.IsZero() ? K::NaN : K::Infinite, negative);
    if (A.IsZero())
        return TExtended::Special(K::Zero, negative);

    // Both significands lie in [2^63, 2^64). Dividing A x 2^63 (when A >= B) or
    // A x 2^64 (when A < B) by B gives a quotient in [2^63, 2^64) and a remainder
    // that decides the rounding.
    const std::uint64_t a = A.FSignificand, b = B.FSignificand;
    const bool shifted = a < b;
    std::uint64_t rest = 0;
    const std::uint64_t q = shifted ? Divide(a, 0, b, rest) : Divide(a >> 1, a << 63, b, rest);
    const std::int64_t exponent = A.FExponent - B.FExponent - (shifted ? 64 : 63);
    // rest against b / 2, without doubling rest past 64 bits.
    const int cmp = rest < b - rest ? -1 : rest > b - rest ? 1 : 0;
    return TExtended::Finite(negative, q, exponent, RoundsUp(cmp, q));
}

int TExtended::Compare(const TExtended& A, const TExtended& B) {
    auto sign = [](const TExtended& e) { return e.IsZero() ? 0 : e.FNegative ? -1 : 1; };
    const int sa = sign(A), sb = sign(B);
    if (sa != sb)
        return sa < sb ? -1 : 1;
    if (sa == 0)
        return 0;
    int magnitude; // |A| against |B|
    if (A.IsInfinite() || B.IsInfinite())
        magnitude = A.IsInfinite() == B.IsInfinite() ? 0 : A.IsInfinite() ? 1 : -1;
    else if (A.FExponent != B.FExponent)
        magnitude = A.FExponent < B.FExponent ? -1 : 1;
    else
        magnitude = A.FSignificand < B.FSignificand ? -1 : A.FSignificand > B.FSignificand ? 1 : 0;
    return sa * magnitude;
}

bool operator<(const TExtended& A, const TExtended& B) {
    return !A.IsNaN() && !B.IsNaN() && TExtended::Compare(A, B) < 0;
}
bool operator>=(const TExtended& A, const TExtended& B) {
    return !A.IsNaN() && !B.IsNaN() && TExtended::Compare(A, B) >= 0;
}
bool operator<=(const TExtended& A, const TExtended& B) {
    return !A.IsNaN() && !B.IsNaN() && TExtended::Compare(A, B) <= 0;
}
bool operator==(const TExtended& A, const TExtended& B) {
    return !A.IsNaN() && !B.IsNaN() && TExtended::Compare(A, B) == 0;
}

std::int32_t TExtended::TruncatedInt32() const {
    if (IsZero())
        return 0;
    if (!(FKind == TKind::Finite) || FExponent >= 0) // NaN, infinity, or at least 2^63
        return INT32_MIN;
    const std::uint64_t magnitude = FExponent <= -64 ? 0 : FSignificand >> -FExponent;
    if (FNegative)
        return magnitude <= std::uint64_t(1) << 31 ? std::int32_t(0 - std::int64_t(magnitude))
                                                   : INT32_MIN;
    return magnitude <= std::uint64_t(INT32_MAX) ? std::int32_t(magnitude) : INT32_MIN;
}

std::int64_t TExtended::NearestInt64() const {
    const std::int64_t end = FNegative ? INT64_MIN : INT64_MAX;
    if (IsNaN() || IsZero())
        return 0;
    if (IsInfinite() || FExponent >= 0) // at least 2^63
        return end;
    std::uint64_t magnitude = 0;
    if (FExponent == -64) // in [0.5, 1): 0.5 goes to the even 0
        magnitude = FSignificand > kTopBit ? 1 : 0;
    else if (FExponent > -64) {
        const int shift = int(-FExponent);
        const std::uint64_t kept = FSignificand >> shift;
        const std::uint64_t cut = FSignificand & ((std::uint64_t(1) << shift) - 1);
        magnitude =
            kept + (RoundsUp(CompareHalf(cut, std::uint64_t(1) << (shift - 1)), kept) ? 1 : 0);
    } // below 2^-1 when FExponent < -64: 0
    if (magnitude >= kTopBit)
        return end;
    return FNegative ? -std::int64_t(magnitude) : std::int64_t(magnitude);
}
