#include "codecs/TWriterOutputBudget.h"
#include "codecs/uBmpWriter.h"
#include "codecs/uGifWriter.h"
#include "codecs/uJpegWriter.h"
#include "codecs/uPngWriter.h"

#include "WriterTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

using namespace writertest;

namespace {

// Where to cut a file of `size` bytes: its first and last bytes one by one (the
// headers and the trailers, each written by a call of its own) and two places
// in the middle.
std::set<std::size_t> CutPoints(std::size_t size) {
    std::set<std::size_t> cuts = {size / 3, size / 2};
    for (std::size_t i = 0; i < 40 && i < size; ++i) {
        cuts.insert(i);
        cuts.insert(size - 1 - i);
    }
    return cuts;
}

} // namespace

// A writer whose output cannot be kept stops with its own message wherever that
// happens: before the header, in the middle of the picture data or at the last
// byte. The sanitizer build checks that nothing is freed twice or leaked on the
// way out. A budget the file just fits leaves its bytes as they were.
TEST(WriterFailure, EveryWriterStopsCleanlyWhereverItsOutputIsCut) {
    // Noise makes files of several of the writers' internal chunks; the PNG
    // writer makes them as one stream and in strips on two threads. Sixteen
    // colours scattered at random do the same for the GIF writer, whose colour
    // quantiser would take long over noise of every colour.
    const TDecodedPicture noise = Noise(160, 160);
    std::uint32_t state = 1;
    const TDecodedPicture speckles = MakePicture(100, 100, [&](int, int) {
        state = state * 1103515245u + 12345u;
        return 0xFF000000u | StandardColors16[state >> 16 & 15];
    });
    struct Case {
        const char* Writer; // how its messages begin
        std::function<Bytes()> Encode;
    };
    const Case cases[] = {
        {"JPEG writer", [&] { return EncodeJpeg(noise, 100); }},
        {"PNG writer", [&] { return EncodePng(noise, 0); }},
        {"PNG writer",
         [&] {
             return EncodePng(noise, 6, TPngDeflatePlan{7, 2});
         }},
        {"GIF writer", [&] { return EncodeGif(speckles); }},
        {"BMP writer", [&] { return EncodeBmp(noise, 24); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Writer);
        const Bytes whole = c.Encode();
        {
            TWriterOutputBudget exact(whole.size());
            EXPECT_EQ(c.Encode(), whole);
        }
        for (std::size_t budget : CutPoints(whole.size())) {
            SCOPED_TRACE(budget);
            TWriterOutputBudget cut(budget);
            try {
                c.Encode();
                ADD_FAILURE() << "no error";
            } catch (const EPictureWriteError& e) {
                EXPECT_EQ(std::string(e.what()),
                          std::string(c.Writer) + ": not enough memory to encode the picture");
            }
        }
    }
}
