#pragma once
// A named pipe with a writer that connects as soon as anything opens the pipe for reading, so
// code that opens it goes on (and reads an empty stream) instead of blocking: a test sees that it
// was opened rather than hanging.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace vornalix::testing {

class NamedPipe {
public:
    explicit NamedPipe(std::string path) : path(std::move(path)) {
        created = ::mkfifo(this->path.c_str(), 0600) == 0;
        writer = std::jthread([this](std::stop_token stop) {
            while (!stop.stop_requested()) {
                int fd = ::open(this->path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) {
                    opened = true;
                    ::close(fd);
                    return;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        });
    }
    ~NamedPipe() {
        writer.request_stop();
        writer.join();
        ::unlink(path.c_str());
    }
    NamedPipe(const NamedPipe&) = delete;
    NamedPipe& operator=(const NamedPipe&) = delete;

    bool Created() const { return created; }
    // Whether anything opened the pipe for reading.
    bool Opened() const { return opened; }
    const std::string& Path() const { return path; }

private:
    std::string path;
    bool created = false;
    std::atomic<bool> opened{false};
    std::jthread writer;
};

} // namespace vornalix::testing
