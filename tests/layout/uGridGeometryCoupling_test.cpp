// The cell-size coupling against today's extended-precision results.
#include "layout/uGridGeometry.h"

#include "tests/TestData.h"
#include "tests/layout/CoupledSizeCases.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Today's couplings of the generated cases are recorded as their difference
// from exact rational arithmetic, which only shows where the exact result lies
// halfway between two integers.
TEST(CoupledSizes, MatchTheRecordedExtendedPrecisionResults) {
    const std::vector<coupled::TCoupleCase> cases = coupled::Generate();
    const std::string codes = ReadCodeTable("coupled_sizes.txt");
    ASSERT_EQ(codes.size(), cases.size()) << TestDataPath("coupled_sizes.txt");
    int failures = 0, off = 0;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const coupled::TCoupleCase& c = cases[i];
        const char code = codes[i];
        ASSERT_TRUE(std::strchr(".hHwW", code) != nullptr) << "code of case " << i;
        const std::int32_t height = coupled::ExactHeight(c) + (code == 'H') - (code == 'h');
        const std::int32_t width = coupled::ExactWidth(c) + (code == 'W') - (code == 'w');
        off += code != '.';
        const std::int32_t gotHeight = CoupledHeight(c.Value, c.Ratio());
        const std::int32_t gotWidth = CoupledWidth(c.Value, c.Ratio());
        if ((gotHeight != height || gotWidth != width) && ++failures <= 10)
            ADD_FAILURE() << "case " << i << ", " << c.Value << " and " << c.A << " / " << c.B
                          << ": height " << gotHeight << " width " << gotWidth << ", recorded "
                          << height << " and " << width;
    }
    EXPECT_EQ(failures, 0);
    EXPECT_GT(off, 1000) << "the table should hold halves that the rounding moves";
}

TEST(CoupledSizes, SaturationAndNoNumber) {
    // Recorded from the extended-precision computation.
    const struct {
        std::int32_t value;
        double ratio;
        std::int32_t height, width;
    } cases[] = {
        {5, 0.0, INT32_MAX, 0},
        {-5, 0.0, INT32_MIN, 0},
        {5, -0.0, INT32_MIN, 0},
        {0, 0.0, 0, 0}, // 0 / 0 is no number
        {5, kInf, 0, INT32_MAX},
        {0, kInf, 0, 0}, // 0 x infinity is no number
        {-5, -kInf, 0, INT32_MAX},
        {5, std::nan(""), 0, 0},
        {7, 4.9406564584124654e-324, INT32_MAX, 0},
        {-7, 4.9406564584124654e-324, INT32_MIN, 0},
        {INT32_MAX, 1.0, INT32_MAX, INT32_MAX},
        {INT32_MIN, 1.0, INT32_MIN, INT32_MIN},
        {INT32_MAX, 0.5, INT32_MAX, 1073741824},
        {INT32_MAX, 2.0, 1073741824, INT32_MAX},
        {INT32_MIN, 0.5, INT32_MIN, -1073741824},
        {3, 1e300, 0, INT32_MAX},
        {3, 1e-300, INT32_MAX, 0},
        {1, 2.0 / 3.0, 2, 1},
        {INT32_MAX, 1.0000000001, 2147483647, INT32_MAX},
        {2147483646, 0.99999999989999999, 2147483646, 2147483646},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CoupledHeight(c.value, c.ratio), c.height) << c.value << " / " << c.ratio;
        EXPECT_EQ(CoupledWidth(c.value, c.ratio), c.width) << c.value << " * " << c.ratio;
    }
}

#if LDBL_MANT_DIG == 64
// Where long double is the x87 extended type, the formula itself in long double
// is the oracle, for any 32-bit value and any double ratio.
std::int32_t X87Nearest(long double v) {
    if (std::isnan(v))
        return 0;
    if (v >= INT32_MAX)
        return INT32_MAX;
    if (v <= INT32_MIN)
        return INT32_MIN;
    return std::int32_t(std::nearbyint(v)); // the default rounding: halves to even
}

TEST(CoupledSizes, AgreeWithTheX87Unit) {
    TSequence s(31337);
    int failures = 0;
    for (int i = 0; i < 300000; ++i) {
        const std::int32_t magnitude = std::int32_t(s.Spread(0, INT32_MAX));
        const std::int32_t value = s.Next() & 1 ? -magnitude : magnitude;
        double ratio;
        if (i % 2 == 0) { // any bit pattern: subnormals, infinities, NaNs
            const std::uint64_t bits = s.Next();
            std::memcpy(&ratio, &bits, sizeof ratio);
        } else {
            const double a = double(s.Spread(1, 1 << 20)), b = double(s.Spread(1, 1 << 20));
            ratio = a / b;
        }
        const std::int32_t height = X87Nearest(static_cast<long double>(value) / ratio);
        const std::int32_t width = X87Nearest(static_cast<long double>(value) * ratio);
        if ((CoupledHeight(value, ratio) != height || CoupledWidth(value, ratio) != width) &&
            ++failures <= 10)
            ADD_FAILURE() << value << " and " << ratio << ": x87 height " << height << " width "
                          << width;
    }
    for (const coupled::TCoupleCase& c : coupled::Generate())
        if ((CoupledHeight(c.Value, c.Ratio()) !=
                 X87Nearest(static_cast<long double>(c.Value) / c.Ratio()) ||
             CoupledWidth(c.Value, c.Ratio()) !=
                 X87Nearest(static_cast<long double>(c.Value) * c.Ratio())) &&
            ++failures <= 10)
            ADD_FAILURE() << c.Value << " and " << c.A << " / " << c.B;
    EXPECT_EQ(failures, 0);
}
#endif

} // namespace
