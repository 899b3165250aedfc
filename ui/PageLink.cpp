#include "ui/PageLink.h"
#include "ui/Dialog.h"

#include <QCoreApplication>
#include <QThread>

namespace vornalix::ui {

struct PageLink::Pending {
    bool started = false;
    bool done = false;
};

PageLink::PageLink(Dialog* page) : page(page) {}

bool PageLink::Attached() const {
    std::lock_guard lock(mutex);
    return !detached && page;
}

void PageLink::Detach() {
    {
        std::lock_guard lock(mutex);
        detached = true;
    }
    changed.notify_all();
}

bool PageLink::Post(std::function<void(Dialog&)> fn) {
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

bool PageLink::PostCommand(int id) {
    return Post([id](Dialog& dialog) { dialog.Command(id); });
}

bool PageLink::Call(std::function<void(Dialog&)> fn) {
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

} // namespace vornalix::ui
