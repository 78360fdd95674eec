// Extended-precision arithmetic done in integers: numbers with a 64-bit
// significand whose every operation rounds its exact result to the nearest
// such number, ties to the even significand, as the x87 unit does at its
// default precision. Sizes that the fitting and the cell-size coupling compute
// in extended precision come out the same with every compiler, also where
// long double is the 64-bit double.
#pragma once

#include <cstdint>

class TExtended {
public:
    TExtended() = default; // +0
    // Exact: every 64-bit integer and every double has a 64-bit significand.
    explicit TExtended(std::int64_t Value);
    static TExtended FromDouble(double Value);
    // Significand x 2^Exponent, exactly.
    static TExtended FromParts(bool Negative, std::uint64_t Significand, std::int64_t Exponent);

    bool IsNaN() const { return FKind == TKind::NaN; }
    bool IsInfinite() const { return FKind == TKind::Infinite; }
    bool IsZero() const { return FKind == TKind::Zero; }
    // The sign bit, also of a zero; of a NaN it means nothing.
    bool IsNegative() const { return FNegative; }

    // Rounded to nearest, ties to even; NaN, infinities and signed zeros as in
    // IEEE arithmetic (0 / 0 and infinity x 0 give NaN, x / 0 an infinity).
    // The exponent is unbounded, so nothing overflows or underflows.
    friend TExtended operator*(const TExtended& A, const TExtended& B);
    friend TExtended operator/(const TExtended& A, const TExtended& B);

    // Ordered comparisons; false whenever a NaN takes part, and -0 equals +0.
    friend bool operator<(const TExtended& A, const TExtended& B);
    friend bool operator>=(const TExtended& A, const TExtended& B);
    friend bool operator<=(const TExtended& A, const TExtended& B);
    friend bool operator==(const TExtended& A, const TExtended& B);

    // Truncated toward zero to a 32-bit integer. A value outside the 32-bit
    // range, an infinity or a NaN gives INT32_MIN, the "integer indefinite"
    // that the x87 unit stores for a conversion it cannot make.
    std::int32_t TruncatedInt32() const;
    // To the nearest integer, halves to the even one, saturating at the ends of
    // the 64-bit range; a NaN gives 0.
    std::int64_t NearestInt64() const;

private:
    enum class TKind : std::uint8_t { Zero, Finite, Infinite, NaN };
    static TExtended Special(TKind Kind, bool Negative);
    // Significand x 2^Exponent, raised by one unit in the last place when
    // RoundUp; Significand has its top bit set.
    static TExtended Finite(bool Negative, std::uint64_t Significand, std::int64_t Exponent,
                            bool RoundUp);
    // -1, 0 or 1 for A < B, A == B, A > B; A and B not NaN.
    static int Compare(const TExtended& A, const TExtended& B);

    TKind FKind = TKind::Zero;
    bool FNegative = false;
    // For a finite value: Significand x 2^Exponent, with the top bit of the
    // significand set.
    std::uint64_t FSignificand = 0;
    std::int64_t FExponent = 0;
};
