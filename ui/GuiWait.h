#pragma once
// Waiting on the GUI thread without blocking it: workers that call into the GUI keep being served.
#include <functional>

namespace vornalix::ui {

// Processes events in 10 ms steps until done() is true.
void WaitPumping(const std::function<bool()>& done);

} // namespace vornalix::ui
