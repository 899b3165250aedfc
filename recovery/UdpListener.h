#pragma once
// A server's UDP socket and the thread that polls it, shared by the BOOTP and TFTP servers: the socket set-up
// (bind, adapter, options), Start, the stop signal and Stop.
#include "common/Socket.h"
#include "recovery/ListenStatus.h"
#include "recovery/StopSignal.h"

#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace vornalix::recovery {

struct UdpSocketSetup {
    std::string server; // "BOOTP server": the start of every reason
    std::string place;  // where it listens, for the reasons ("eth0", "192.168.1.1")
    int port = 0;
    in_addr_t bindAddress = 0;      // network byte order
    std::string device;             // bound to this device when not empty (where the system can)
    bool broadcastOnDevice = false; // a broadcast service on one adapter (EnableBroadcastOnAdapter)
};

class UdpListener {
public:
    // The socket a set-up opened, or why it could not.
    struct Opened {
        common::SocketHandle socket = common::kNoSocket;
        ListenStatus status;
    };
    // Called on the listener thread whenever the socket may hold a datagram; returns what the receive
    // returned (a negative value: nothing was there). After a receive the listener pauses 10 ms.
    using Receiver = std::function<long(common::SocketHandle socket)>;

    UdpListener() = default;
    ~UdpListener();
    UdpListener(const UdpListener&) = delete;
    UdpListener& operator=(const UdpListener&) = delete;

    // A non-blocking UDP socket bound as `setup` says.
    static Opened Open(const UdpSocketSetup& setup);

    // Runs `open` and, when it gave a socket, starts the thread. While the thread runs, returns its status.
    ListenStatus Start(const std::function<Opened()>& open, Receiver receive);
    // Signals the thread and waits until it has closed its socket. Safe to call again and from two threads at
    // once: every call returns only after the thread has ended.
    void Stop();
    ListenStatus Status() const;

private:
    void Run(common::SocketHandle socket);

    Receiver receiver;
    StopSignal stopSignal;
    mutable std::mutex stateMutex;
    std::mutex stopMutex;
    ListenStatus status;
    std::thread thread;
};

} // namespace vornalix::recovery
