#include "wizard/FlowPause.h"

#include <thread>

namespace vornalix::wizard {

Sleep RealSleep() {
    return [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); };
}

} // namespace vornalix::wizard
