#include "engine/Blend.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The rule for one pixel with a weight 0..256: 0 gives B, 256 gives F, and
// 1..255 are the rule proper. Every sum fits in 16 bits.
inline TColor32 Combine(TColor32 F, TColor32 B, unsigned W) {
    const unsigned V = 256 - W;
    TColor32 Z = 0;
    for (int Shift = 0; Shift < 32; Shift += 8) {
        const unsigned Fc = (F >> Shift) & 0xFF;
        const unsigned Bc = (B >> Shift) & 0xFF;
        Z |= TColor32((W * Fc + V * Bc + 128) >> 8) << Shift;
    }
    return Z;
}

#if defined(__SSE2__)
// Four pixels at a time in 16-bit lanes, two pixels per register. The weight
// of each pixel is spread over its four lanes; with a weight of 0 the rule
// gives B exactly and with 256 it gives F exactly, so the special alphas need
// no branches:
//   Z = (W * F + (256 - W) * B + 128) >> 8, each product and the sum <= 65408.
inline __m128i CombineWeighted(__m128i F16, __m128i B16, __m128i W16) {
    const __m128i k256 = _mm_set1_epi16(256);
    const __m128i k128 = _mm_set1_epi16(128);
    const __m128i V16 = _mm_sub_epi16(k256, W16);
    __m128i Sum = _mm_add_epi16(_mm_mullo_epi16(F16, W16), _mm_mullo_epi16(B16, V16));
    Sum = _mm_add_epi16(Sum, k128);
    return _mm_srli_epi16(Sum, 8);
}

inline __m128i SpreadAlpha(__m128i P16) {
    // Lanes b g r a b g r a: copy lane 3 (and 7) into every lane of its pixel.
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(P16, 0xFF), 0xFF);
}

// Weight without master alpha: alpha, except 255 which becomes 256.
inline __m128i PlainWeight(__m128i A16) {
    return _mm_sub_epi16(A16, _mm_cmpeq_epi16(A16, _mm_set1_epi16(255)));
}

// Weight with master alpha M: ((alpha + 1) * M) >> 8. For M <= 254 this is 0
// for alpha 0 and never above 254.
inline __m128i MasterWeight(__m128i A16, __m128i M16) {
    const __m128i One = _mm_set1_epi16(1);
    return _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(A16, One), M16), 8);
}

template <bool Master>
inline void BlendLineSse2(const TColor32* Src, TColor32* Dst, int Count, unsigned M) {
    const __m128i Zero = _mm_setzero_si128();
    const __m128i M16 = _mm_set1_epi16(static_cast<short>(M));
    int I = 0;
    for (; I + 4 <= Count; I += 4) {
        const __m128i F = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Src + I));
        const __m128i B = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Dst + I));
        const __m128i FLo = _mm_unpacklo_epi8(F, Zero);
        const __m128i FHi = _mm_unpackhi_epi8(F, Zero);
        const __m128i BLo = _mm_unpacklo_epi8(B, Zero);
        const __m128i BHi = _mm_unpackhi_epi8(B, Zero);
        __m128i WLo = SpreadAlpha(FLo);
        __m128i WHi = SpreadAlpha(FHi);
        if (Master) {
            WLo = MasterWeight(WLo, M16);
            WHi = MasterWeight(WHi, M16);
        } else {
            WLo = PlainWeight(WLo);
            WHi = PlainWeight(WHi);
        }
        const __m128i ZLo = CombineWeighted(FLo, BLo, WLo);
        const __m128i ZHi = CombineWeighted(FHi, BHi, WHi);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(Dst + I), _mm_packus_epi16(ZLo, ZHi));
    }
    for (; I < Count; ++I) {
        const unsigned A = Src[I] >> 24;
        const unsigned W = Master ? ((A + 1) * M) >> 8 : (A == 255 ? 256 : A);
        Dst[I] = Combine(Src[I], Dst[I], W);
    }
}
#endif

} // namespace

TColor32 BlendPixel(TColor32 F, TColor32 B, unsigned W) {
    if (W == 0)
        return B;
    if (W >= 255)
        return F;
    return Combine(F, B, W);
}

void BlendLineScalar(const TColor32* Src, TColor32* Dst, int Count) {
    for (int I = 0; I < Count; ++I) {
        const TColor32 F = Src[I];
        const unsigned A = F >> 24;
        if (A == 0)
            continue;
        if (A == 255) {
            Dst[I] = F;
            continue;
        }
        const TColor32 B = Dst[I];
        TColor32 Z = 0;
        for (int Shift = 0; Shift < 32; Shift += 8) {
            const unsigned Fc = (F >> Shift) & 0xFF;
            const unsigned Bc = (B >> Shift) & 0xFF;
            Z |= TColor32((A * Fc + (256 - A) * Bc + 128) >> 8) << Shift;
        }
        Dst[I] = Z;
    }
}

void BlendLineMasterScalar(const TColor32* Src, TColor32* Dst, int Count, unsigned M) {
    for (int I = 0; I < Count; ++I) {
        const TColor32 F = Src[I];
        const unsigned A = F >> 24;
        if (A == 0)
            continue;
        const unsigned W = ((A + 1) * M) >> 8;
        if (W == 0)
            continue;
        const TColor32 B = Dst[I];
        TColor32 Z = 0;
        for (int Shift = 0; Shift < 32; Shift += 8) {
            const unsigned Fc = (F >> Shift) & 0xFF;
            const unsigned Bc = (B >> Shift) & 0xFF;
            Z |= TColor32((W * Fc + (256 - W) * Bc + 128) >> 8) << Shift;
        }
        Dst[I] = Z;
    }
}

void BlendLine(const TColor32* Src, TColor32* Dst, int Count) {
#if defined(__SSE2__)
    BlendLineSse2<false>(Src, Dst, Count, 255);
#else
    BlendLineScalar(Src, Dst, Count);
#endif
}

void BlendLineMaster(const TColor32* Src, TColor32* Dst, int Count, unsigned M) {
    if (M >= 255) {
        BlendLine(Src, Dst, Count);
        return;
    }
    if (M == 0)
        return;
#if defined(__SSE2__)
    BlendLineSse2<true>(Src, Dst, Count, M);
#else
    BlendLineMasterScalar(Src, Dst, Count, M);
#endif
}

void FillLongword(TColor32* Dst, int Count, TColor32 Color) {
    if (Count <= 0)
        return;
    if ((Color & 0xFF) == (Color >> 24) && (Color & 0xFF) == ((Color >> 8) & 0xFF) &&
        (Color & 0xFF) == ((Color >> 16) & 0xFF)) {
        std::memset(Dst, int(Color & 0xFF), std::size_t(Count) * sizeof(TColor32));
        return;
    }
    for (int I = 0; I < Count; ++I)
        Dst[I] = Color;
}
