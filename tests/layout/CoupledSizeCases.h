// A fixed, generated set of cell-size couplings for checking them against the
// results recorded in tests/data: a field value and a ratio A / B formed the way
// the dialogs form it, from cell sides of 2..9999, at random and where the
// exact result lies halfway between two integers, so that the rounding of the
// double ratio and of the extended-precision step decides the result.
#pragma once

#include "tests/TSequence.h"

#include <cstdint>
#include <numeric>
#include <vector>

namespace coupled {

constexpr std::int64_t kMin = 2, kMax = 9999; // the dialogs' cell sides

struct TCoupleCase {
    std::int32_t Value, A, B; // CoupledHeight(Value, A / B) and CoupledWidth(Value, A / B)
    double Ratio() const { return double(A) / double(B); }
};

// N / D to the nearest integer, halves to the even one; N, D > 0.
inline std::int32_t NearestEven(std::int64_t N, std::int64_t D) {
    const std::int64_t q = N / D, r = N % D;
    return std::int32_t(2 * r > D || (2 * r == D && (q & 1)) ? q + 1 : q);
}

// The couplings as exact rational arithmetic on the two sides would give them.
inline std::int32_t ExactHeight(const TCoupleCase& c) {
    return NearestEven(std::int64_t(c.Value) * c.B, c.A);
}
inline std::int32_t ExactWidth(const TCoupleCase& c) {
    return NearestEven(std::int64_t(c.Value) * c.A, c.B);
}

// The inverse of a modulo m, for a and m coprime.
inline std::int64_t Inverse(std::int64_t a, std::int64_t m) {
    std::int64_t r0 = m, r1 = a % m, t0 = 0, t1 = 1;
    while (r1 != 0) {
        const std::int64_t k = r0 / r1, r2 = r0 - k * r1, t2 = t0 - k * t1;
        r0 = r1;
        r1 = r2;
        t0 = t1;
        t1 = t2;
    }
    return ((t0 % m) + m) % m;
}

// Random couplings, then ties for the height, then ties for the width.
inline std::vector<TCoupleCase> Generate() {
    TSequence s(99990002);
    std::vector<TCoupleCase> cases;
    for (int i = 0; i < 30000; ++i)
        cases.push_back({std::int32_t(s.Spread(kMin, kMax)), std::int32_t(s.Spread(kMin, kMax)),
                         std::int32_t(s.Spread(kMin, kMax))});
    for (int kind = 0; kind < 2; ++kind)
        for (int found = 0; found < 10000;) {
            // v x q / p = m + 1/2: with p = g p', q = g q', p' must be even and
            // v x q' = p' / 2 (mod p').
            const std::int64_t p = s.Spread(kMin, kMax), q = s.Spread(kMin, kMax);
            const std::int64_t g = std::gcd(p, q), pp = p / g, qq = q / g;
            if (pp % 2 != 0)
                continue;
            const std::int64_t v0 = pp / 2 * Inverse(qq % pp, pp) % pp;
            const std::int64_t kLo = v0 < kMin ? 1 : 0, kHi = (kMax - v0) / pp;
            if (kLo > kHi)
                continue;
            const std::int32_t v = std::int32_t(v0 + pp * s.Range(kLo, kHi));
            // The height is v x B / A, the width v x A / B.
            cases.push_back(kind == 0 ? TCoupleCase{v, std::int32_t(p), std::int32_t(q)}
                                      : TCoupleCase{v, std::int32_t(q), std::int32_t(p)});
            ++found;
        }
    return cases;
}

} // namespace coupled
