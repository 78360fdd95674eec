#include "pictures/TExtended.h"

#include "tests/TSequence.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <ostream>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::nan("");

TExtended X(double v) {
    return TExtended::FromDouble(v);
}

// Same number, same sign (also of zeros and infinities); any NaN matches any NaN.
bool Same(const TExtended& a, const TExtended& b) {
    if (a.IsNaN() || b.IsNaN())
        return a.IsNaN() && b.IsNaN();
    return a == b && a.IsNegative() == b.IsNegative() && a.IsInfinite() == b.IsInfinite();
}

TEST(TExtended, ZerosInfinitiesAndNaNs) {
    const struct {
        double a, b;
        double product, quotient;
    } cases[] = {
        {0.0, 3.0, 0.0, 0.0},     {-0.0, 3.0, -0.0, -0.0},    {3.0, -0.0, -0.0, -kInf},
        {0.0, 0.0, 0.0, kNaN},    {5.0, 0.0, 0.0, kInf},      {-5.0, 0.0, -0.0, -kInf},
        {kInf, 0.0, kNaN, kInf},  {kInf, 2.0, kInf, kInf},    {2.0, -kInf, -kInf, -0.0},
        {kInf, kInf, kInf, kNaN}, {-kInf, kInf, -kInf, kNaN}, {kNaN, 1.0, kNaN, kNaN},
        {1.0, kNaN, kNaN, kNaN},  {0.0, kInf, kNaN, 0.0},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(Same(X(c.a) * X(c.b), X(c.product))) << c.a << " * " << c.b;
        EXPECT_TRUE(Same(X(c.a) / X(c.b), X(c.quotient))) << c.a << " / " << c.b;
    }
    EXPECT_TRUE(X(-0.0) == X(0.0));
    EXPECT_TRUE(X(-kInf) < X(-1e308) && X(1e308) < X(kInf) && X(-1.0) < X(-0.0));
    EXPECT_FALSE(X(kNaN) == X(kNaN));
    EXPECT_FALSE(X(kNaN) >= X(1.0) || X(1.0) >= X(kNaN) || X(kNaN) < X(1.0));
    EXPECT_FALSE(X(1.0) <= X(kNaN) || X(kNaN) <= X(kNaN));
}

TEST(TExtended, ProductsHalfwayGoToTheEvenSignificand) {
    const std::int64_t top = INT64_MAX; // 2^63 - 1
    // 3 x (2^63 - 1) = 3 x 2^63 - 3 needs 65 bits and lies halfway between
    // 3 x 2^63 - 4 (even significand, taken) and 3 x 2^63 - 2.
    EXPECT_TRUE(TExtended(top) * TExtended(3) ==
                TExtended((std::int64_t(3) << 61) - 1) * TExtended(4));
    // 3 x (2^63 - 3) = 3 x 2^63 - 9 lies halfway between 3 x 2^63 - 10 (odd
    // significand) and 3 x 2^63 - 8 (even, taken).
    EXPECT_TRUE(TExtended(top - 2) * TExtended(3) ==
                TExtended((std::int64_t(3) << 60) - 1) * TExtended(8));
    EXPECT_TRUE(TExtended(INT64_MIN) == TExtended(INT64_MIN / 2) * TExtended(2));
}

TEST(TExtended, IntegerConversions) {
    const struct {
        double v;
        std::int32_t truncated;
        std::int64_t nearest;
    } cases[] = {
        {0.5, 0, 0},
        {1.5, 1, 2},
        {2.5, 2, 2},
        {-2.5, -2, -2},
        {-3.5, -3, -4},
        {0.49999999999999994, 0, 0},
        {-0.7, 0, -1},
        {std::ldexp(1.0, -80), 0, 0},
        {std::ldexp(1.0, -64), 0, 0},
        {0.5 + std::ldexp(1.0, -53), 0, 1},
        {2147483647.5, INT32_MAX, 2147483648},
        {2147483648.0, INT32_MIN, 2147483648},    // beyond the 32-bit range
        {-2147483648.75, INT32_MIN, -2147483649}, // truncates to -2^31, which fits
        {-2147483649.0, INT32_MIN, -2147483649},
        {std::ldexp(1.0, 62) + std::ldexp(1.0, 10), INT32_MIN, (std::int64_t(1) << 62) + 1024},
        {std::ldexp(1.0, 63), INT32_MIN, INT64_MAX},
        {-std::ldexp(1.0, 63), INT32_MIN, INT64_MIN},
        {1e300, INT32_MIN, INT64_MAX},
        {kInf, INT32_MIN, INT64_MAX},
        {-kInf, INT32_MIN, INT64_MIN},
        {kNaN, INT32_MIN, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(X(c.v).TruncatedInt32(), c.truncated) << c.v;
        EXPECT_EQ(X(c.v).NearestInt64(), c.nearest) << c.v;
    }
    EXPECT_EQ(X(-2147483648.75).TruncatedInt32(), INT32_MIN);
    EXPECT_EQ(X(-2147483647.75).TruncatedInt32(), -2147483647);
    EXPECT_EQ(TExtended(INT64_MIN).NearestInt64(), INT64_MIN);
    EXPECT_EQ(TExtended(-12345).NearestInt64(), -12345);
}

#if LDBL_MANT_DIG == 64
// Where long double is the x87 extended type it is the oracle for every
// operation, on operands of every kind: integers, doubles of any bit pattern
// (subnormals, infinities and NaNs among them) and quotients of those, whose
// significands use all 64 bits.
TExtended FromLongDouble(long double v) {
    if (std::isnan(v))
        return X(kNaN);
    if (std::isinf(v) || v == 0)
        return X(double(v));
    int e = 0;
    const long double f = std::frexp(std::fabs(v), &e);
    return TExtended::FromParts(v < 0, std::uint64_t(std::ldexp(f, 64)), e - 64);
}

TEST(TExtended, AgreesWithTheX87Unit) {
    TSequence s(4242);
    std::vector<long double> values;
    std::vector<TExtended> models;
    auto add = [&](long double v, const TExtended& m) {
        values.push_back(v);
        models.push_back(m);
    };
    for (int i = 0; i < 3000; ++i) {
        std::uint64_t bits = s.Next();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        add(d, X(d));
        const std::uint64_t high = s.Next();
        const std::int64_t magnitude = std::int64_t(high >> s.Range(0, 63));
        const std::int64_t n = s.Next() & 1 ? -magnitude : magnitude;
        add(static_cast<long double>(n), TExtended(n));
        const double small = double(s.Spread(1, 9999));
        add(small, X(small));
    }
    // (Their products and quotients stay inside the x87 exponent range, which the
    // model does not have.)
    const std::size_t plain = values.size();
    for (std::size_t i = 0; i + 1 < plain; i += 2)
        add(values[i] / values[i + 1], models[i] / models[i + 1]);

    int failures = 0;
    auto check = [&](bool ok, const char* what, long double a, long double b) {
        if (!ok && ++failures <= 10)
            ADD_FAILURE() << what << " of " << a << " and " << b;
    };
    for (std::size_t i = 0; i < values.size(); ++i) {
        const long double a = values[i];
        const TExtended& ma = models[i];
        check(Same(ma, FromLongDouble(a)), "conversion", a, 0);
        const std::int32_t truncated =
            std::trunc(a) >= INT32_MIN && std::trunc(a) <= INT32_MAX ? std::int32_t(a) : INT32_MIN;
        check(ma.TruncatedInt32() == truncated, "truncation", a, 0);
        if (std::fabs(a) < 0x1p62L)
            check(ma.NearestInt64() == std::int64_t(std::nearbyint(a)), "nearest", a, 0);
        for (int k = 0; k < 40; ++k) {
            const std::size_t j = std::size_t(s.Range(0, std::int64_t(values.size()) - 1));
            const long double b = values[j];
            const TExtended& mb = models[j];
            check(Same(ma * mb, FromLongDouble(a * b)), "product", a, b);
            check(Same(ma / mb, FromLongDouble(a / b)), "quotient", a, b);
            check((ma < mb) == (a < b) && (ma >= mb) == (a >= b) && (ma <= mb) == (a <= b) &&
                      (ma == mb) == (a == b),
                  "comparison", a, b);
        }
    }
    EXPECT_EQ(failures, 0);
}
#endif

} // namespace
