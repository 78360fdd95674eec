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
void PreparePicture(const TPrefetchRequest& Request, TPreparedPicture& Result);

class TPicturePrefetcher {
public:
    // Threads 0 means one per core. At most Threads pictures are decoded at a
    // time, and at most Lookahead prepared pictures wait to be taken.
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

private:
    void Work();

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
