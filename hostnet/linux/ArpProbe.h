#pragma once
// ARP probes (RFC 5227) on one link: whether another host already uses an IPv4 address there.
// Needs a packet socket, that is CAP_NET_RAW.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace vornalix::hostnet {

enum class ProbeOutcome { Free, InUse, CannotProbe };

struct ProbeResult {
    ProbeOutcome outcome = ProbeOutcome::CannotProbe;
    int error = 0; // errno when the probes could not be sent
};

class ArpProbe {
public:
    explicit ArpProbe(int probes = 3, std::chrono::milliseconds interval = std::chrono::milliseconds(200),
                      std::chrono::milliseconds finalWait = std::chrono::milliseconds(400));
    // Probes for all the addresses (network order) at once: InUse when any is answered for, or
    // probed for by another host at the same time.
    ProbeResult Probe(const std::string& interfaceName, const std::vector<std::uint32_t>& addresses) const;

private:
    int probes;
    std::chrono::milliseconds interval;
    std::chrono::milliseconds finalWait;
};

} // namespace vornalix::hostnet
