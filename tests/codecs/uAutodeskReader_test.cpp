#include "codecs/ECodecError.h"
#include "codecs/uAutodeskReader.h"
#include "tests/codecs/CodecFixtures.h"

#include <gtest/gtest.h>

using fixtures::Bytes;
using fixtures::PutLE16;
using fixtures::PutLE32;

namespace {

Bytes MakeCel(unsigned w, unsigned h, const Bytes& palette, const Bytes& pixels, unsigned bits = 8,
              unsigned compression = 0) {
    Bytes b;
    PutLE16(b, 0x9119);
    PutLE16(b, w);
    PutLE16(b, h);
    PutLE16(b, 0);
    PutLE16(b, 0);
    b.push_back(std::uint8_t(bits));
    b.push_back(std::uint8_t(compression));
    PutLE32(b, std::uint32_t(pixels.size()));
    b.insert(b.end(), 16, 0);
    b.insert(b.end(), palette.begin(), palette.end());
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

Bytes SixBitPalette() {
    Bytes p(768, 0);
    p[3] = 63;                      // entry 1: full red
    p[6 + 1] = 32;                  // entry 2: green 32 -> 130
    p[9] = 1, p[10] = 2, p[11] = 3; // entry 3
    return p;
}

TCodecFailure FailureOf(const Bytes& bytes) {
    try {
        DecodeAutodesk(bytes.data(), bytes.size());
    } catch (const ECodecError& e) {
        return e.Reason();
    }
    ADD_FAILURE() << "decoding succeeded";
    return TCodecFailure::NotFound;
}

} // namespace

TEST(AutodeskReader, DecodesSixAndEightBitPalettes) {
    const Bytes cel = MakeCel(3, 2, SixBitPalette(), {0, 1, 2, 3, 2, 1});
    const TDecodedPicture p = DecodeAutodesk(cel.data(), cel.size());
    EXPECT_EQ(p.Width, 3);
    EXPECT_EQ(p.Height, 2);
    EXPECT_FALSE(p.HasAlpha);
    EXPECT_FALSE(p.Drawn);
    EXPECT_EQ(p.Pixels, (std::vector<std::uint32_t>{0xFF000000, 0xFFFF0000, 0xFF008200, 0xFF04080C,
                                                    0xFF008200, 0xFFFF0000}));
    Bytes eight = SixBitPalette();
    eight[3] = 200; // above 63: the palette is 8-bit
    const Bytes cel8 = MakeCel(2, 1, eight, {1, 2});
    EXPECT_EQ(DecodeAutodesk(cel8.data(), cel8.size()).Pixels,
              (std::vector<std::uint32_t>{0xFFC80000, 0xFF002000}));
}

TEST(AutodeskReader, DamagedAndUnsupportedFilesFailCleanly) {
    const Bytes good = MakeCel(4, 4, SixBitPalette(), Bytes(16, 1));
    for (std::size_t n : {std::size_t(0), std::size_t(1), std::size_t(20), std::size_t(32),
                          std::size_t(500), good.size() - 1}) {
        SCOPED_TRACE(n);
        EXPECT_EQ(FailureOf(Bytes(good.begin(), good.begin() + long(n))), TCodecFailure::Corrupt);
    }
    Bytes wrong = good;
    wrong[0] = 0x18;
    EXPECT_EQ(FailureOf(wrong), TCodecFailure::Corrupt);
    EXPECT_EQ(FailureOf(MakeCel(4, 4, SixBitPalette(), Bytes(16, 1), 4)),
              TCodecFailure::Unsupported);
    EXPECT_EQ(FailureOf(MakeCel(4, 4, SixBitPalette(), Bytes(16, 1), 8, 1)),
              TCodecFailure::Unsupported);
    EXPECT_EQ(FailureOf(MakeCel(0, 4, SixBitPalette(), {})), TCodecFailure::Corrupt);
    EXPECT_EQ(FailureOf(MakeCel(65535, 65535, SixBitPalette(), {})), TCodecFailure::TooLarge);
}
