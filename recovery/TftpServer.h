#pragma once
// TFTP listener on UDP port 69 of the chosen address: every datagram that arrives starts a transfer session
// of its own; at most 5 sessions exchange packets at a time, and at most 16 more wait for a place.
#include "recovery/AdapterInterface.h"
#include "recovery/ListenStatus.h"
#include "recovery/TftpSessionContext.h"
#include "recovery/UdpListener.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vornalix::recovery {

class TftpServer {
public:
    static constexpr int kServerPort = 69;

    // Files are served from and stored in the folder of `firmwarePath`; sessions report to `progressPage`, which
    // they keep alive until the last of them ends.
    TftpServer(in_addr_t serverAddress, const std::string& firmwarePath, std::shared_ptr<ProgressPage> progressPage,
               TftpTimings timings = {});
    virtual ~TftpServer();

    TftpServer(const TftpServer&) = delete;
    TftpServer& operator=(const TftpServer&) = delete;

    // Removes the temporary files of receptions that a killed run left in the folder, binds serverAddress, UDP
    // port 69, on the adapter that holds it, and starts the listener. A server that cannot listen starts no
    // thread and says why.
    ListenStatus Start();
    // The same on a socket that someone with the right to bind port 69 opened for this server (serverAddress,
    // bound to the adapter); the server closes it when it stops.
    ListenStatus Start(common::SocketHandle boundSocket);
    // Ends the listener and waits for it. Running sessions go on until they end by themselves. Safe to call
    // again and from two threads at once.
    void Stop();
    ListenStatus Status() const;

    // Starts the session for one datagram that came to port 69 (what the listener does with each).
    void StartSession(const sockaddr_in& requester, const std::uint8_t* datagram, std::size_t length);

    // Runs on a session's thread whenever the last running session has ended and no session has finished the
    // transfer (FinishTransfer): the page then offers a way out again.
    void SetIdleHandler(std::function<void()> handler);
    int RunningSessions() const;
    // Waits until no session runs; false when `limit` passed first.
    bool WaitForSessions(std::chrono::milliseconds limit) const;

    const in_addr_t serverAddress;
    const std::shared_ptr<TftpSessionContext> context;

private:
    long ReceiveOne(common::SocketHandle socket);

    UdpListener listener;
    // Requests come from the adapter's own subnet only.
    std::optional<AdapterInterface> adapter;
};

} // namespace vornalix::recovery
