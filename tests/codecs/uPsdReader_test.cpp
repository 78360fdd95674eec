#include "codecs/ECodecError.h"
#include "codecs/uPsdReader.h"
#include "tests/codecs/CodecFixtures.h"

#include <gtest/gtest.h>

using fixtures::Bytes;
using fixtures::PutBE16;
using fixtures::PutBE32;

namespace {

struct PsdSpec {
    unsigned Version = 1;
    unsigned Mode = 3;
    unsigned Depth = 8;
    std::uint32_t Width = 3;
    std::uint32_t Height = 2;
    Bytes ModeData;
    int LayerCount = 0; // 0: no layer section at all
    unsigned Compression = 0;
    std::vector<Bytes> Channels; // each Height rows of packed samples
};

// PackBits with repeat runs for repeated bytes and literal runs for the rest.
Bytes PackBits(const std::uint8_t* row, std::size_t n) {
    Bytes out;
    std::size_t i = 0;
    while (i < n) {
        std::size_t run = 1;
        while (i + run < n && run < 128 && row[i + run] == row[i])
            ++run;
        if (run >= 2) {
            out.push_back(std::uint8_t(257 - run));
            out.push_back(row[i]);
            i += run;
            continue;
        }
        std::size_t literal = 1;
        while (i + literal < n && literal < 128 &&
               !(i + literal + 1 < n && row[i + literal] == row[i + literal + 1]))
            ++literal;
        out.push_back(std::uint8_t(literal - 1));
        out.insert(out.end(), row + i, row + i + literal);
        i += literal;
    }
    return out;
}

Bytes MakePsd(const PsdSpec& s) {
    Bytes b = {'8', 'B', 'P', 'S'};
    PutBE16(b, s.Version);
    b.insert(b.end(), 6, 0);
    PutBE16(b, unsigned(s.Channels.size()));
    PutBE32(b, s.Height);
    PutBE32(b, s.Width);
    PutBE16(b, s.Depth);
    PutBE16(b, s.Mode);
    PutBE32(b, std::uint32_t(s.ModeData.size()));
    b.insert(b.end(), s.ModeData.begin(), s.ModeData.end());
    PutBE32(b, 0); // image resources
    if (s.LayerCount != 0) {
        PutBE32(b, 6);
        PutBE32(b, 2);
        PutBE16(b, unsigned(std::uint16_t(std::int16_t(s.LayerCount))));
    } else {
        PutBE32(b, 0);
    }
    PutBE16(b, s.Compression);
    if (s.Compression != 1) {
        for (const Bytes& c : s.Channels)
            b.insert(b.end(), c.begin(), c.end());
        return b;
    }
    const std::size_t rowBytes = s.Depth == 1 ? (s.Width + 7) / 8 : s.Width * s.Depth / 8;
    std::vector<Bytes> rows;
    for (Bytes c : s.Channels) {
        c.resize(s.Height * rowBytes); // cases that change the depth keep the data short
        for (std::size_t y = 0; y < s.Height; ++y)
            rows.push_back(PackBits(c.data() + y * rowBytes, rowBytes));
    }
    for (const Bytes& r : rows)
        PutBE16(b, unsigned(r.size()));
    for (const Bytes& r : rows)
        b.insert(b.end(), r.begin(), r.end());
    return b;
}

PsdSpec Rgb() {
    PsdSpec s;
    s.Channels = {{255, 255, 0, 10, 20, 30}, {0, 128, 0, 40, 40, 40}, {0, 0, 255, 7, 7, 9}};
    return s;
}
const std::vector<std::uint32_t> kRgb = {0xFFFF0000, 0xFFFF8000, 0xFF0000FF,
                                         0xFF0A2807, 0xFF142807, 0xFF1E2809};

TDecodedPicture Decode(const PsdSpec& s) {
    const Bytes b = MakePsd(s);
    return DecodePsd(b.data(), b.size());
}

TCodecFailure FailureOf(const Bytes& bytes) {
    try {
        DecodePsd(bytes.data(), bytes.size());
    } catch (const ECodecError& e) {
        return e.Reason();
    }
    ADD_FAILURE() << "decoding succeeded";
    return TCodecFailure::NotFound;
}

Bytes Widen(const Bytes& eight) {
    Bytes out;
    for (std::uint8_t v : eight) {
        out.push_back(v);
        out.push_back(std::uint8_t(255 - v)); // the low byte does not count
    }
    return out;
}

} // namespace

TEST(PsdReader, DecodesRgbRawAndRunLengthIn8And16Bits) {
    for (unsigned compression : {0u, 1u}) {
        SCOPED_TRACE(compression);
        PsdSpec s = Rgb();
        s.Compression = compression;
        TDecodedPicture p = Decode(s);
        EXPECT_EQ(p.Width, 3);
        EXPECT_EQ(p.Height, 2);
        EXPECT_EQ(p.Pixels, kRgb);
        EXPECT_FALSE(p.HasAlpha);
        EXPECT_FALSE(p.Drawn);
        for (Bytes& c : s.Channels)
            c = Widen(c);
        s.Depth = 16;
        EXPECT_EQ(Decode(s).Pixels, kRgb);
    }
}

TEST(PsdReader, DecodesTheOtherColourModes) {
    PsdSpec grey;
    grey.Mode = 1;
    grey.Channels = {{0, 50, 100, 150, 200, 255}};
    const std::vector<std::uint32_t> greys = {0xFF000000, 0xFF323232, 0xFF646464,
                                              0xFF969696, 0xFFC8C8C8, 0xFFFFFFFF};
    EXPECT_EQ(Decode(grey).Pixels, greys);
    grey.Mode = 8; // duotone: shown by its grey data
    EXPECT_EQ(Decode(grey).Pixels, greys);

    PsdSpec indexed;
    indexed.Mode = 2;
    indexed.ModeData.assign(768, 0);
    indexed.ModeData[5] = 200;       // red of entry 5
    indexed.ModeData[256 + 5] = 100; // green of entry 5
    indexed.ModeData[512 + 9] = 50;  // blue of entry 9
    indexed.Channels = {{5, 9, 0, 0, 9, 5}};
    EXPECT_EQ(Decode(indexed).Pixels,
              (std::vector<std::uint32_t>{0xFFC86400, 0xFF000032, 0xFF000000, 0xFF000000,
                                          0xFF000032, 0xFFC86400}));

    // CMYK is stored inverted: 255 means no ink.
    PsdSpec cmyk;
    cmyk.Mode = 4;
    cmyk.Width = 2;
    cmyk.Height = 1;
    cmyk.Channels = {{255, 255}, {128, 255}, {0, 255}, {255, 128}};
    EXPECT_EQ(Decode(cmyk).Pixels, (std::vector<std::uint32_t>{0xFFFF8000, 0xFF808080}));

    PsdSpec bitmap;
    bitmap.Mode = 0;
    bitmap.Depth = 1;
    bitmap.Width = 10;
    bitmap.Height = 1;
    bitmap.Channels = {{0xA0, 0x40}}; // 1 is black
    const TDecodedPicture b = Decode(bitmap);
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(b.Pixel(x, 0), (x == 0 || x == 2 || x == 9) ? 0xFF000000u : 0xFFFFFFFFu) << x;
}

TEST(PsdReader, MergedTransparencyOnlyWhenTheFileSaysSo) {
    PsdSpec s = Rgb();
    s.Channels.push_back({255, 128, 0, 255, 255, 1});
    for (unsigned compression : {0u, 1u}) {
        s.Compression = compression;
        s.LayerCount = 0; // an extra channel that is a saved selection
        TDecodedPicture p = Decode(s);
        EXPECT_FALSE(p.HasAlpha);
        EXPECT_EQ(p.Pixels, kRgb);
        s.LayerCount = -1;
        p = Decode(s);
        EXPECT_TRUE(p.HasAlpha);
        EXPECT_EQ(p.Pixels, (std::vector<std::uint32_t>{0xFFFF0000, 0x80FF8000, 0x000000FF,
                                                        0xFF0A2807, 0xFF142807, 0x011E2809}));
    }
}

TEST(PsdReader, DamagedAndUnsupportedFilesFailCleanly) {
    PsdSpec s = Rgb();
    s.Compression = 1;
    const Bytes good = MakePsd(s);
    for (std::size_t n = 0; n < good.size(); n += 3) {
        SCOPED_TRACE(n);
        EXPECT_EQ(FailureOf(Bytes(good.begin(), good.begin() + long(n))), TCodecFailure::Corrupt);
    }
    Bytes badRun = good;
    badRun[40] = 0; // the first row's run data is said to be one byte long
    badRun[41] = 1;
    EXPECT_EQ(FailureOf(badRun), TCodecFailure::Corrupt);

    struct Case {
        const char* Name;
        void (*Change)(PsdSpec&);
        TCodecFailure Reason;
    };
    const Case cases[] = {
        {"large document", [](PsdSpec& p) { p.Version = 2; }, TCodecFailure::Unsupported},
        {"version 3", [](PsdSpec& p) { p.Version = 3; }, TCodecFailure::Corrupt},
        {"Lab", [](PsdSpec& p) { p.Mode = 9; }, TCodecFailure::Unsupported},
        {"zip", [](PsdSpec& p) { p.Compression = 2; }, TCodecFailure::Unsupported},
        {"32 bits", [](PsdSpec& p) { p.Depth = 32; }, TCodecFailure::Unsupported},
        {"no channels", [](PsdSpec& p) { p.Channels.clear(); }, TCodecFailure::Corrupt},
        {"RGB with one channel", [](PsdSpec& p) { p.Channels.resize(1); }, TCodecFailure::Corrupt},
        {"indexed without palette", [](PsdSpec& p) { p.Mode = 2; }, TCodecFailure::Corrupt},
        {"huge", [](PsdSpec& p) { p.Width = p.Height = 100000, p.Compression = 0; },
         TCodecFailure::TooLarge},
        // Within the ceiling, but the file cannot hold the data it claims; nothing
        // of the picture's size is allocated before that is known.
        {"big and empty", [](PsdSpec& p) { p.Width = p.Height = 16000; }, TCodecFailure::Corrupt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        PsdSpec changed = Rgb();
        changed.Compression = 1;
        if (std::string(c.Name) == "big and empty") {
            Bytes header = MakePsd(changed);
            // Patch the size; the data stays that of a 3 x 2 picture.
            for (std::size_t at : {std::size_t(14), std::size_t(18)}) {
                header[at] = 0;
                header[at + 1] = 0;
                header[at + 2] = 0x3E;
                header[at + 3] = 0x80;
            }
            EXPECT_EQ(FailureOf(header), c.Reason);
            continue;
        }
        c.Change(changed);
        EXPECT_EQ(FailureOf(MakePsd(changed)), c.Reason);
    }
}
