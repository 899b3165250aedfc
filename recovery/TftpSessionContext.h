#pragma once
// What the TFTP listener shares with its sessions. Sessions hold it by shared pointer, so a session that
// outlives the server (or the page) still has it.
#include "recovery/PageLink.h"
#include "recovery/ServedFolder.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <semaphore>
#include <set>
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
    TftpSessionContext(in_addr_t serverAddress, const std::string& firmwarePath, ProgressPage* page,
                       TftpTimings timings)
        : serverAddress(serverAddress), serveDirectory(firmwarePath), pageLink(page), timings(timings) {}

    const in_addr_t serverAddress;
    const ServedFolder serveDirectory;
    PageLink pageLink;
    const TftpTimings timings;
    // One unit per running session: at most 5 exchange packets at a time.
    std::counting_semaphore<5> sessionLimiter{5};

    // Sessions started and not yet ended.
    std::mutex sessionsMutex;
    std::condition_variable sessionsChanged;
    int runningSessions = 0;
    // Requesters that answered a session of theirs: a duplicate session that such a requester left alone (it
    // resent its request and took the other session's answer) ends quietly instead of failing the transfer.
    std::set<in_addr_t> answeringRequesters;
};

// What the listener hands a new session: the sender and the datagram that opened it.
struct RequestBlock {
    std::shared_ptr<TftpSessionContext> server;
    sockaddr_in requester{};
    std::vector<std::uint8_t> datagram;
};

} // namespace vornalix::recovery
