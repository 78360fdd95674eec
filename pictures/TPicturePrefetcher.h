// Reads and fits the pictures of a list on worker threads, ahead of the one
// thread that turns them into layers in list order.
#pragma once

#include "engine/TBitmap32.h"
#include "engine/TColor32.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// What one picture needs to be prepared.
struct TPrefetchRequest {
    std::string File;
    // Fitted into a cell of CellWidth x CellHeight by FitType on FillColor and
    // made opaque (true), or loaded at its own size with its transparency.
    bool Fit = true;
    int CellWidth = 0;
    int CellHeight = 0;
    int FitType = 0;
    // A plain colour 0x00BBGGRR; system colours are resolved by the caller,
    // on its own thread.
    TColor FillColor = 0;
    // A thumbnail, not a merge cell: a fitted JPEG may come from its embedded
    // thumbnail or its DC scans (LoadPictureForThumbnail).
    bool Thumbnail = false;
};

struct TPreparedPicture {
    bool Loaded = false;
    std::string Why;                   // the reason when not loaded
    std::unique_ptr<TBitmap32> Bitmap; // set when Loaded
    // An error that is not about the file (memory, say); Take raises it again.
    std::exception_ptr Error;
};

// Prepares one picture the way the document does it on its own thread: load,
// fit, copy into a pixel store. Exposed for tests and for sequential use.
// A picture whose decoding needs kHeavyDecodeBytes or more waits until no other
// such picture is being decoded, on any thread. All the memory of the
// preparation (the file, the decoded picture, the libraries' buffers, the
// fitting) is claimed on the process's decode budget (TDecodeBudget::Process)
// before it is taken: a picture waits while the others' claims leave no room
// for it, and one that needs more than the whole budget is prepared alone.
void PreparePicture(const TPrefetchRequest& Request, TPreparedPicture& Result);

// A progressive JPEG keeps the coefficients of the whole picture while it is
// read (ProgressiveJpegCoefficientBytes), two bytes for each sample at full size
// whatever the reduced scale; of the pictures whose decoding needs this much,
// one is decoded at a time.
constexpr std::size_t kHeavyDecodeBytes = std::size_t(48) << 20;

// Prepared pictures that may wait to be taken when the requests fit every
// picture into its cell: so many that the workers go on with the pictures after
// a slow one instead of stopping a few pictures further.
constexpr std::size_t kLookaheadBytes = std::size_t(32) << 20;

// The lookahead a prefetcher takes when given none: as many cell-sized pictures
// as kLookaheadBytes holds when every request is fitted to a cell, otherwise (or
// when fewer) two per thread, and never fewer than four.
std::size_t DefaultLookahead(const std::vector<TPrefetchRequest>& Requests, unsigned Threads);

class TPicturePrefetcher {
public:
    // Threads 0 means one per core. At most Threads pictures are decoded at a
    // time, and at most Lookahead prepared pictures wait to be taken (0 means
    // DefaultLookahead).
    explicit TPicturePrefetcher(std::vector<TPrefetchRequest> Requests, unsigned Threads = 0,
                                std::size_t Lookahead = 0);
    // Stops the workers; pictures not taken are dropped.
    ~TPicturePrefetcher();
    TPicturePrefetcher(const TPicturePrefetcher&) = delete;
    TPicturePrefetcher& operator=(const TPicturePrefetcher&) = delete;

    std::size_t Count() const { return FRequests.size(); }
    // True once picture Index is ready; waits at most Timeout for it.
    bool WaitFor(std::size_t Index, std::chrono::milliseconds Timeout);
    // The prepared picture Index (waiting for it as long as it takes); each is
    // taken once, in list order. Raises the error of a failed preparation.
    TPreparedPicture Take(std::size_t Index);

    unsigned ThreadCount() const { return unsigned(FWorkers.size()); }
    std::size_t Lookahead() const { return FLookahead; }

private:
    void Work();
    // Tells the workers to finish and waits for them.
    void Stop();

    std::vector<TPrefetchRequest> FRequests;
    std::vector<TPreparedPicture> FResults;
    std::vector<char> FReady;
    std::size_t FNext = 0;  // next picture a worker claims
    std::size_t FTaken = 0; // pictures handed out so far
    std::size_t FLookahead;
    bool FStopping = false;
    std::mutex FMutex;
    std::condition_variable FReadyChanged; // a picture became ready
    std::condition_variable FRoomChanged;  // a picture was taken, or stopping
    std::vector<std::thread> FWorkers;
};
