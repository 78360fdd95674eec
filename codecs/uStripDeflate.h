// Deflates a long run of equal rows into one zlib stream on several threads.
//
// The rows are cut into strips of whole rows. Each strip is deflated on its
// own, primed with the 32 KiB that precede it so that its matches reach back
// as far as in one stream, and ended with a sync flush (the last one
// finished), so that the strips joined in order are one deflate stream. The
// zlib header is written once, and the Adler-32 of the whole data, combined
// from the strips' own, at the end. The bytes depend on the rows, the level and
// the strip height only, never on the number of threads or their timing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

struct TStripPlan {
    int RowsPerStrip = 1; // at least 1
    int Threads = 1;      // deflating threads besides the caller, which writes; at least 1
};

// Makes the bytes of row y at `out` (rowBytes of them). Called on several
// threads at once, and for some rows more than once: the rows just before a
// strip are made again to prime its deflater.
using TRowMaker = std::function<void(int y, std::uint8_t* out)>;

// Takes the stream's bytes in order, on the calling thread; false stops the work.
using TStreamOutput = std::function<bool(const std::uint8_t* data, std::size_t length)>;

// Deflates rows 0..rows-1 (at least one, of at least one byte) at `level` (1..9) with the given
// zlib strategy and passes the zlib stream to `output`. Returns false when `output` refused bytes.
// Throws std::bad_alloc when memory runs short, here or on a deflating thread.
// Runs on the calling thread alone when no thread can be started.
bool DeflateRowsInStrips(int rows, std::size_t rowBytes, const TRowMaker& makeRow, int level,
                         int strategy, const TStripPlan& plan, const TStreamOutput& output);
