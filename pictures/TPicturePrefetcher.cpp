#include "pictures/TPicturePrefetcher.h"

#include "pictures/uPicLib.h"

#include <algorithm>
#include <utility>

void PreparePicture(const TPrefetchRequest& Request, TPreparedPicture& Result) {
    Result.Loaded = false;
    try {
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

TPicturePrefetcher::TPicturePrefetcher(std::vector<TPrefetchRequest> Requests, unsigned Threads,
                                       std::size_t Lookahead)
    : FRequests(std::move(Requests)), FResults(FRequests.size()), FReady(FRequests.size(), 0) {
    if (Threads == 0)
        Threads = std::max(1u, std::thread::hardware_concurrency());
    Threads = unsigned(std::min<std::size_t>(Threads, FRequests.size()));
    FLookahead = Lookahead ? Lookahead : std::max<std::size_t>(4, 2 * std::size_t(Threads));
    for (unsigned i = 0; i < Threads; ++i)
        FWorkers.emplace_back([this] { Work(); });
}

TPicturePrefetcher::~TPicturePrefetcher() {
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FStopping = true;
    }
    FRoomChanged.notify_all();
    for (std::thread& t : FWorkers)
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
