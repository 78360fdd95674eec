// tessellon-merge: builds a merged picture from the command line.
#include "main/uMergeCommandLine.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>

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

    const bool showProgress = !job.Quiet && isatty(STDERR_FILENO);
    auto progress = [showProgress](int done, int total) {
        if (!showProgress)
            return;
        std::fprintf(stderr, "\r%d / %d pictures", done, total);
        if (done == total)
            std::fputc('\n', stderr);
        std::fflush(stderr);
    };
    return RunMergeJob(job, std::cerr, progress);
}
