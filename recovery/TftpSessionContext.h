#pragma once
// What the TFTP listener shares with its sessions. Sessions hold it, and it holds the page, by shared pointer:
// a session that outlives the server still has both. It also decides how the transfer ends: a success ends it
// at once, a session that fails only when nothing else may still bring the image (see SessionFinished).
#include "recovery/ProgressPage.h"
#include "recovery/ServedFolder.h"
#include "recovery/TftpChannel.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
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

// How one session ended.
enum class SessionEnd {
    Completed,
    // A read whose last block went out and was resent, and whose requester then stayed silent.
    Unconfirmed,
    Failed,
};

struct TftpSessionContext {
    TftpSessionContext(in_addr_t serverAddress, const std::string& firmwarePath, std::shared_ptr<ProgressPage> page,
                       TftpTimings timings)
        : serverAddress(serverAddress), serveDirectory(firmwarePath), page(std::move(page)), timings(timings) {}

    static constexpr int kPlaces = 5;
    // Requests that may wait for a place; the listener drops any further ones.
    static constexpr int kWaitingRequests = 16;

    // The listener, for a datagram from `requester`: the new session's number (1, 2, ... in arrival order), which
    // now counts as running; nullopt when the datagram starts nothing: every place is taken and a session of that
    // very address and port waits for one (the datagram repeats its request), or kWaitingRequests wait already.
    std::optional<std::uint64_t> AdmitSession(const sockaddr_in& requester);
    // Waits until the session `number` has a place; places go in arrival order.
    void TakePlace(std::uint64_t number);
    // The session gives its place back.
    void ReleasePlace();
    // An admitted session that never started.
    void Abandon(std::uint64_t number);
    // A session has ended; when it was the last one and the transfer is not finished, the idle handler runs.
    void SessionEnded();

    // The newest session number so far.
    std::uint64_t LatestRequest() const;
    // The session accepted a request of its requester: it now transfers until it ends.
    void TransferBegins(std::uint64_t number);
    // The session `number` has ended as `end`. `reportsSuccess`: it served a read whose completion is the firmware
    // transfer's success (anything but a param.ini that names the image). `waitingSince`: LatestRequest() when
    // its requester last made progress. Decides whether the transfer ends now, and how (see the .cpp).
    void SessionFinished(std::uint64_t number, SessionEnd end, bool reportsSuccess, std::uint64_t waitingSince);

    void SetIdleHandler(std::function<void()> handler);

    // A snapshot of the sessions (for the server's callers and the fuzzer).
    struct Counts {
        int running = 0;      // admitted and not yet ended
        int waiting = 0;      // admitted, without a place yet
        int placed = 0;       // holding a place
        int transferring = 0; // accepted a request and not yet ended
        std::optional<TransferOutcome> outcome;
    };
    Counts Count() const;

    const in_addr_t serverAddress;
    const ServedFolder serveDirectory;
    // Every session reports here; a page that closes while sessions run drops their calls itself.
    const std::shared_ptr<ProgressPage> page;
    const TftpTimings timings;
    // Where a session meets its requester; empty: a socket of its own (TftpSocketChannel).
    std::function<std::unique_ptr<TftpChannel>(const sockaddr_in& requester)> openChannel;

    // Sessions started and not yet ended.
    mutable std::mutex sessionsMutex;
    std::condition_variable sessionsChanged;
    int runningSessions = 0;

private:
    void Finish(TransferOutcome outcome, std::unique_lock<std::mutex>& lock);

    std::uint64_t latestRequest = 0;
    // Sessions without a place, by number, with their requester's address and port.
    std::map<std::uint64_t, std::pair<in_addr_t, std::uint16_t>> waiting;
    std::condition_variable placeFreed;
    int placesInUse = 0;
    // Sessions that hold a place, by number: whether each transfers.
    std::map<std::uint64_t, bool> placed;
    // The newest session that completed without reporting (a stored file, a param.ini that names the image).
    std::uint64_t latestCompleted = 0;
    bool imageUnconfirmed = false;
    std::optional<TransferOutcome> outcome;
    std::function<void()> idleHandler;
};

// What the listener hands a new session: the sender and the datagram that opened it.
struct RequestBlock {
    std::shared_ptr<TftpSessionContext> server;
    sockaddr_in requester{};
    std::vector<std::uint8_t> datagram;
    std::uint64_t number = 0; // from AdmitSession
};

} // namespace vornalix::recovery
