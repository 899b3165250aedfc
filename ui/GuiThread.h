#pragma once
// The one way from a worker thread to the GUI thread. A page's GuiThread carries posted commands and
// synchronous calls to that page; once the page detaches (it closes, or it is about to wait for its
// workers), posts are dropped and blocked callers return false at once, so a worker can never deadlock on
// a page that has stopped handling messages. Run carries a call that belongs to no page (a message box).
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace vornalix::ui {

class Dialog;

class GuiThread : public std::enable_shared_from_this<GuiThread> {
public:
    explicit GuiThread(Dialog* page);

    // Runs fn on the GUI thread later; false when the page is gone.
    bool Post(std::function<void(Dialog&)> fn);
    // Runs fn on the GUI thread and waits for it; false when the page detached first.
    // On the GUI thread itself fn runs at once.
    bool Call(std::function<void(Dialog&)> fn);
    // Posts a command (a button id) to the page.
    bool PostCommand(int id);

    // The page detaches before it is destroyed (on the GUI thread).
    void Detach();
    bool Attached() const;

    // Runs fn on the application's GUI thread and waits for it (at once on that thread, or when no GUI
    // runs). The GUI thread must keep handling events meanwhile: it waits for workers only through
    // WaitPumping.
    static void Run(const std::function<void()>& fn);

private:
    struct Pending;
    mutable std::mutex mutex;
    std::condition_variable changed;
    bool detached = false;
    Dialog* page;
};

} // namespace vornalix::ui
