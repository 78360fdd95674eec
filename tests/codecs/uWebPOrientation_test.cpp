#include "codecs/uWebPOrientation.h"
#include "tests/codecs/CodecFixtures.h"

#include <gtest/gtest.h>

using fixtures::Bytes;

namespace {

struct Chunk {
    const char* Type;
    Bytes Data;
};

// A RIFF container of the given kind with the chunks, odd ones padded.
Bytes Riff(const char* kind, const std::vector<Chunk>& chunks) {
    Bytes body(kind, kind + 4);
    for (const Chunk& c : chunks) {
        body.insert(body.end(), c.Type, c.Type + 4);
        fixtures::PutLE32(body, std::uint32_t(c.Data.size()));
        body.insert(body.end(), c.Data.begin(), c.Data.end());
        if (c.Data.size() % 2)
            body.push_back(0);
    }
    Bytes file = {'R', 'I', 'F', 'F'};
    fixtures::PutLE32(file, std::uint32_t(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

} // namespace

TEST(WebPOrientation, ReadsTheExifChunkOfTheContainer) {
    const Chunk header{"VP8X", Bytes(10, 0)};
    const Chunk image{"VP8 ", Bytes(7, 1)}; // odd: padded
    const Chunk exif{"EXIF", fixtures::MakeExif(6, false, false)};
    Bytes overlong = Riff("WEBP", {header, exif});
    overlong[12 + 4] = 0xFF; // the first chunk claims more than the file holds
    Bytes cut = Riff("WEBP", {header, exif});
    cut.resize(cut.size() - 3);
    const struct {
        const char* Name;
        Bytes File;
        int Expected;
    } cases[] = {
        {"after the header", Riff("WEBP", {header, exif}), 6},
        {"after an odd chunk", Riff("WEBP", {header, image, exif}), 6},
        {"big-endian EXIF", Riff("WEBP", {{"EXIF", fixtures::MakeExif(8, true, false)}}), 8},
        {"no EXIF chunk", Riff("WEBP", {header, image}), 1},
        {"a chunk longer than the file", overlong, 1},
        {"EXIF chunk cut short", cut, 1},
        {"another RIFF kind", Riff("AVI ", {exif}), 1},
        {"too short", Bytes{'R', 'I', 'F', 'F'}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(WebPOrientation(c.File.data(), c.File.size()), c.Expected);
    }
}
