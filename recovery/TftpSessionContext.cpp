#include "recovery/TftpSessionContext.h"

namespace vornalix::recovery {

bool TftpSessionContext::AdmitSession(const sockaddr_in& requester) {
    std::lock_guard lock(sessionsMutex);
    if (!waitingRequesters.emplace(requester.sin_addr.s_addr, requester.sin_port).second)
        return false;
    ++runningSessions;
    return true;
}

void TftpSessionContext::PlaceTaken(const sockaddr_in& requester, bool ended) {
    {
        std::lock_guard lock(sessionsMutex);
        waitingRequesters.erase({requester.sin_addr.s_addr, requester.sin_port});
    }
    if (ended)
        SessionEnded();
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
        pageLink.Use([&](ProgressPage&) { idle(); });
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
    pageLink.Use([success](ProgressPage& page) { page.FinishTransfer(success); });
}

void TftpSessionContext::SetIdleHandler(std::function<void()> handler) {
    std::lock_guard lock(sessionsMutex);
    idleHandler = std::move(handler);
}

} // namespace vornalix::recovery
