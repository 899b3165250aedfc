#include "recovery/UdpListener.h"

#include <cerrno>
#include <chrono>
#include <sys/socket.h>
#include <unistd.h>

namespace vornalix::recovery {

namespace {

constexpr int kIdleWaitMs = 1000;
constexpr auto kPollPause = std::chrono::milliseconds(10);

} // namespace

UdpListener::~UdpListener() {
    Stop();
}

UdpListener::Opened UdpListener::Open(const UdpSocketSetup& setup) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return {-1, ListenStatus::FromErrno(errno, setup.server + ": socket")};
    const auto fail = [&](const std::string& what) {
        const int error = errno;
        close(fd);
        return Opened{-1, ListenStatus::FromErrno(error, setup.server + ": " + what)};
    };
    const int on = 1;
    if (!setup.device.empty() && setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, setup.device.c_str(),
                                            static_cast<socklen_t>(setup.device.size() + 1)) != 0)
        return fail("socket options on " + setup.place);
    if (setup.broadcastOnDevice && (setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
                                    setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0))
        return fail("socket options on " + setup.place);
    // No SO_REUSEADDR: on Linux it would let two servers share a port unnoticed.
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(setup.port));
    local.sin_addr.s_addr = setup.bindAddress;
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
        return fail("UDP port " + std::to_string(setup.port) + " on " + setup.place);
    return {fd, ListenStatus::Listening()};
}

ListenStatus UdpListener::Start(const std::function<Opened()>& open, Receiver receive) {
    std::lock_guard stopLock(stopMutex);
    if (thread.joinable())
        return Status();
    const Opened opened = open();
    if (opened.status.listening && opened.socket >= 0) {
        receiver = std::move(receive);
        thread = std::thread([this, fd = opened.socket] { Run(fd); });
    }
    std::lock_guard lock(stateMutex);
    status = opened.status;
    return status;
}

void UdpListener::Stop() {
    std::lock_guard stopLock(stopMutex);
    if (!thread.joinable())
        return;
    stopSignal.Release();
    thread.join();
    std::lock_guard lock(stateMutex);
    status = ListenStatus{};
}

ListenStatus UdpListener::Status() const {
    std::lock_guard lock(stateMutex);
    return status;
}

void UdpListener::Run(int socket) {
    while (!stopSignal.TryAcquire()) {
        // Sleeps until a datagram or the stop signal comes (at most one poll period when idle).
        stopSignal.WaitForSocket(socket, kIdleWaitMs);
        if (receiver(socket) >= 0)
            std::this_thread::sleep_for(kPollPause);
    }
    close(socket);
}

} // namespace vornalix::recovery
