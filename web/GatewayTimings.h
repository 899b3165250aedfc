#pragma once
// Time limits and pauses of the gateway exchanges. Tests shorten them; the defaults are the product's.
// Every request has an overall limit that a working gateway never meets: an answer that never
// ends, or trickles, fails as a time-out instead of holding the wizard.
#include <chrono>
#include <cstdint>

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
    // (whole seconds; 0 waits for ever).
    std::chrono::seconds stallLimit{60};
    // Each request of the system-information query: a page of a few kilobytes, which a gateway
    // that answers the 5 s reachability test sends within a second.
    std::chrono::milliseconds infoLimit{20000};
    // The upload: a base for connecting and the answer, plus one second per uploadBytesPerSecond
    // of body (a twentieth of what 10 Mbit/s Ethernet carries).
    std::chrono::milliseconds uploadLimit{60000};
    std::uint64_t uploadBytesPerSecond = 64 * 1024;
    // One programming-form post: the gateway programs its flash before it answers, in up to 25 s.
    std::chrono::milliseconds programLimit{45000};
    // One restart-form post: the gateway answers at once and restarts afterwards.
    std::chrono::milliseconds restartFormLimit{20000};
};

} // namespace vornalix::web
