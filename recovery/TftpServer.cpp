#include "recovery/TftpServer.h"

#include "common/DottedAddress.h"
#include "recovery/TftpTransfer.h"

#include <array>
#include <cerrno>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace vornalix::recovery {

namespace {

constexpr std::size_t kDatagramSize = 2048;

} // namespace

TftpServer::TftpServer(in_addr_t serverAddress, const std::string& firmwarePath,
                       std::shared_ptr<ProgressPage> progressPage, TftpTimings timings)
    : serverAddress(serverAddress),
      context(std::make_shared<TftpSessionContext>(serverAddress, firmwarePath, std::move(progressPage), timings)) {}

TftpServer::~TftpServer() {
    Stop();
}

ListenStatus TftpServer::Start() {
    // What a killed run was receiving is of no use.
    context->serveDirectory.RemoveLeftoverReceives();
    return listener.Start(
        [this] {
            return UdpListener::Open(
                {"TFTP server", common::FormatDottedAddress(serverAddress), kServerPort, serverAddress, {}, false});
        },
        [this](int socket) { return ReceiveOne(socket); });
}

void TftpServer::Stop() {
    listener.Stop();
}

ListenStatus TftpServer::Status() const {
    return listener.Status();
}

void TftpServer::SetIdleHandler(std::function<void()> handler) {
    context->SetIdleHandler(std::move(handler));
}

int TftpServer::RunningSessions() const {
    return context->Count().running;
}

bool TftpServer::WaitForSessions(std::chrono::milliseconds limit) const {
    std::unique_lock lock(context->sessionsMutex);
    return context->sessionsChanged.wait_for(lock, limit, [&] { return context->runningSessions == 0; });
}

ssize_t TftpServer::ReceiveOne(int socket) {
    std::array<std::uint8_t, kDatagramSize> datagram{};
    sockaddr_in sender{};
    socklen_t senderLength = sizeof sender;
    const ssize_t received = recvfrom(socket, datagram.data(), datagram.size(), MSG_TRUNC | MSG_DONTWAIT,
                                      reinterpret_cast<sockaddr*>(&sender), &senderLength);
    // A datagram larger than the buffer counts as a receive error and starts nothing.
    if (received > 0 && static_cast<std::size_t>(received) <= datagram.size())
        StartSession(sender, datagram.data(), static_cast<std::size_t>(received));
    return received;
}

void TftpServer::StartSession(const sockaddr_in& requester, const std::uint8_t* datagram, std::size_t length) {
    // A request resent while its session still waits for a place is that session's: no second one. Beyond the
    // requests that may wait, datagrams are dropped: no thread for each.
    const auto number = context->AdmitSession(requester);
    if (!number)
        return;
    RequestBlock block{context, requester, std::vector<std::uint8_t>(datagram, datagram + length), *number};
    try {
        // Sessions are never joined: each ends by itself and keeps the shared context alive meanwhile.
        std::thread([block = std::move(block)]() mutable { TftpTransfer(std::move(block)).Run(); }).detach();
    } catch (const std::system_error&) {
        context->Abandon(*number);
    }
}

} // namespace vornalix::recovery
