// The memory a JPEG reader takes beside what it claims, seen through the
// largest block asked of operator new while a decode runs. Replacing the
// operator holds for the whole test program; it only counts while watched.
#include "codecs/uJpegReader.h"
#include "tests/codecs/CodecFixtures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> gWatching{false};
std::atomic<std::size_t> gLargest{0};

} // namespace

void* operator new(std::size_t size) {
    if (gWatching.load(std::memory_order_relaxed)) {
        std::size_t seen = gLargest.load(std::memory_order_relaxed);
        while (size > seen && !gLargest.compare_exchange_weak(seen, size))
            ;
    }
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using fixtures::Bytes;

// The largest block taken with operator new while decode ran.
template <typename TDecode> std::size_t LargestBlock(TDecode decode) {
    gLargest = 0;
    gWatching = true;
    try {
        decode();
    } catch (...) {
        gWatching = false;
        throw;
    }
    gWatching = false;
    return gLargest;
}

} // namespace

TEST(JpegThumbnailMemory, SegmentsBetweenScansTakeNoMemoryEach) {
    // A progressive photo, read for a thumbnail at 1/8, with a great many short
    // segments after its first scan, which libjpeg reads and passes over. Each
    // is a few bytes of the file: none may cost memory of its own.
    fixtures::JpegSpec spec;
    spec.Width = 256;
    spec.Height = 192;
    spec.Progressive = true;
    spec.HalfChroma = true;
    for (int i = 0; i < spec.Width * spec.Height; ++i)
        spec.Samples.insert(spec.Samples.end(), {std::uint8_t(i % 251), 90, std::uint8_t(i % 7)});
    const Bytes whole = fixtures::WriteJpeg(spec);
    std::size_t second = 0; // the second scan's marker
    for (int seen = 0; second + 1 < whole.size(); ++second)
        if (whole[second] == 0xFF && whole[second + 1] == 0xDA && ++seen == 2)
            break;
    ASSERT_LT(second + 1, whole.size());
    const struct {
        const char* Name;
        Bytes Segment;
    } cases[] = {
        {"restart markers", {0xFF, 0xD5}},
        {"empty comments", {0xFF, 0xFE, 0x00, 0x02}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Bytes file(whole.begin(), whole.begin() + long(second));
        for (int i = 0; i < 100000; ++i)
            file.insert(file.end(), c.Segment.begin(), c.Segment.end());
        file.insert(file.end(), whole.begin() + long(second), whole.end());
        TDecodeOptions options;
        options.JpegScale = TJpegScale::Eighth;
        options.ThumbnailNeeds = [](int, int) { return TThumbnailSize{1, 1}; };
        std::size_t largest = 0;
        ASSERT_NO_THROW(largest = LargestBlock([&] {
                            EXPECT_EQ(DecodeJpeg(file.data(), file.size(), options).Width, 32);
                        }));
        EXPECT_LT(largest, 64u * 1024) << "the file is " << file.size() << " bytes";
    }
}
