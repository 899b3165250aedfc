#include "recovery/TftpServer.h"

#include "recovery/AdapterInterface.h"
#include "recovery/TftpTransfer.h"

#include <array>
#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace vornalix::recovery {

namespace {

constexpr std::size_t kDatagramSize = 2048;
constexpr int kIdleWaitMs = 1000;

} // namespace

TftpServer::TftpServer(in_addr_t serverAddress, const std::string& firmwarePath, ProgressPage& progressPage,
                       TftpTimings timings)
    : serverAddress(serverAddress),
      context(std::make_shared<TftpSessionContext>(serverAddress, firmwarePath, &progressPage, timings)) {}

TftpServer::~TftpServer() {
    Stop();
}

ListenStatus TftpServer::Start() {
    std::lock_guard stopLock(stopMutex);
    ListenStatus result;
    if (listener.joinable()) {
        result = Status();
    } else {
        result = [&] {
            const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            if (fd < 0)
                return ListenStatus::FromErrno(errno, "TFTP server: socket");
            // No SO_REUSEADDR: on Linux it would let two servers share port 69 unnoticed.
            sockaddr_in local{};
            local.sin_family = AF_INET;
            local.sin_port = htons(kServerPort);
            local.sin_addr.s_addr = serverAddress;
            if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
                const int error = errno;
                close(fd);
                return ListenStatus::FromErrno(error, "TFTP server: UDP port 69 on " + DottedAddress(serverAddress));
            }
            socketFd = fd;
            return ListenStatus::Listening();
        }();
        if (result.listening)
            listener = std::thread([this] { Run(); });
    }
    std::lock_guard lock(stateMutex);
    status = result;
    return result;
}

void TftpServer::Stop() {
    std::lock_guard stopLock(stopMutex);
    if (!listener.joinable())
        return;
    stopSignal.Release();
    listener.join();
    std::lock_guard lock(stateMutex);
    status = ListenStatus{};
}

ListenStatus TftpServer::Status() const {
    std::lock_guard lock(stateMutex);
    return status;
}

void TftpServer::DetachPage(const std::function<void()>& whileWaiting) {
    context->pageLink.Detach(whileWaiting);
}

int TftpServer::RunningSessions() const {
    std::lock_guard lock(context->sessionsMutex);
    return context->runningSessions;
}

bool TftpServer::WaitForSessions(std::chrono::milliseconds limit) const {
    std::unique_lock lock(context->sessionsMutex);
    return context->sessionsChanged.wait_for(lock, limit, [&] { return context->runningSessions == 0; });
}

void TftpServer::Run() {
    std::array<std::uint8_t, kDatagramSize> datagram{};
    while (!stopSignal.TryAcquire()) {
        // Sleeps until a datagram or the stop signal comes (at most one poll period when idle).
        stopSignal.WaitForSocket(socketFd, kIdleWaitMs);
        datagram.fill(0);
        sockaddr_in sender{};
        socklen_t senderLength = sizeof sender;
        const ssize_t received = recvfrom(socketFd, datagram.data(), datagram.size(), MSG_TRUNC | MSG_DONTWAIT,
                                          reinterpret_cast<sockaddr*>(&sender), &senderLength);
        // A datagram larger than the buffer counts as a receive error and starts nothing.
        if (received > 0 && static_cast<std::size_t>(received) <= datagram.size())
            StartSession(sender, datagram.data(), static_cast<std::size_t>(received));
        if (received >= 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    close(socketFd);
    socketFd = -1;
}

void TftpServer::StartSession(const sockaddr_in& requester, const std::uint8_t* datagram, std::size_t length) {
    RequestBlock block{context, requester, std::vector<std::uint8_t>(datagram, datagram + length)};
    {
        std::lock_guard lock(context->sessionsMutex);
        ++context->runningSessions;
    }
    try {
        // Sessions are never joined: each ends by itself and keeps the shared context alive meanwhile.
        std::thread([block = std::move(block)]() mutable { TftpTransfer(std::move(block)).Run(); }).detach();
    } catch (const std::system_error&) {
        std::lock_guard lock(context->sessionsMutex);
        --context->runningSessions;
        context->sessionsChanged.notify_all();
    }
}

} // namespace vornalix::recovery
