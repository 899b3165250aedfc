#pragma once
// A server thread's stop signal: a semaphore given once by Stop, which also wakes the thread while it waits for
// its socket, so an idle server sleeps instead of polling. The wake is an eventfd on POSIX and a loopback
// datagram to a socket of its own on Windows; without one the waiter sees the signal at its time limit.
#include "common/Socket.h"

#include <semaphore>

namespace vornalix::recovery {

class StopSignal {
public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    void Release();
    // A zero-time wait: whether the signal was given (taking it).
    bool TryAcquire();
    // Waits until `socket` is readable, the signal is given, or `limitMs` passes.
    void WaitForSocket(common::SocketHandle socket, int limitMs);

private:
    std::counting_semaphore<255> signal{0};
    common::SocketHandle wake;
};

} // namespace vornalix::recovery
