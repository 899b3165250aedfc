#include "recovery/TftpSessionContext.h"

namespace vornalix::recovery {

bool TftpSessionContext::AdmitSession(const sockaddr_in& requester) {
    const std::pair key{requester.sin_addr.s_addr, requester.sin_port};
    std::lock_guard lock(sessionsMutex);
    if (placesInUse >= kPlaces && waitingRequesters.count(key) != 0)
        return false;
    waitingRequesters.insert(key);
    ++runningSessions;
    return true;
}

void TftpSessionContext::PlaceTaken(const sockaddr_in& requester, bool ended) {
    {
        std::lock_guard lock(sessionsMutex);
        if (const auto found = waitingRequesters.find({requester.sin_addr.s_addr, requester.sin_port});
            found != waitingRequesters.end())
            waitingRequesters.erase(found);
        if (!ended)
            ++placesInUse;
    }
    if (ended)
        SessionEnded();
}

void TftpSessionContext::PlaceReleased() {
    std::lock_guard lock(sessionsMutex);
    --placesInUse;
}

void TftpSessionContext::SessionEnded() {
    std::function<void()> idle;
    {
        std::lock_guard lock(sessionsMutex);
        if (--runningSessions == 0 && !finishReported)
            idle = idleHandler;
        sessionsChanged.notify_all();
    }
    if (idle)
        idle();
}

void TftpSessionContext::TransferBegins(in_addr_t address) {
    std::lock_guard lock(sessionsMutex);
    ++transfers[address];
}

void TftpSessionContext::TransferEnds(in_addr_t address) {
    std::lock_guard lock(sessionsMutex);
    if (const auto found = transfers.find(address); found != transfers.end() && --found->second == 0)
        transfers.erase(found);
}

int TftpSessionContext::TransfersFrom(in_addr_t address) const {
    std::lock_guard lock(sessionsMutex);
    const auto found = transfers.find(address);
    return found == transfers.end() ? 0 : found->second;
}

int TftpSessionContext::TransfersFromOthers(in_addr_t address) const {
    std::lock_guard lock(sessionsMutex);
    int count = 0;
    for (const auto& [from, running] : transfers)
        if (from != address)
            count += running;
    return count;
}

void TftpSessionContext::FinishTransfer(bool success) {
    {
        std::lock_guard lock(sessionsMutex);
        finishReported = true;
    }
    page->FinishTransfer(success);
}

void TftpSessionContext::SetIdleHandler(std::function<void()> handler) {
    std::lock_guard lock(sessionsMutex);
    idleHandler = std::move(handler);
}

} // namespace vornalix::recovery
