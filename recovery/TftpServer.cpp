#include "recovery/TftpServer.h"

#include "common/DottedAddress.h"
#include "recovery/TftpTransfer.h"

#include <array>
#include <system_error>
#include <thread>

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
    return Start(common::kNoSocket);
}

ListenStatus TftpServer::Start(common::SocketHandle boundSocket) {
    // What a killed run was receiving is of no use.
    context->serveDirectory.RemoveLeftoverReceives();
    return listener.Start(
        [this, boundSocket]() -> UdpListener::Opened {
            const std::string place = common::FormatDottedAddress(serverAddress);
            adapter = AdapterInterface::Holding(serverAddress);
            if (!adapter) {
                common::CloseSocket(boundSocket);
                return {common::kNoSocket, ListenStatus::Failed(ListenFailure::AddressNotPresent, 0,
                                                                "TFTP server: address " + place + " not found")};
            }
            if (boundSocket != common::kNoSocket)
                return {boundSocket, ListenStatus::Listening()};
            // Bound to the adapter: a datagram to this address that came another way (over lo from a local
            // program, or routed in from another link) never reaches the server.
            return UdpListener::Open({"TFTP server", place, kServerPort, serverAddress, adapter->name, false});
        },
        [this](common::SocketHandle socket) { return ReceiveOne(socket); });
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

long TftpServer::ReceiveOne(common::SocketHandle socket) {
    std::array<std::uint8_t, kDatagramSize> datagram{};
    sockaddr_in sender{};
    const long received = common::ReceiveDatagram(socket, datagram.data(), datagram.size(), &sender);
    // A datagram larger than the buffer counts as a receive error and starts nothing; nor does anything from
    // outside the adapter's subnet, or from a program on this host (the kernel reports a local datagram to the
    // adapter's address as arriving on the adapter), unless the adapter is the loopback one.
    if (received > 0 && static_cast<std::size_t>(received) <= datagram.size() &&
        adapter->InSubnet(serverAddress, sender.sin_addr.s_addr) &&
        (adapter->loopback || !AdapterInterface::IsOwnAddress(sender.sin_addr.s_addr)))
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
