#pragma once
// Drives pages that a flow or a page creates itself: act once a condition holds.
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace vornalix::wizard::test {

// Runs action on the GUI thread as soon as ready() holds, checking every 10 ms while the owner
// lives (the check stops with it).
inline void When(QObject* owner, std::function<bool()> ready, std::function<void()> action) {
    auto* timer = new QTimer(owner);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, ready = std::move(ready), action = std::move(action)] {
        if (!ready())
            return;
        timer->stop();
        timer->deleteLater();
        action();
    });
    timer->start();
}

// The innermost modal window as a T, or nullptr.
template <class T> T* ModalWindow() {
    return qobject_cast<T*>(QApplication::activeModalWidget());
}

} // namespace vornalix::wizard::test
