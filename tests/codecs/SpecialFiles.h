// Files that are not regular files (pipes, sockets), and a guard for calls that
// might wait on a pipe forever.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <future>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace fixtures {

inline void MakeFifo(const std::string& path) {
    if (mkfifo(path.c_str(), 0600) != 0)
        throw std::runtime_error("cannot make the pipe " + path);
}

// A listening socket bound to path; the returned descriptor keeps it alive.
inline int MakeSocket(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        throw std::runtime_error("socket path too long: " + path);
    path.copy(address.sun_path, path.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot make the socket " + path);
    return fd;
}

// Runs call on a thread of its own and hands back what it returns or throws. A
// call still running after a generous while is taken to wait on the pipe at
// fifo: the test fails, and the pipe's write end is opened and closed until the
// call sees the end of the data, so that the test ends instead of hanging.
template <typename TCall> auto WithoutWaitingOn(const std::string& fifo, TCall call) {
    auto result = std::async(std::launch::async, call);
    if (result.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
        ADD_FAILURE() << "still waiting on the pipe " << fifo;
        do {
            const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                close(fd);
        } while (result.wait_for(std::chrono::milliseconds(50)) == std::future_status::timeout);
    }
    return result.get();
}

} // namespace fixtures
