#pragma once
// BOOTP responder on the chosen adapter: answers every BOOTREQUEST that arrives there with the offered
// address, this host as boot server and the firmware file as boot file.
#include "recovery/BootReplyBuilder.h"
#include "recovery/ListenStatus.h"
#include "recovery/UdpListener.h"

#include <string>

namespace vornalix::recovery {

class BootReplyServer {
public:
    static constexpr int kServerPort = 67;

    BootReplyServer(in_addr_t serverAddress, std::string bootFilePath);
    virtual ~BootReplyServer();

    BootReplyServer(const BootReplyServer&) = delete;
    BootReplyServer& operator=(const BootReplyServer&) = delete;

    // Opens the socket on the adapter holding serverAddress (receiving the broadcasts that arrive there only)
    // and starts the worker thread. A server that cannot listen starts no thread and says why.
    ListenStatus Start();
    // The same on a socket that someone with the right to bind port 67 opened for this server (as Start would:
    // BroadcastBindAddress, bound to the adapter, EnableBroadcastOnAdapter); the server closes it when it stops.
    ListenStatus Start(common::SocketHandle boundSocket);
    // Asks the worker to end and waits until it has closed its socket. Safe to call again and from two
    // threads at once: every call returns only after the worker has ended.
    void Stop();
    ListenStatus Status() const;

    in_addr_t clientAddress;
    in_addr_t serverAddress;
    std::string clientAddressText;
    std::string bootFilePath;

private:
    long ReceiveOne(common::SocketHandle socket);
    void Answer(common::SocketHandle socket, const unsigned char* datagram, std::size_t length,
                const sockaddr_in& sender);

    BootReplyBuilder builder;
    int interfaceIndex = 0;
    UdpListener listener;
};

} // namespace vornalix::recovery
