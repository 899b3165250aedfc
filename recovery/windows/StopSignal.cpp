#include "recovery/StopSignal.h"

namespace vornalix::recovery {

namespace {

// A non-blocking UDP socket on 127.0.0.1 connected to itself: only its own datagrams reach it.
common::SocketHandle OpenWakeSocket() {
    const common::SocketHandle opened = common::OpenUdpSocket(true);
    if (opened == common::kNoSocket)
        return opened;
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof self;
    if (bind(opened, reinterpret_cast<sockaddr*>(&self), sizeof self) != 0 ||
        getsockname(opened, reinterpret_cast<sockaddr*>(&self), &length) != 0 ||
        connect(opened, reinterpret_cast<sockaddr*>(&self), sizeof self) != 0) {
        common::CloseSocket(opened);
        return common::kNoSocket;
    }
    return opened;
}

} // namespace

StopSignal::StopSignal() : wake(OpenWakeSocket()) {}

StopSignal::~StopSignal() {
    common::CloseSocket(wake);
}

void StopSignal::Release() {
    signal.release();
    const char one = 1;
    if (wake != common::kNoSocket && send(wake, &one, 1, 0) < 0) {
        // The waiter still sees the signal at its next time limit.
    }
}

bool StopSignal::TryAcquire() {
    return signal.try_acquire();
}

void StopSignal::WaitForSocket(common::SocketHandle socket, int limitMs) {
    if (common::WaitForSocket(socket, common::SocketWait::Readable, limitMs, wake) > 0 && wake != common::kNoSocket) {
        // Takes the wake datagram, if that was it, so that the next wait sleeps again.
        char taken[16];
        while (recv(wake, taken, sizeof taken, 0) > 0) {
        }
    }
}

} // namespace vornalix::recovery
