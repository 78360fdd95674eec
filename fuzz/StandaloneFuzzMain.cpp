// Replays fuzz inputs without libFuzzer, so that a build with any compiler runs
// the seed corpus and the regression files as an ordinary test: a fuzz target's
// source linked with this file calls LLVMFuzzerTestOneInput once on every file
// of the folders and files named on the command line.
//
//   <target>_replay [-timeout=SECONDS] [-rss_limit_mb=MIB] PATH...
//
// Folders are searched recursively, in name order, skipping names that begin
// with a dot. It fails when a path does not exist, when there is no input at
// all, when one input runs longer than the timeout (default 10 s), or when the
// process grows beyond the resident memory limit (default 1024 MiB); the
// message names the input. The name of each input is printed before it runs,
// so a crash shows which one it was.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <sys/resource.h>
#include <unistd.h>
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Defined by the targets that need to set something up once.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "replay: %s\n", message.c_str());
    std::fflush(stderr);
    std::_Exit(1);
}

// The resident memory of the process now, in MiB; 0 where it cannot be read.
std::size_t ResidentMiB() {
#if defined(__linux__)
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0, resident = 0;
    if (statm >> pages >> resident)
        return resident * std::size_t(sysconf(_SC_PAGESIZE)) >> 20;
#endif
    return 0;
}

// The most resident memory the process has had, in MiB; 0 where unknown.
std::size_t PeakResidentMiB() {
#if defined(__APPLE__)
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return std::size_t(usage.ru_maxrss) >> 20; // bytes
#elif !defined(_WIN32)
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return std::size_t(usage.ru_maxrss) >> 10; // KiB
#else
    return 0;
#endif
}

// Watches the input that is running from a thread of its own: one that runs
// too long or makes the process too large ends the replay at once, since it
// might never return.
class TWatchdog {
public:
    TWatchdog(std::chrono::seconds Timeout, std::size_t LimitMiB)
        : FTimeout(Timeout), FLimitMiB(LimitMiB), FThread([this] { Watch(); }) {}
    ~TWatchdog() {
        {
            std::lock_guard<std::mutex> lock(FMutex);
            FStopping = true;
        }
        FWake.notify_all();
        FThread.join();
    }
    TWatchdog(const TWatchdog&) = delete;
    TWatchdog& operator=(const TWatchdog&) = delete;

    void Start(const std::string& Input) {
        std::lock_guard<std::mutex> lock(FMutex);
        FInput = Input;
        FStarted = Clock::now();
        FRunning = true;
    }
    void Finish() {
        std::lock_guard<std::mutex> lock(FMutex);
        FRunning = false;
    }

private:
    void Watch() {
        std::unique_lock<std::mutex> lock(FMutex);
        while (!FStopping) {
            FWake.wait_for(lock, std::chrono::milliseconds(20));
            if (!FRunning)
                continue;
            if (Clock::now() - FStarted > FTimeout)
                Fail(FInput + ": ran longer than the limit of " +
                     std::to_string(FTimeout.count()) + " s");
            const std::size_t resident = ResidentMiB();
            if (resident > FLimitMiB)
                Fail(FInput + ": " + std::to_string(resident) +
                     " MiB resident, above the limit of " + std::to_string(FLimitMiB) + " MiB");
        }
    }

    const std::chrono::seconds FTimeout;
    const std::size_t FLimitMiB;
    std::mutex FMutex;
    std::condition_variable FWake;
    std::string FInput;
    Clock::time_point FStarted;
    bool FRunning = false;
    bool FStopping = false;
    std::thread FThread; // last: it starts once everything above is set
};

// The number after "name=" in an argument like "-name=12"; false for another name.
bool Option(const std::string& argument, const std::string& name, long& value) {
    const std::string prefix = "-" + name + "=";
    if (argument.compare(0, prefix.size(), prefix) != 0)
        return false;
    char* end = nullptr;
    value = std::strtol(argument.c_str() + prefix.size(), &end, 10);
    if (end == argument.c_str() + prefix.size() || *end != '\0' || value <= 0)
        Fail("bad value in " + argument);
    return true;
}

void AddInputs(const fs::path& path, std::vector<fs::path>& inputs) {
    std::error_code error;
    if (fs::is_regular_file(path, error)) {
        inputs.push_back(path);
        return;
    }
    if (!fs::is_directory(path, error))
        Fail(path.string() + ": no such file or folder");
    std::vector<fs::path> found;
    for (auto it = fs::recursive_directory_iterator(path); it != fs::recursive_directory_iterator();
         ++it) {
        if (it->path().filename().string().front() == '.') {
            if (it->is_directory())
                it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file())
            found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    inputs.insert(inputs.end(), found.begin(), found.end());
}

std::vector<std::uint8_t> ReadInput(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        Fail(path.string() + ": cannot be read");
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

} // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize != nullptr)
        LLVMFuzzerInitialize(&argc, &argv);
    long timeout = 10;
    long limitMiB = 1024;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (Option(argument, "timeout", timeout) || Option(argument, "rss_limit_mb", limitMiB))
            continue;
        if (argument.compare(0, 1, "-") == 0)
            Fail("unknown option " + argument);
        AddInputs(argument, inputs);
    }
    if (inputs.empty())
        Fail("no input to replay");

    TWatchdog watchdog{std::chrono::seconds(timeout), std::size_t(limitMiB)};
    std::string slowest;
    Clock::duration slowestTime{};
    for (const fs::path& path : inputs) {
        const std::vector<std::uint8_t> data = ReadInput(path);
        std::fprintf(stderr, "%s\n", path.string().c_str());
        std::fflush(stderr);
        const Clock::time_point started = Clock::now();
        watchdog.Start(path.string());
        LLVMFuzzerTestOneInput(data.data(), data.size());
        watchdog.Finish();
        const Clock::duration took = Clock::now() - started;
        if (took > std::chrono::seconds(timeout))
            Fail(path.string() + ": ran longer than the limit of " + std::to_string(timeout) + " s");
        // A peak between two looks of the watchdog shows in the high-water mark.
        if (PeakResidentMiB() > std::size_t(limitMiB))
            Fail(path.string() + ": the process grew to " + std::to_string(PeakResidentMiB()) +
                 " MiB resident, above the limit of " + std::to_string(limitMiB) + " MiB");
        if (took >= slowestTime) {
            slowestTime = took;
            slowest = path.string();
        }
    }
    std::printf("replayed %zu inputs; slowest %s (%lld ms); peak resident memory %zu MiB\n",
                inputs.size(), slowest.c_str(),
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(slowestTime).count()),
                PeakResidentMiB());
    return 0;
}
