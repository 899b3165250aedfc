#include "recovery/StopSignal.h"

#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace vornalix::recovery {

StopSignal::StopSignal() : wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

StopSignal::~StopSignal() {
    if (wakeFd >= 0)
        close(wakeFd);
}

void StopSignal::Release() {
    signal.release();
    const std::uint64_t one = 1;
    if (wakeFd >= 0 && write(wakeFd, &one, sizeof one) < 0) {
        // The waiter still sees the signal at its next time limit.
    }
}

bool StopSignal::TryAcquire() {
    return signal.try_acquire();
}

void StopSignal::WaitForSocket(int socket, int limitMs) {
    pollfd watched[2] = {{socket, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    poll(watched, wakeFd >= 0 ? 2 : 1, limitMs);
}

} // namespace vornalix::recovery
