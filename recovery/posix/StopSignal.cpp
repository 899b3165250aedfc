#include "recovery/StopSignal.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace vornalix::recovery {

StopSignal::StopSignal() : wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

StopSignal::~StopSignal() {
    if (wake >= 0)
        close(wake);
}

void StopSignal::Release() {
    signal.release();
    const std::uint64_t one = 1;
    if (wake >= 0 && write(wake, &one, sizeof one) < 0) {
        // The waiter still sees the signal at its next time limit.
    }
}

bool StopSignal::TryAcquire() {
    return signal.try_acquire();
}

void StopSignal::WaitForSocket(common::SocketHandle socket, int limitMs) {
    common::WaitForSocket(socket, common::SocketWait::Readable, limitMs, wake);
}

} // namespace vornalix::recovery
