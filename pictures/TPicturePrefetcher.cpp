#include "pictures/TPicturePrefetcher.h"

#include "codecs/TDecodeBudget.h"
#include "codecs/uCodecRegistry.h"
#include "codecs/uJpegReader.h"
#include "pictures/uLoadSteps.h"
#include "pictures/uPicLib.h"

#include <algorithm>
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

// A picture for a cell, as the document makes it: fitted by the request and
// opaque. False, with the reason in Why, when the file cannot be read.
bool PrepareFitted(const TPrefetchRequest& Request, TBitmap32& Out, TBudgetClaim& Claim,
                   std::string* Why) {
    const int fitType = Request.FitType == -1 || Request.FitType == -2 ? 0 : Request.FitType;
    TDecodeOptions options;
    options.Claim = &Claim;
    if (fitType <= -3) {
        // Left as it is: straight into the pixel store.
        if (!TryLoadPicture(Request.File, Why, [&] {
                TDecodedPicture picture = DecodePictureFile(Request.File, options);
                MoveToBitmap32(picture, Out);
            }))
            return false;
        Out.MakeOpaque();
        return true;
    }
    Claim.Add(FitWorkBytes(Request.CellWidth, Request.CellHeight));
    // At 24 bits whatever the codec's depth: the fitting works at 24 bits, and a
    // picture that could not be fitted is made opaque below all the same.
    TBitmap picture(pf24bit);
    int ownWidth = 0;
    int ownHeight = 0;
    if (!TryLoadPicture(Request.File, Why, [&] {
            DecodeForFit(options, Request.CellWidth, Request.CellHeight, fitType,
                         Request.Thumbnail);
            TDecodedPicture decoded = DecodePictureFile(Request.File, options);
            ownWidth = decoded.OwnWidth();
            ownHeight = decoded.OwnHeight();
            MoveToBitmap(decoded, picture, TBitmapDepth::Rgb24);
        }))
        return false;
    // A plain colour: resolving a system colour would read the palette, which
    // belongs to the interface thread.
    if (!FitPictureFrom(picture, ownWidth, ownHeight, Request.CellWidth, Request.CellHeight,
                        fitType, Request.FillColor & 0x00FFFFFF)) {
        // Not fitted: the store is made of the picture at its own size.
        Claim.Add(std::uint64_t(picture.Width()) * std::uint64_t(picture.Height()) *
                  sizeof(TColor32));
    }
    Out.Assign(picture);
    Out.MakeOpaque();
    return true;
}

} // namespace

void PreparePicture(const TPrefetchRequest& Request, TPreparedPicture& Result) {
    Result.Loaded = false;
    try {
        const THeavyDecodeToken heavy(Request.File);
        // The claim is made after the token: a thread never waits for the token
        // while it holds decode memory.
        std::unique_ptr<TBitmap32> bitmap =
            RunWithClaim(TDecodeBudget::Process(), [&](TBudgetClaim& claim) {
                auto made = std::make_unique<TBitmap32>();
                const bool loaded = Request.Fit
                                        ? PrepareFitted(Request, *made, claim, &Result.Why)
                                        : TryLoadPicture(Request.File, &Result.Why, [&] {
                                              DecodeFileToBitmap32(Request.File, *made, claim);
                                          });
                return loaded ? std::move(made) : nullptr;
            });
        if (!bitmap)
            return;
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
