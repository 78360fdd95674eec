#include "codecs/uStripDeflate.h"

#include <zlib.h>

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

// How far back deflate looks for matches: what primes a strip.
constexpr std::size_t kWindowBytes = 32768;
// zlib's counters are 32 bits wide; longer inputs and outputs go in pieces.
constexpr std::size_t kMaxPiece = std::size_t(1) << 30;

// A deflated strip and what the stream's trailer needs of it.
struct TStrip {
    std::vector<std::uint8_t> Bytes;
    uLong Adler = 1;        // of the strip's own rows
    std::size_t Length = 0; // their bytes
    bool Ready = false;
};

// One raw deflater, set up once and reset for every strip it takes.
class TStripDeflater {
public:
    TStripDeflater(int level, int strategy) {
        const int status = deflateInit2(&FStream, level, Z_DEFLATED, -15, 8, strategy);
        if (status == Z_MEM_ERROR)
            throw std::bad_alloc();
        if (status != Z_OK)
            throw std::invalid_argument("deflate: unusable level or strategy");
    }
    ~TStripDeflater() { deflateEnd(&FStream); }
    TStripDeflater(const TStripDeflater&) = delete;
    TStripDeflater& operator=(const TStripDeflater&) = delete;

    TStrip Deflate(int strip, int rows, std::size_t rowBytes, const TRowMaker& makeRow,
                   int rowsPerStrip) {
        const int first = strip * rowsPerStrip;
        const int last = rows - first > rowsPerStrip ? first + rowsPerStrip : rows;
        const bool final = last == rows;
        // The rows before the strip, made again, give the window it starts with.
        const int primeRows =
            std::min<std::size_t>(std::size_t(first), (kWindowBytes + rowBytes - 1) / rowBytes);
        const std::size_t primeBytes = std::size_t(primeRows) * rowBytes;
        FInput.resize(std::size_t(last - first + primeRows) * rowBytes);
        for (int y = first - primeRows; y < last; ++y)
            makeRow(y, FInput.data() + std::size_t(y - first + primeRows) * rowBytes);

        TStrip out;
        const std::uint8_t* data = FInput.data() + primeBytes;
        out.Length = FInput.size() - primeBytes;
        out.Adler = adler32_z(adler32(0, Z_NULL, 0), data, out.Length);

        if (deflateReset(&FStream) != Z_OK)
            throw std::logic_error("deflate: cannot reset");
        const std::size_t dictionary = std::min(kWindowBytes, primeBytes);
        if (dictionary > 0 &&
            deflateSetDictionary(&FStream, data - dictionary, uInt(dictionary)) != Z_OK)
            throw std::logic_error("deflate: cannot prime the window");

        out.Bytes.resize(
            std::min<std::size_t>(deflateBound(&FStream, uLong(out.Length)), kMaxPiece) + 64);
        std::size_t produced = 0;
        std::size_t remaining = out.Length;
        FStream.avail_in = 0;
        for (;;) {
            if (FStream.avail_in == 0 && remaining > 0) {
                const std::size_t piece = std::min(remaining, kMaxPiece);
                FStream.next_in = const_cast<Bytef*>(data + (out.Length - remaining));
                FStream.avail_in = uInt(piece);
                remaining -= piece;
            }
            if (produced == out.Bytes.size())
                out.Bytes.resize(out.Bytes.size() + out.Bytes.size() / 2);
            FStream.next_out = out.Bytes.data() + produced;
            FStream.avail_out = uInt(std::min(out.Bytes.size() - produced, kMaxPiece));
            const int flush = remaining > 0 ? Z_NO_FLUSH : final ? Z_FINISH : Z_SYNC_FLUSH;
            const int status = deflate(&FStream, flush);
            produced = std::size_t(FStream.next_out - out.Bytes.data());
            if (status == Z_STREAM_END)
                break;
            if (status != Z_OK && status != Z_BUF_ERROR)
                throw std::logic_error("deflate: stream error");
            // A sync flush is done once it leaves output space unused.
            if (flush == Z_SYNC_FLUSH && FStream.avail_in == 0 && FStream.avail_out > 0)
                break;
        }
        out.Bytes.resize(produced);
        out.Ready = true;
        return out;
    }

private:
    z_stream FStream{};
    std::vector<std::uint8_t> FInput; // the priming rows, then the strip's own
};

// The zlib header deflate itself would write for this level and strategy
// with a 32 KiB window.
void ZlibHeader(int level, int strategy, std::uint8_t out[2]) {
    const unsigned levelFlags = strategy >= Z_HUFFMAN_ONLY || level < 2 ? 0
                                : level < 6                             ? 1
                                : level == 6                            ? 2
                                                                        : 3;
    unsigned header = (Z_DEFLATED + ((15 - 8) << 4)) << 8 | levelFlags << 6;
    header += 31 - header % 31;
    out[0] = std::uint8_t(header >> 8);
    out[1] = std::uint8_t(header);
}

// What the deflating threads and the writing caller share.
struct TWork {
    TWork(int rows, std::size_t rowBytes, const TRowMaker& makeRow, int level, int strategy,
          int rowsPerStrip, int strips, int ahead)
        : Rows(rows), RowBytes(rowBytes), MakeRow(makeRow), Level(level), Strategy(strategy),
          RowsPerStrip(rowsPerStrip), Strips(strips), Ahead(ahead), Slots(std::size_t(ahead)) {}

    int Rows;
    std::size_t RowBytes;
    const TRowMaker& MakeRow;
    int Level;
    int Strategy;
    int RowsPerStrip;
    int Strips;
    int Ahead; // strips a thread may take beyond the ones written

    std::mutex Lock;
    std::condition_variable Changed;
    int NextStrip = 0;
    int Written = 0;
    bool Stop = false;
    std::exception_ptr Error;
    std::vector<TStrip> Slots; // strip i waits in slot i % Ahead until it is written

    void Deflate() noexcept {
        try {
            TStripDeflater deflater(Level, Strategy);
            for (;;) {
                int strip = 0;
                {
                    std::unique_lock<std::mutex> lock(Lock);
                    Changed.wait(lock, [&] {
                        return Stop || NextStrip >= Strips || NextStrip < Written + Ahead;
                    });
                    if (Stop || NextStrip >= Strips)
                        return;
                    strip = NextStrip++;
                }
                TStrip done = deflater.Deflate(strip, Rows, RowBytes, MakeRow, RowsPerStrip);
                {
                    std::lock_guard<std::mutex> lock(Lock);
                    Slots[std::size_t(strip % Ahead)] = std::move(done);
                }
                Changed.notify_all();
            }
        } catch (...) {
            {
                std::lock_guard<std::mutex> lock(Lock);
                if (!Error)
                    Error = std::current_exception();
                Stop = true;
            }
            Changed.notify_all();
        }
    }
};

// Stops the deflating threads and waits for them, however the caller leaves.
class TThreadGroup {
public:
    explicit TThreadGroup(TWork& work) : FWork(work) {}
    ~TThreadGroup() {
        {
            std::lock_guard<std::mutex> lock(FWork.Lock);
            FWork.Stop = true;
        }
        FWork.Changed.notify_all();
        for (std::thread& t : FThreads)
            t.join();
    }
    TThreadGroup(const TThreadGroup&) = delete;
    TThreadGroup& operator=(const TThreadGroup&) = delete;

    // Starts up to `count` threads; fewer (maybe none) when the system has no more.
    void Start(int count) {
        FThreads.reserve(std::size_t(count));
        for (int i = 0; i < count; ++i) {
            try {
                FThreads.emplace_back([this] { FWork.Deflate(); });
            } catch (const std::system_error&) {
                break;
            }
        }
    }
    bool Empty() const { return FThreads.empty(); }

private:
    TWork& FWork;
    std::vector<std::thread> FThreads;
};

} // namespace

bool DeflateRowsInStrips(int rows, std::size_t rowBytes, const TRowMaker& makeRow, int level,
                         int strategy, const TStripPlan& plan, const TStreamOutput& output) {
    if (rows < 1 || rowBytes < 1)
        throw std::invalid_argument("deflate: no rows to deflate");
    const int rowsPerStrip = std::max(1, plan.RowsPerStrip);
    const int strips = rows / rowsPerStrip + (rows % rowsPerStrip != 0 ? 1 : 0);
    std::uint8_t header[2];
    ZlibHeader(level, strategy, header);
    if (!output(header, 2))
        return false;

    uLong adler = adler32(0, Z_NULL, 0);
    auto writeStrip = [&](const TStrip& strip) {
        adler = adler32_combine(adler, strip.Adler, z_off_t(strip.Length));
        return output(strip.Bytes.data(), strip.Bytes.size());
    };

    const int threads = std::max(1, std::min(plan.Threads, strips));
    TWork work(rows, rowBytes, makeRow, level, strategy, rowsPerStrip, strips, 2 * threads);
    bool refused = false;
    {
        TThreadGroup group(work);
        group.Start(threads);
        if (group.Empty()) {
            // No thread to be had: the same strips, one after the other.
            TStripDeflater deflater(level, strategy);
            for (int i = 0; i < strips && !refused; ++i)
                refused = !writeStrip(deflater.Deflate(i, rows, rowBytes, makeRow, rowsPerStrip));
        } else {
            for (int i = 0; i < strips && !refused; ++i) {
                TStrip strip;
                {
                    std::unique_lock<std::mutex> lock(work.Lock);
                    TStrip& slot = work.Slots[std::size_t(i % work.Ahead)];
                    work.Changed.wait(lock, [&] { return work.Error || slot.Ready; });
                    if (work.Error)
                        break;
                    strip = std::move(slot);
                    slot = TStrip();
                }
                refused = !writeStrip(strip);
                {
                    std::lock_guard<std::mutex> lock(work.Lock);
                    ++work.Written;
                }
                work.Changed.notify_all();
            }
        }
    }
    if (work.Error)
        std::rethrow_exception(work.Error);
    if (refused)
        return false;
    const std::uint8_t trailer[4] = {std::uint8_t(adler >> 24), std::uint8_t(adler >> 16),
                                     std::uint8_t(adler >> 8), std::uint8_t(adler)};
    return output(trailer, 4);
}
