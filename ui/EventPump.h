#pragma once
// Waiting on the GUI thread without blocking it.
#include <functional>

namespace vornalix::ui {

// Handles the GUI's pending events; withUserInput false leaves the user's keys and clicks waiting.
void PumpEvents(bool withUserInput);
// Processes events in 10 ms steps until done() is true, so workers that call into the GUI keep being
// served.
void WaitPumping(const std::function<bool()>& done);

} // namespace vornalix::ui
