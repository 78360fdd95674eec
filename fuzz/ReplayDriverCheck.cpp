// A fuzz target that checks the replay driver itself (fuzz/CMakeLists.txt runs
// it): the input "sleep" runs for three seconds, "grow" fills 400 MiB, "abort"
// aborts; any other input returns at once.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    if (input == "sleep") {
        std::this_thread::sleep_for(std::chrono::seconds(3));
    } else if (input == "grow") {
        std::vector<char> block(std::size_t(400) << 20);
        std::memset(block.data(), 1, block.size());
        if (block[block.size() / 2] != 1)
            std::abort();
    } else if (input == "abort") {
        std::abort();
    }
    return 0;
}
