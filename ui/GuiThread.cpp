#include "ui/GuiThread.h"
#include "ui/Dialog.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <future>

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

bool GuiThread::Post(std::function<void(Dialog&)> fn) {
    QPointer<Dialog> target;
    {
        std::lock_guard lock(mutex);
        if (detached || !page)
            return false;
        target = page;
    }
    auto self = shared_from_this();
    QMetaObject::invokeMethod(
        target.data(),
        [self, target, fn = std::move(fn)] {
            if (target && self->Attached())
                fn(*target);
        },
        Qt::QueuedConnection);
    return true;
}

bool GuiThread::PostCommand(int id) {
    return Post([id](Dialog& dialog) { dialog.Command(id); });
}

bool GuiThread::Call(std::function<void(Dialog&)> fn) {
    QPointer<Dialog> target;
    {
        std::lock_guard lock(mutex);
        if (detached || !page)
            return false;
        target = page;
    }
    if (QThread::currentThread() == target->thread()) {
        fn(*target);
        return true;
    }
    auto pending = std::make_shared<Pending>();
    auto self = shared_from_this();
    QMetaObject::invokeMethod(
        target.data(),
        [self, target, pending, fn = std::move(fn)] {
            {
                std::lock_guard lock(self->mutex);
                pending->started = !self->detached && target;
            }
            if (pending->started)
                fn(*target);
            {
                std::lock_guard lock(self->mutex);
                pending->done = true;
            }
            self->changed.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(mutex);
    // A call that has started is always waited for: fn may refer to the caller's locals.
    changed.wait(lock, [&] { return pending->done || (detached && !pending->started); });
    return pending->done && pending->started;
}

void GuiThread::Run(const std::function<void()>& fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        fn();
        return;
    }
    std::promise<void> done;
    auto finished = done.get_future();
    QMetaObject::invokeMethod(
        app,
        [&done, &fn] {
            fn();
            done.set_value();
        },
        Qt::QueuedConnection);
    finished.get();
}

void WaitPumping(const std::function<bool()>& done) {
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
}

} // namespace vornalix::ui
