#pragma once
// What the TFTP listener shares with its sessions. Sessions hold it, and it holds the page, by shared pointer:
// a session that outlives the server still has both.
#include "recovery/ProgressPage.h"
#include "recovery/ServedFolder.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <semaphore>
#include <set>
#include <utility>
#include <vector>

namespace vornalix::recovery {

// Timing of the sessions: the receive wait and its tries (silence = wait × tries) and the pause after each
// datagram.
struct TftpTimings {
    int receiveWaitSeconds = 4;
    int receiveTries = 5;
    std::chrono::microseconds pause{1000};
};

struct TftpSessionContext {
    TftpSessionContext(in_addr_t serverAddress, const std::string& firmwarePath, std::shared_ptr<ProgressPage> page,
                       TftpTimings timings)
        : serverAddress(serverAddress), serveDirectory(firmwarePath), page(std::move(page)), timings(timings) {}

    static constexpr int kPlaces = 5;

    // The listener, for a datagram from `requester`: false while every place is taken and a session of that very
    // address and port waits for one (the datagram repeats its request); otherwise the new session counts as
    // running.
    bool AdmitSession(const sockaddr_in& requester);
    // The session of an admitted datagram got a place (or never started: `ended` true).
    void PlaceTaken(const sockaddr_in& requester, bool ended = false);
    // The session gives its place back (just before it releases sessionLimiter).
    void PlaceReleased();
    // A session has ended; when it was the last one and none has finished the page, the idle handler runs.
    void SessionEnded();

    // A session exchanges packets with its requester at `address` (it accepted a request and heard back).
    void TransferBegins(in_addr_t address);
    void TransferEnds(in_addr_t address);
    // Transfers now running from `address`, and from any other address.
    int TransfersFrom(in_addr_t address) const;
    int TransfersFromOthers(in_addr_t address) const;

    // Every session's report to the page goes through here, so that the idle handler knows of it.
    void FinishTransfer(bool success);
    void SetIdleHandler(std::function<void()> handler);

    const in_addr_t serverAddress;
    const ServedFolder serveDirectory;
    // Every session reports here; a page that closes while sessions run drops their calls itself.
    const std::shared_ptr<ProgressPage> page;
    const TftpTimings timings;
    // One unit per running session: at most 5 exchange packets at a time.
    std::counting_semaphore<kPlaces> sessionLimiter{kPlaces};

    // Sessions started and not yet ended.
    mutable std::mutex sessionsMutex;
    std::condition_variable sessionsChanged;
    int runningSessions = 0;

private:
    std::multiset<std::pair<in_addr_t, in_port_t>> waitingRequesters;
    int placesInUse = 0;
    std::map<in_addr_t, int> transfers;
    bool finishReported = false;
    std::function<void()> idleHandler;
};

// What the listener hands a new session: the sender and the datagram that opened it.
struct RequestBlock {
    std::shared_ptr<TftpSessionContext> server;
    sockaddr_in requester{};
    std::vector<std::uint8_t> datagram;
};

} // namespace vornalix::recovery
