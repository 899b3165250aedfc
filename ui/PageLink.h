#pragma once
// How worker threads reach a page: posted commands and synchronous calls that run on the GUI
// thread. Once the page detaches (it closes, or it is about to wait for its workers), posts are
// dropped and blocked callers return false at once, so a worker can never deadlock on a page that
// has stopped handling messages.
#include <QPointer>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace vornalix::ui {

class Dialog;

class PageLink : public std::enable_shared_from_this<PageLink> {
public:
    explicit PageLink(Dialog* page);

    // Runs fn on the GUI thread later; false when the page is gone.
    bool Post(std::function<void(Dialog&)> fn);
    // Runs fn on the GUI thread and waits for it; false when the page detached first.
    // On the GUI thread itself fn runs at once.
    bool Call(std::function<void(Dialog&)> fn);
    // Posts a command (a button id) to the page.
    bool PostCommand(int id);

    void Detach();
    bool Attached() const;

private:
    struct Pending;
    mutable std::mutex mutex;
    std::condition_variable changed;
    bool detached = false;
    QPointer<Dialog> page;
};

} // namespace vornalix::ui
