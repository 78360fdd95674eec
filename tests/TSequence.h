// A pseudo-random sequence fixed by its definition (splitmix64) and drawn with
// integer arithmetic only, so that generated test tables are the same with
// every compiler and standard library.
#pragma once

#include <cstdint>

class TSequence {
public:
    explicit TSequence(std::uint64_t Seed) : FState(Seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (FState += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    // Lo..Hi inclusive (the slight modulo bias does not matter here).
    std::int64_t Range(std::int64_t Lo, std::int64_t Hi) {
        return Lo + std::int64_t(Next() % std::uint64_t(Hi - Lo + 1));
    }
    // Lo..Hi with every power-of-two band equally likely, so that small sides are
    // as common as large ones.
    std::int64_t Spread(std::int64_t Lo, std::int64_t Hi) {
        int bits = 0;
        while ((std::int64_t(1) << (bits + 1)) <= Hi)
            ++bits;
        const int band = int(Range(0, bits));
        std::int64_t lo = std::int64_t(1) << band, hi = (std::int64_t(1) << (band + 1)) - 1;
        lo = lo < Lo ? Lo : lo;
        hi = hi > Hi ? Hi : hi;
        return lo > hi ? Range(Lo, Hi) : Range(lo, hi);
    }

private:
    std::uint64_t FState;
};
