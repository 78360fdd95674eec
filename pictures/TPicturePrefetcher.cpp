#include "pictures/TPicturePrefetcher.h"

#include "pictures/uPicLib.h"

#include <algorithm>
#include <fstream>
#include <utility>

namespace {

// Held while a heavy picture is decoded; one at a time in the whole process.
class THeavyDecodeToken {
public:
    explicit THeavyDecodeToken(const std::string& File)
        : FHeld(ProgressiveJpegCoefficientBytes(File) >= kHeavyDecodeBytes) {
        if (!FHeld)
            return;
        std::unique_lock<std::mutex> lock(Mutex());
        Free().wait(lock, [] { return !Busy(); });
        Busy() = true;
    }
    ~THeavyDecodeToken() {
        if (!FHeld)
            return;
        {
            std::lock_guard<std::mutex> lock(Mutex());
            Busy() = false;
        }
        Free().notify_all();
    }
    THeavyDecodeToken(const THeavyDecodeToken&) = delete;
    THeavyDecodeToken& operator=(const THeavyDecodeToken&) = delete;

private:
    static std::mutex& Mutex() {
        static std::mutex m;
        return m;
    }
    static std::condition_variable& Free() {
        static std::condition_variable c;
        return c;
    }
    static bool& Busy() {
        static bool b = false;
        return b;
    }
    bool FHeld;
};

} // namespace

std::size_t ProgressiveJpegCoefficientBytes(const std::string& File) {
    // The frame header follows the metadata segments (EXIF, colour profiles),
    // which rarely reach this far; the segments are skipped, not read.
    constexpr std::streamoff kSearched = 1024 * 1024;
    std::ifstream in(File, std::ios::binary);
    unsigned char b[4] = {};
    if (!in.read(reinterpret_cast<char*>(b), 2) || b[0] != 0xFF || b[1] != 0xD8)
        return 0;
    for (;;) {
        if (!in.read(reinterpret_cast<char*>(b), 2) || b[0] != 0xFF || in.tellg() > kSearched)
            return 0;
        if (b[1] == 0xFF) { // a fill byte before the marker
            in.seekg(-1, std::ios::cur);
            continue;
        }
        if (b[1] == 0x01 || (b[1] >= 0xD0 && b[1] <= 0xD7)) // markers without a length
            continue;
        if (b[1] == 0xDA || b[1] == 0xD9) // a scan or the end before any frame
            return 0;
        if (!in.read(reinterpret_cast<char*>(b + 2), 2))
            return 0;
        const std::size_t length = std::size_t(b[2]) << 8 | b[3];
        const unsigned marker = b[1];
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (length < 2)
            return 0;
        if (!frame) {
            in.seekg(std::streamoff(length) - 2, std::ios::cur);
            continue;
        }
        const bool progressive =
            marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
        unsigned char f[6 + 3 * 255];
        if (!progressive || length < 8 || length - 2 > sizeof f ||
            !in.read(reinterpret_cast<char*>(f), std::streamsize(length - 2)))
            return 0;
        const std::size_t height = std::size_t(f[1]) << 8 | f[2];
        const std::size_t width = std::size_t(f[3]) << 8 | f[4];
        const int components = f[5];
        if (6 + 3 * std::size_t(components) > length - 2)
            return 0;
        int hMax = 1, vMax = 1;
        for (int c = 0; c < components; ++c) {
            hMax = std::max(hMax, f[6 + 3 * c + 1] >> 4);
            vMax = std::max(vMax, f[6 + 3 * c + 1] & 15);
        }
        std::size_t bytes = 0;
        for (int c = 0; c < components; ++c) {
            const int h = std::max(1, f[6 + 3 * c + 1] >> 4);
            const int v = std::max(1, f[6 + 3 * c + 1] & 15);
            const std::size_t w = (width * h + hMax - 1) / hMax;
            const std::size_t hh = (height * v + vMax - 1) / vMax;
            // 64 coefficients of two bytes for each block of 8 x 8 samples.
            bytes += (w + 7) / 8 * ((hh + 7) / 8) * 128;
        }
        return bytes;
    }
}

void PreparePicture(const TPrefetchRequest& Request, TPreparedPicture& Result) {
    Result.Loaded = false;
    try {
        const THeavyDecodeToken heavy(Request.File);
        auto bitmap = std::make_unique<TBitmap32>();
        if (Request.Fit) {
            TBitmap picture(pf24bit);
            int ownWidth = 0;
            int ownHeight = 0;
            if (!LoadPictureForFit(Request.File, picture, Request.CellWidth, Request.CellHeight,
                                   Request.FitType, ownWidth, ownHeight, &Result.Why))
                return;
            // A plain colour: resolving a system colour would read the palette,
            // which belongs to the interface thread.
            FitPictureFrom(picture, ownWidth, ownHeight, Request.CellWidth, Request.CellHeight,
                           Request.FitType, Request.FillColor & 0x00FFFFFF);
            bitmap->Assign(picture);
            // A picture that kept its own alpha because it could not be fitted
            // still enters the grid opaque.
            bitmap->MakeOpaque();
        } else if (!LoadPictureToBitmap32(Request.File, *bitmap, &Result.Why)) {
            return;
        }
        Result.Bitmap = std::move(bitmap);
        Result.Loaded = true;
    } catch (...) {
        Result.Error = std::current_exception();
    }
}

std::size_t DefaultLookahead(const std::vector<TPrefetchRequest>& Requests, unsigned Threads) {
    const std::size_t least = std::max<std::size_t>(4, 2 * std::size_t(Threads));
    // Every fit but "as it is" (-3 and below) gives a picture of exactly the cell.
    std::size_t cellBytes = 0;
    for (const TPrefetchRequest& r : Requests) {
        if (!r.Fit || r.FitType < -2 || r.CellWidth < 1 || r.CellHeight < 1)
            return least;
        cellBytes = std::max(cellBytes, std::size_t(r.CellWidth) * std::size_t(r.CellHeight) *
                                            sizeof(TColor32));
    }
    if (cellBytes == 0)
        return least;
    return std::max(least, kLookaheadBytes / cellBytes);
}

TPicturePrefetcher::TPicturePrefetcher(std::vector<TPrefetchRequest> Requests, unsigned Threads,
                                       std::size_t Lookahead)
    : FRequests(std::move(Requests)), FResults(FRequests.size()), FReady(FRequests.size(), 0) {
    if (Threads == 0)
        Threads = std::max(1u, std::thread::hardware_concurrency());
    Threads = unsigned(std::min<std::size_t>(Threads, FRequests.size()));
    FLookahead = Lookahead ? Lookahead : DefaultLookahead(FRequests, Threads);
    try {
        for (unsigned i = 0; i < Threads; ++i)
            FWorkers.emplace_back([this] { Work(); });
    } catch (...) {
        // No thread to be had: the ones already running are stopped and joined
        // before the error goes on.
        Stop();
        throw;
    }
}

TPicturePrefetcher::~TPicturePrefetcher() {
    Stop();
}

void TPicturePrefetcher::Stop() {
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FStopping = true;
    }
    FRoomChanged.notify_all();
    for (std::thread& t : FWorkers)
        if (t.joinable())
            t.join();
}

void TPicturePrefetcher::Work() {
    for (;;) {
        std::size_t index = 0;
        {
            std::unique_lock<std::mutex> lock(FMutex);
            FRoomChanged.wait(lock, [this] {
                return FStopping || FNext >= FRequests.size() || FNext < FTaken + FLookahead;
            });
            if (FStopping || FNext >= FRequests.size())
                return;
            index = FNext++;
        }
        TPreparedPicture result;
        PreparePicture(FRequests[index], result);
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FResults[index] = std::move(result);
            FReady[index] = 1;
        }
        FReadyChanged.notify_all();
    }
}

bool TPicturePrefetcher::WaitFor(std::size_t Index, std::chrono::milliseconds Timeout) {
    std::unique_lock<std::mutex> lock(FMutex);
    return FReadyChanged.wait_for(lock, Timeout, [&] { return FReady[Index] != 0; });
}

TPreparedPicture TPicturePrefetcher::Take(std::size_t Index) {
    TPreparedPicture result;
    {
        std::unique_lock<std::mutex> lock(FMutex);
        FReadyChanged.wait(lock, [&] { return FReady[Index] != 0; });
        result = std::move(FResults[Index]);
        FResults[Index] = TPreparedPicture();
        FTaken = std::max(FTaken, Index + 1);
    }
    FRoomChanged.notify_all();
    if (result.Error)
        std::rethrow_exception(result.Error);
    return result;
}
