#include "ui/GuiThread.h"
#include "ui/Dialog.h"
#include "ui/DialogBackend.h"
#include "ui/EventPump.h"

#include <chrono>
#include <future>
#include <thread>

namespace vornalix::ui {

struct GuiThread::Pending {
    bool started = false;
    bool done = false;
};

GuiThread::GuiThread(Dialog* page) : page(page) {}

bool GuiThread::Attached() const {
    std::lock_guard lock(mutex);
    return !detached && page;
}

void GuiThread::Detach() {
    {
        std::lock_guard lock(mutex);
        detached = true;
    }
    changed.notify_all();
}

// The page is destroyed only on the GUI thread, after it detached: a queued call that still finds the
// link attached there finds the page alive.
bool GuiThread::Post(std::function<void(Dialog&)> fn) {
    if (!Attached())
        return false;
    auto self = shared_from_this();
    return PostToGuiThread([self, fn = std::move(fn)] {
        if (self->Attached())
            fn(*self->page);
    });
}

bool GuiThread::PostCommand(int id) {
    return Post([id](Dialog& dialog) { dialog.Command(id); });
}

bool GuiThread::Call(std::function<void(Dialog&)> fn) {
    if (!Attached())
        return false;
    if (OnGuiThread()) {
        fn(*page);
        return true;
    }
    auto pending = std::make_shared<Pending>();
    auto self = shared_from_this();
    bool queued = PostToGuiThread([self, pending, fn = std::move(fn)] {
        {
            std::lock_guard lock(self->mutex);
            pending->started = !self->detached;
        }
        if (pending->started)
            fn(*self->page);
        {
            std::lock_guard lock(self->mutex);
            pending->done = true;
        }
        self->changed.notify_all();
    });
    if (!queued)
        return false;
    std::unique_lock lock(mutex);
    // A call that has started is always waited for: fn may refer to the caller's locals.
    changed.wait(lock, [&] { return pending->done || (detached && !pending->started); });
    return pending->done && pending->started;
}

void GuiThread::Run(const std::function<void()>& fn) {
    if (OnGuiThread()) {
        fn();
        return;
    }
    std::promise<void> done;
    auto finished = done.get_future();
    if (!PostToGuiThread([&done, &fn] {
            fn();
            done.set_value();
        })) {
        fn();
        return;
    }
    finished.get();
}

void PumpEvents(bool withUserInput) {
    ProcessPendingEvents(withUserInput, 10);
}

void WaitPumping(const std::function<bool()>& done) {
    while (!done()) {
        ProcessPendingEvents(true, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace vornalix::ui
