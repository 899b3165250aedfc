#include "ui/GuiWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

namespace vornalix::ui {

void WaitPumping(const std::function<bool()>& done) {
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
}

} // namespace vornalix::ui
