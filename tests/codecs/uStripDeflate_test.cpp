#include "codecs/uStripDeflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <new>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Rows that repeat every 13 rows: they deflate well only where a strip's
// matches reach back into the rows before it.
TRowMaker RepeatingRows(std::size_t rowBytes) {
    return [rowBytes](int y, std::uint8_t* out) {
        std::uint32_t state = std::uint32_t(y % 13) * 2654435761u + 1;
        for (std::size_t x = 0; x < rowBytes; ++x) {
            state = state * 1103515245u + 12345u;
            out[x] = std::uint8_t(state >> 16);
        }
    };
}

Bytes AllRows(int rows, std::size_t rowBytes, const TRowMaker& makeRow) {
    Bytes all(std::size_t(rows) * rowBytes);
    for (int y = 0; y < rows; ++y)
        makeRow(y, all.data() + std::size_t(y) * rowBytes);
    return all;
}

Bytes Deflate(int rows, std::size_t rowBytes, const TRowMaker& makeRow, int level,
              TStripPlan plan) {
    Bytes stream;
    const bool done = DeflateRowsInStrips(rows, rowBytes, makeRow, level, Z_DEFAULT_STRATEGY, plan,
                                          [&](const std::uint8_t* data, std::size_t length) {
                                              stream.insert(stream.end(), data, data + length);
                                              return true;
                                          });
    EXPECT_TRUE(done);
    return stream;
}

// Inflates one zlib stream that must end exactly at the end of `stream`; zlib
// checks the header and the Adler-32 on the way.
Bytes InflateWhole(const Bytes& stream, std::size_t expected) {
    Bytes out(expected + 1);
    z_stream z{};
    EXPECT_EQ(inflateInit(&z), Z_OK);
    z.next_in = const_cast<Bytef*>(stream.data());
    z.avail_in = uInt(stream.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END) << (z.msg ? z.msg : "");
    EXPECT_EQ(z.avail_in, 0u) << "bytes after the end of the stream";
    out.resize(z.total_out);
    inflateEnd(&z);
    return out;
}

} // namespace

// The strips joined are one zlib stream of the rows, whatever the strip height
// (one row, a height that does not divide the rows, more than all rows) and the
// row length (rows shorter than the window and one row longer than it), and
// the bytes do not depend on the number of threads. Priming each strip with
// the window before it keeps the stream within 1 % of a single one.
TEST(StripDeflate, StripsJoinIntoOneStreamOfTheRows) {
    struct Case {
        int Rows;
        std::size_t RowBytes;
        int RowsPerStrip;
        int Level;
    };
    const Case cases[] = {
        {200, 100, 1, 6}, {200, 100, 7, 9}, {200, 100, 500, 1},
        {45, 3000, 4, 9}, {9, 40000, 2, 6}, {1, 50, 1, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Rows << " rows of " << c.RowBytes << ", "
                                        << c.RowsPerStrip << " a strip, level " << c.Level);
        const TRowMaker rows = RepeatingRows(c.RowBytes);
        const Bytes all = AllRows(c.Rows, c.RowBytes, rows);
        const Bytes stream = Deflate(c.Rows, c.RowBytes, rows, c.Level, {c.RowsPerStrip, 2});
        EXPECT_EQ(InflateWhole(stream, all.size()), all);
        for (int threads : {1, 3})
            EXPECT_EQ(Deflate(c.Rows, c.RowBytes, rows, c.Level, {c.RowsPerStrip, threads}), stream)
                << threads << " threads";

        Bytes single(compressBound(uLong(all.size())));
        uLongf singleSize = uLongf(single.size());
        ASSERT_EQ(compress2(single.data(), &singleSize, all.data(), uLong(all.size()), c.Level),
                  Z_OK);
        // The same header as zlib's own, and the size near a single stream's:
        // within 1 % but for what each strip adds to such a small stream (a
        // block's code tables and the flush). Without the priming each strip
        // would repeat its rows as literals.
        EXPECT_EQ(stream[0], single[0]);
        EXPECT_EQ(stream[1], single[1]);
        const int strips = (c.Rows + c.RowsPerStrip - 1) / c.RowsPerStrip;
        EXPECT_LE(double(stream.size()), double(singleSize) * 1.01 + 40.0 * strips);
    }
}

// An error on a deflating thread reaches the caller once every thread has
// stopped, and an output that refuses bytes stops the work, wherever either
// happens.
TEST(StripDeflate, FailuresStopTheWork) {
    const std::size_t rowBytes = 500;
    const TRowMaker good = RepeatingRows(rowBytes);
    for (int threads : {1, 2, 3}) {
        SCOPED_TRACE(threads);
        for (int badRow : {0, 37, 99}) {
            const TRowMaker failing = [&](int y, std::uint8_t* out) {
                if (y == badRow)
                    throw std::bad_alloc();
                good(y, out);
            };
            EXPECT_THROW(DeflateRowsInStrips(100, rowBytes, failing, 6, Z_DEFAULT_STRATEGY,
                                             {5, threads},
                                             [](const std::uint8_t*, std::size_t) { return true; }),
                         std::bad_alloc)
                << "row " << badRow;
        }
        for (int acceptedCalls : {0, 1, 4, 20, 21}) { // 22 calls: header, 20 strips, trailer
            int calls = 0;
            bool calledAfterRefusal = false;
            const bool done =
                DeflateRowsInStrips(100, rowBytes, good, 6, Z_DEFAULT_STRATEGY, {5, threads},
                                    [&](const std::uint8_t*, std::size_t) {
                                        calledAfterRefusal =
                                            calledAfterRefusal || calls > acceptedCalls;
                                        return calls++ < acceptedCalls;
                                    });
            EXPECT_FALSE(done) << acceptedCalls;
            EXPECT_FALSE(calledAfterRefusal) << acceptedCalls;
        }
    }
}
