// Pixel store throughput on a 4000 x 3000 store: the line blend with and
// without master alpha, opaque copy, Clear, a 2x nearest stretch, and a plain
// memcpy of the same buffer as the ceiling.
#include "engine/Blend.h"
#include "engine/TBitmap32.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr std::int64_t kPixels = std::int64_t(kWidth) * kHeight;

// Random colours with random alpha: the blend cannot skip or copy whole runs.
void FillRandom(TBitmap32& B, unsigned Seed) {
    std::mt19937 Rng(Seed);
    TColor32* P = B.Bits();
    for (std::int64_t I = 0; I < std::int64_t(B.Width()) * B.Height(); ++I)
        P[I] = Rng();
}

struct TStores {
    TBitmap32 Src;
    TBitmap32 Dst;
    TStores() {
        Src.SetSize(kWidth, kHeight);
        Dst.SetSize(kWidth, kHeight);
        FillRandom(Src, 1);
        FillRandom(Dst, 2);
    }
};

TStores& Stores() {
    static TStores S;
    return S;
}

void SetPixelRate(benchmark::State& State) {
    State.SetItemsProcessed(State.iterations() * kPixels);
    State.SetBytesProcessed(State.iterations() * kPixels * 4);
}

void BM_BlendLine(benchmark::State& State) {
    TStores& S = Stores();
    for (auto _ : State) {
        for (int Y = 0; Y < kHeight; ++Y)
            BlendLine(S.Src.ScanLine(Y), S.Dst.ScanLine(Y), kWidth);
        benchmark::ClobberMemory();
    }
    SetPixelRate(State);
}
BENCHMARK(BM_BlendLine)->Unit(benchmark::kMillisecond);

void BM_BlendLineMasterAlpha(benchmark::State& State) {
    TStores& S = Stores();
    for (auto _ : State) {
        for (int Y = 0; Y < kHeight; ++Y)
            BlendLineMaster(S.Src.ScanLine(Y), S.Dst.ScanLine(Y), kWidth, 200);
        benchmark::ClobberMemory();
    }
    SetPixelRate(State);
}
BENCHMARK(BM_BlendLineMasterAlpha)->Unit(benchmark::kMillisecond);

void BM_BlendLineScalar(benchmark::State& State) {
    TStores& S = Stores();
    for (auto _ : State) {
        for (int Y = 0; Y < kHeight; ++Y)
            BlendLineScalar(S.Src.ScanLine(Y), S.Dst.ScanLine(Y), kWidth);
        benchmark::ClobberMemory();
    }
    SetPixelRate(State);
}
BENCHMARK(BM_BlendLineScalar)->Unit(benchmark::kMillisecond);

// The whole transfer as the layer stack uses it: DrawOnto in dmBlend.
void BM_DrawOntoBlend(benchmark::State& State) {
    TStores& S = Stores();
    S.Src.SetDrawMode(dmBlend);
    S.Src.SetMasterAlpha(255);
    for (auto _ : State)
        S.Src.DrawOnto(&S.Dst, 0, 0);
    SetPixelRate(State);
}
BENCHMARK(BM_DrawOntoBlend)->Unit(benchmark::kMillisecond);

void BM_DrawOntoOpaque(benchmark::State& State) {
    TStores& S = Stores();
    S.Src.SetDrawMode(dmOpaque);
    for (auto _ : State)
        S.Src.DrawOnto(&S.Dst, 0, 0);
    SetPixelRate(State);
}
BENCHMARK(BM_DrawOntoOpaque)->Unit(benchmark::kMillisecond);

void BM_Clear(benchmark::State& State) {
    TStores& S = Stores();
    for (auto _ : State) {
        S.Dst.Clear(0xFF336699);
        benchmark::ClobberMemory();
    }
    SetPixelRate(State);
}
BENCHMARK(BM_Clear)->Unit(benchmark::kMillisecond);

// A 2000 x 1500 source enlarged twice onto the whole store.
void BM_StretchNearest2x(benchmark::State& State) {
    TStores& S = Stores();
    TBitmap32 Half;
    Half.SetSize(kWidth / 2, kHeight / 2);
    FillRandom(Half, 3);
    for (auto _ : State)
        Half.StretchOnto(&S.Dst, S.Dst.BoundsRect());
    SetPixelRate(State);
}
BENCHMARK(BM_StretchNearest2x)->Unit(benchmark::kMillisecond);

void BM_StretchNearest2xBlend(benchmark::State& State) {
    TStores& S = Stores();
    TBitmap32 Half;
    Half.SetSize(kWidth / 2, kHeight / 2);
    FillRandom(Half, 3);
    Half.SetDrawMode(dmBlend);
    for (auto _ : State)
        Half.StretchOnto(&S.Dst, S.Dst.BoundsRect());
    SetPixelRate(State);
}
BENCHMARK(BM_StretchNearest2xBlend)->Unit(benchmark::kMillisecond);

void BM_Memcpy(benchmark::State& State) {
    TStores& S = Stores();
    for (auto _ : State) {
        std::memcpy(S.Dst.Bits(), S.Src.Bits(), std::size_t(kPixels) * 4);
        benchmark::ClobberMemory();
    }
    SetPixelRate(State);
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
