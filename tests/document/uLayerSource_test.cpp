// A layer's edits taken together: however many mirrors and turns, the same
// picture as making each of them in order.
#include "document/uLayerSource.h"

#include "engine/TBitmap32.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A 3 x 2 picture whose every pixel differs, so that each mirror and turn shows.
void Mark(TBitmap32& b) {
    b.SetSize(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            b.SetPixel(x, y, TColor32(0xFF000000u | std::uint32_t(10 * y + x)));
}

std::vector<TColor32> Edited(const std::vector<TLayerEdit>& Edits) {
    TBitmap32 b;
    Mark(b);
    for (TLayerEdit e : Edits)
        ApplyLayerEdit(b, e);
    std::vector<TColor32> pixels{TColor32(b.Width()), TColor32(b.Height())};
    pixels.insert(pixels.end(), b.Bits(), b.Bits() + b.Width() * b.Height());
    return pixels;
}

const TLayerEdit kAll[] = {TLayerEdit::FlipHorizontal, TLayerEdit::FlipVertical,
                           TLayerEdit::Turn90, TLayerEdit::Turn180, TLayerEdit::Turn270};

} // namespace

TEST(LayerEdits, EveryRunComesToTheSamePictureInAtMostTwoEdits) {
    // Every run of up to four edits.
    std::vector<std::vector<TLayerEdit>> runs{{}};
    for (std::size_t start = 0, length = 0; length < 4; ++length) {
        const std::size_t end = runs.size();
        for (std::size_t i = start; i < end; ++i)
            for (TLayerEdit e : kAll) {
                std::vector<TLayerEdit> run = runs[i];
                run.push_back(e);
                runs.push_back(run);
            }
        start = end;
    }
    // And a long one, as a hostile or much edited project has.
    std::vector<TLayerEdit> longRun;
    for (int i = 0; i < 100003; ++i)
        longRun.push_back(kAll[(i * 7 + i / 3) % 5]);
    runs.push_back(longRun);
    for (const auto& run : runs) {
        const std::vector<TLayerEdit> net = NetLayerEdits(run);
        EXPECT_LE(net.size(), 2u);
        EXPECT_EQ(Edited(net), Edited(run)) << "a run of " << run.size();
    }
}
