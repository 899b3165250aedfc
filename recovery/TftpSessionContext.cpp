#include "recovery/TftpSessionContext.h"

#include <algorithm>

namespace vornalix::recovery {

std::optional<std::uint64_t> TftpSessionContext::AdmitSession(const sockaddr_in& requester) {
    const std::pair<in_addr_t, std::uint16_t> key{requester.sin_addr.s_addr, requester.sin_port};
    std::lock_guard lock(sessionsMutex);
    if (placesInUse >= kPlaces &&
        std::any_of(waiting.begin(), waiting.end(), [&](const auto& entry) { return entry.second == key; }))
        return std::nullopt;
    // Sessions admitted while places are free take them at once: only the rest wait.
    const auto freePlaces = static_cast<std::size_t>(std::max(0, kPlaces - placesInUse));
    if (waiting.size() >= kWaitingRequests + freePlaces)
        return std::nullopt;
    const std::uint64_t number = ++latestRequest;
    waiting.emplace(number, key);
    ++runningSessions;
    return number;
}

void TftpSessionContext::TakePlace(std::uint64_t number) {
    std::unique_lock lock(sessionsMutex);
    placeFreed.wait(lock,
                    [&] { return placesInUse < kPlaces && !waiting.empty() && waiting.begin()->first == number; });
    waiting.erase(waiting.begin());
    ++placesInUse;
    placed.emplace(number, false);
    // The next in line may find a place too.
    placeFreed.notify_all();
}

void TftpSessionContext::ReleasePlace() {
    std::lock_guard lock(sessionsMutex);
    --placesInUse;
    placeFreed.notify_all();
}

void TftpSessionContext::Abandon(std::uint64_t number) {
    {
        std::lock_guard lock(sessionsMutex);
        waiting.erase(number);
        placeFreed.notify_all();
    }
    SessionEnded();
}

void TftpSessionContext::SessionEnded() {
    std::function<void()> idle;
    {
        std::lock_guard lock(sessionsMutex);
        if (--runningSessions == 0 && !outcome)
            idle = idleHandler;
        sessionsChanged.notify_all();
    }
    if (idle)
        idle();
}

std::uint64_t TftpSessionContext::LatestRequest() const {
    std::lock_guard lock(sessionsMutex);
    return latestRequest;
}

void TftpSessionContext::TransferBegins(std::uint64_t number) {
    std::lock_guard lock(sessionsMutex);
    if (const auto found = placed.find(number); found != placed.end())
        found->second = true;
}

// A completed read that reports success ends the transfer at once. A session that failed, or whose image went
// out unconfirmed, has the last word only when nothing else may still bring the image: no other session
// transfers or waits for a place, and no request that came after its requester's last progress runs still or
// completed since (a newer request that failed in turn does not count: it had its say). Otherwise it ends
// quietly, wherever it came from. Once an image went out unconfirmed, the last word is "sent, not confirmed",
// also when it comes from a session that failed or completed without reporting.
void TftpSessionContext::SessionFinished(std::uint64_t number, SessionEnd end, bool reportsSuccess,
                                         std::uint64_t waitingSince) {
    std::unique_lock lock(sessionsMutex);
    placed.erase(number);
    if (outcome)
        return;
    if (end == SessionEnd::Completed && reportsSuccess)
        return Finish(TransferOutcome::Succeeded, lock);
    // A param.ini that names the image counts as completed also when its last ACK was lost: the image request
    // follows.
    const bool completed = end == SessionEnd::Completed || (end == SessionEnd::Unconfirmed && !reportsSuccess);
    if (completed)
        latestCompleted = std::max(latestCompleted, number);
    else if (end == SessionEnd::Unconfirmed)
        imageUnconfirmed = true;
    if (imageUnconfirmed && placed.empty() && waiting.empty())
        return Finish(TransferOutcome::SentNotConfirmed, lock);
    if (completed)
        return;
    const bool transferring = std::any_of(placed.begin(), placed.end(), [](const auto& entry) { return entry.second; });
    const bool newer = latestCompleted > waitingSince || (!placed.empty() && placed.rbegin()->first > waitingSince);
    if (!transferring && waiting.empty() && !newer)
        Finish(imageUnconfirmed ? TransferOutcome::SentNotConfirmed : TransferOutcome::Failed, lock);
}

void TftpSessionContext::Finish(TransferOutcome result, std::unique_lock<std::mutex>& lock) {
    outcome = result;
    lock.unlock();
    page->FinishTransfer(result);
}

void TftpSessionContext::SetIdleHandler(std::function<void()> handler) {
    std::lock_guard lock(sessionsMutex);
    idleHandler = std::move(handler);
}

TftpSessionContext::Counts TftpSessionContext::Count() const {
    std::lock_guard lock(sessionsMutex);
    Counts counts;
    counts.running = runningSessions;
    counts.waiting = static_cast<int>(waiting.size());
    counts.placed = placesInUse;
    counts.transferring =
        static_cast<int>(std::count_if(placed.begin(), placed.end(), [](const auto& entry) { return entry.second; }));
    counts.outcome = outcome;
    return counts;
}

} // namespace vornalix::recovery
