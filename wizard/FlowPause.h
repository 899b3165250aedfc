#pragma once
// The pauses of the upgrade flows: 10 ms between pages, longer where a step waits for the gateway. Injected,
// so that tests see them without waiting.
#include <chrono>
#include <functional>

namespace vornalix::wizard {

using Sleep = std::function<void(std::chrono::milliseconds)>;

constexpr std::chrono::milliseconds kPageWait{10};

// Sleeps on the calling thread, handling the GUI's events (but not the user's input) meanwhile.
Sleep RealSleep();

} // namespace vornalix::wizard
