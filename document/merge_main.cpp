// tessellon-merge: builds a merged picture from the command line.
#include "document/uMergeCommandLine.h"

#include <cstdio>
#include <functional>
#include <iostream>
#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define STDERR_FILENO 2
#else
#include <unistd.h>
#endif

#ifdef __GLIBC__
#include <malloc.h>
#endif

int main(int argc, char* argv[]) {
#ifdef __GLIBC__
    // The workers that read pictures free large JPEG buffers one after another;
    // with an allocator arena per thread each arena keeps its own freed memory,
    // which raised the peak by tens of MiB. One arena reuses it for all.
    mallopt(M_ARENA_MAX, 1);
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    TMergeJob job;
    try {
        job = ParseMergeArguments(args);
    } catch (const EUsageError& e) {
        std::cerr << "tessellon-merge: " << e.what() << "\n";
        return kMergeFailed;
    }
    if (job.Help) {
        std::cout << MergeUsage();
        return kMergeOk;
    }

    // The progress line is for a person watching a terminal; no function, no line.
    std::function<void(int, int)> progress;
    if (!job.Quiet && isatty(STDERR_FILENO))
        progress = [](int done, int total) {
            std::cerr << "\r" << done << " / " << total << " pictures";
            if (done == total)
                std::cerr << "\n";
            std::cerr.flush();
        };
    return RunMergeJob(job, std::cerr, progress);
}
