#pragma once
// Drives pages that a flow or a page creates itself: act once a condition holds.
#include "ui/Dialog.h"
#include "ui/DialogBackend.h"
#include "ui/GuiThread.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace vornalix::wizard::test {

namespace detail {

struct Check {
    std::function<bool()> ready;
    std::function<void()> action;
    std::atomic<bool> done{false};

    void Run() {
        if (done || !ready())
            return;
        done = true;
        action();
    }
};

// Every 10 ms, post(check) until the check has acted or post refuses.
inline void Poll(std::shared_ptr<Check> check, std::function<bool(std::function<void()>)> post) {
    std::thread([check, post = std::move(post)] {
        while (!check->done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (!post([check] { check->Run(); }))
                return;
        }
    }).detach();
}

} // namespace detail

// Runs action on the GUI thread as soon as ready() holds, checking every 10 ms while owner is open (the check
// stops once it has closed).
inline void When(ui::Dialog& owner, std::function<bool()> ready, std::function<void()> action) {
    auto check = std::make_shared<detail::Check>();
    check->ready = std::move(ready);
    check->action = std::move(action);
    detail::Poll(check, [link = owner.Link()](std::function<void()> fn) {
        return link->Post([fn = std::move(fn)](ui::Dialog&) { fn(); });
    });
}

// The same, owned by no page: the check stops when the returned watch goes.
[[nodiscard]] inline std::shared_ptr<void> WhenAnywhere(std::function<bool()> ready, std::function<void()> action) {
    auto check = std::make_shared<detail::Check>();
    check->ready = std::move(ready);
    check->action = std::move(action);
    auto alive = std::make_shared<std::atomic<bool>>(true);
    detail::Poll(check, [alive](std::function<void()> fn) {
        return alive->load() && ui::PostToGuiThread([alive, fn = std::move(fn)] {
                   if (*alive)
                       fn();
               });
    });
    return std::shared_ptr<void>(nullptr, [alive, check](void*) {
        *alive = false;
        check->done = true;
    });
}

// The innermost modal dialog as a T, or nullptr.
template <class T> T* ModalWindow() {
    return dynamic_cast<T*>(ui::ActiveModalDialog());
}

} // namespace vornalix::wizard::test
