#pragma once
// Time limits and pauses of the gateway exchanges. Tests shorten them; the defaults are the product's.
#include <chrono>

namespace vornalix::web {

struct GatewayTimings {
    // Limit for one reachability test (GET "/").
    std::chrono::milliseconds reachabilityLimit{5000};
    // Reachability tests after the restart request.
    int restartAttempts = 10;
    // Pause after posting the programming status.
    std::chrono::milliseconds programmingPause{1};
    // Pause after the restart request, before the restart-check status.
    std::chrono::milliseconds restartSettle{3000};
    // Pause after posting the restart-check status, before the first test.
    std::chrono::milliseconds restartCheckDelay{2000};
    // Any request that connects or moves no byte for this long fails as a network failure
    // (whole seconds; 0 waits for ever). The programming form may take 25 s.
    std::chrono::seconds stallLimit{60};
};

} // namespace vornalix::web
