#include "recovery/UdpListener.h"

#include "recovery/AdapterSocket.h"

#include <chrono>

namespace vornalix::recovery {

namespace {

constexpr int kIdleWaitMs = 1000;
constexpr auto kPollPause = std::chrono::milliseconds(10);

} // namespace

UdpListener::~UdpListener() {
    Stop();
}

UdpListener::Opened UdpListener::Open(const UdpSocketSetup& setup) {
    const common::SocketHandle fd = common::OpenUdpSocket(true);
    if (fd == common::kNoSocket)
        return {fd, ListenStatus::FromErrno(common::LastSocketError(), setup.server + ": socket")};
    const auto fail = [&](const std::string& what) {
        const int error = common::LastSocketError();
        common::CloseSocket(fd);
        return Opened{common::kNoSocket, ListenStatus::FromErrno(error, setup.server + ": " + what)};
    };
    if (!setup.device.empty() && !BindToDevice(fd, setup.device))
        return fail("socket options on " + setup.place);
    if (setup.broadcastOnDevice && !EnableBroadcastOnAdapter(fd))
        return fail("socket options on " + setup.place);
    // No SO_REUSEADDR: it would let two servers share a port unnoticed.
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
    if (opened.status.listening && opened.socket != common::kNoSocket) {
        // A socket opened elsewhere may block; the receiver must not.
        common::SetNonBlocking(opened.socket, true);
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

void UdpListener::Run(common::SocketHandle socket) {
    while (!stopSignal.TryAcquire()) {
        // Sleeps until a datagram or the stop signal comes (at most one poll period when idle).
        stopSignal.WaitForSocket(socket, kIdleWaitMs);
        if (receiver(socket) >= 0)
            std::this_thread::sleep_for(kPollPause);
    }
    common::CloseSocket(socket);
}

} // namespace vornalix::recovery
