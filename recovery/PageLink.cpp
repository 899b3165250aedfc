#include "recovery/PageLink.h"

#include <algorithm>
#include <chrono>

namespace vornalix::recovery {

PageLink::PageLink(ProgressPage* page) : page(page) {}

bool PageLink::Use(const std::function<void(ProgressPage&)>& call) {
    ProgressPage* target;
    {
        std::lock_guard lock(mutex);
        target = page;
        if (target == nullptr)
            return false;
        callers.push_back(std::this_thread::get_id());
    }
    struct Leave {
        PageLink& link;
        ~Leave() {
            std::lock_guard lock(link.mutex);
            link.callers.erase(std::find(link.callers.begin(), link.callers.end(), std::this_thread::get_id()));
            link.callEnded.notify_all();
        }
    } leave{*this};
    call(*target);
    return true;
}

void PageLink::Detach(const std::function<void()>& whileWaiting) {
    std::unique_lock lock(mutex);
    page = nullptr;
    const auto self = std::this_thread::get_id();
    // A call on this very thread (the page detaching from inside a call) cannot be waited for.
    const auto othersRunning = [&] {
        return std::any_of(callers.begin(), callers.end(), [&](std::thread::id id) { return id != self; });
    };
    while (othersRunning()) {
        if (whileWaiting) {
            lock.unlock();
            whileWaiting();
            lock.lock();
            callEnded.wait_for(lock, std::chrono::milliseconds(5));
        } else {
            callEnded.wait(lock);
        }
    }
}

bool PageLink::Attached() const {
    std::lock_guard lock(mutex);
    return page != nullptr;
}

} // namespace vornalix::recovery
