// A fixed, generated set of kept-ratio fits for checking the fitting arithmetic
// against the results recorded in tests/data: source sides over the whole range
// a picture may have, cell sides over the whole range of the dialogs, and many
// fits whose exact scaled side is a whole number, where the rounding of the
// extended-precision steps decides between that number and the one below.
#pragma once

#include "tests/TSequence.h"

#include <cstdint>
#include <numeric>
#include <ostream>
#include <vector>

namespace keptratio {

constexpr std::int64_t kMaxSource = 1000000; // the largest side a picture may be loaded with
constexpr std::int64_t kMaxCell = 9999;      // the largest cell side of the dialogs

struct TFitCase {
    std::int32_t SourceWidth, SourceHeight, Width, Height;
};

inline std::ostream& operator<<(std::ostream& os, const TFitCase& c) {
    return os << c.SourceWidth << "x" << c.SourceHeight << " into " << c.Width << "x" << c.Height;
}

// The fit as it would come out of exact rational arithmetic: the side of the
// relatively larger picture side is kept, the other is truncated.
inline void ExactKeptRatioSize(const TFitCase& c, std::int32_t& Width, std::int32_t& Height) {
    const std::int64_t sw = c.SourceWidth, sh = c.SourceHeight, w = c.Width, h = c.Height;
    if (h * sw >= sh * w) { // h / w >= sh / sw for positive sides
        Width = c.Width;
        Height = std::int32_t(sh * w / sw);
    } else {
        Height = c.Height;
        Width = std::int32_t(sw * h / sh);
    }
}

// Random fits, then fits of exactly the cell's ratio, then fits whose scaled
// side is exactly a whole number; half of the latter two are turned by a
// quarter so that both the width and the height branch meet them.
inline std::vector<TFitCase> Generate() {
    TSequence s(20240611);
    std::vector<TFitCase> cases;
    auto add = [&](std::int64_t sw, std::int64_t sh, std::int64_t w, std::int64_t h) {
        if (s.Next() & 1)
            cases.push_back({std::int32_t(sh), std::int32_t(sw), std::int32_t(h), std::int32_t(w)});
        else
            cases.push_back({std::int32_t(sw), std::int32_t(sh), std::int32_t(w), std::int32_t(h)});
    };
    for (int i = 0; i < 30000; ++i) {
        // One draw per statement: the order in which a call's arguments are
        // evaluated differs between compilers.
        const std::int64_t sw = s.Spread(1, kMaxSource), sh = s.Spread(1, kMaxSource);
        const std::int64_t w = s.Spread(1, kMaxCell), h = s.Spread(1, kMaxCell);
        add(sw, sh, w, h);
    }
    while (cases.size() < 40000) { // the source has the cell's ratio
        const std::int64_t w = s.Spread(1, kMaxCell), h = s.Spread(1, kMaxCell);
        const std::int64_t g = std::gcd(w, h);
        const std::int64_t most = kMaxSource / ((w > h ? w : h) / g);
        const std::int64_t m = s.Spread(1, most);
        add(w / g * m, h / g * m, w, h);
    }
    while (cases.size() < 50000) { // sh x w / sw is a whole number n <= h
        const std::int64_t w = s.Spread(1, kMaxCell), sw = s.Spread(1, kMaxSource);
        const std::int64_t step = sw / std::gcd(sw, w); // sh must be a multiple of it
        const std::int64_t sh = step * s.Spread(1, kMaxSource / step);
        const std::int64_t n = sh * w / sw;
        if (n > kMaxCell)
            continue;
        const std::int64_t h = s.Range(0, 3) == 0 ? n : s.Spread(n, kMaxCell);
        add(sw, sh, w, h);
    }
    return cases;
}

} // namespace keptratio
