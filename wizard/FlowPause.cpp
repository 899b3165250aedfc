#include "wizard/FlowPause.h"

#include "ui/EventPump.h"

#include <algorithm>
#include <thread>

namespace vornalix::wizard {

Sleep RealSleep() {
    return [](std::chrono::milliseconds pause) {
        // A page left on screen meanwhile keeps repainting; the user's input waits.
        using Clock = std::chrono::steady_clock;
        const Clock::time_point end = Clock::now() + pause;
        for (;;) {
            ui::PumpEvents(false);
            const Clock::time_point now = Clock::now();
            if (now >= end)
                return;
            std::this_thread::sleep_for(std::min<Clock::duration>(end - now, std::chrono::milliseconds(20)));
        }
    };
}

} // namespace vornalix::wizard
