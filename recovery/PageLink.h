#pragma once
// The sessions' way to the page: every call goes through the link, and once the page is detached no call
// reaches it any more. Sessions may outlive the page.
#include "recovery/ProgressPage.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vornalix::recovery {

class PageLink {
public:
    explicit PageLink(ProgressPage* page);

    // Runs `call` on the page unless it is detached; returns whether it ran. No lock is held during the call.
    bool Use(const std::function<void(ProgressPage&)>& call);
    // After Detach returns, no call reaches the page. It waits for calls already running on other threads and
    // runs `whileWaiting` every few milliseconds meanwhile (the page passes its event pump, so that a call
    // waiting for the page's thread can finish).
    void Detach(const std::function<void()>& whileWaiting = {});
    bool Attached() const;

private:
    mutable std::mutex mutex;
    std::condition_variable callEnded;
    ProgressPage* page;
    std::vector<std::thread::id> callers;
};

} // namespace vornalix::recovery
