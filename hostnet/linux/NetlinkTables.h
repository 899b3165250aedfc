#pragma once
// The kernel's link and IPv4 address tables, dumped over rtnetlink in the calling thread's
// network namespace.
#include <cstdint>
#include <string>
#include <vector>

namespace vornalix::hostnet {

struct LinkRecord {
    std::uint32_t index = 0;
    std::string name;
    std::uint16_t arpType = 0; // ARPHRD_*
    std::uint32_t flags = 0;   // IFF_*
    std::uint32_t mtu = 0;
    std::string hardwareAddress; // raw octets
    std::uint8_t operState = 0;  // IF_OPER_*
    std::uint32_t master = 0;    // the bridge or bond the link belongs to; 0: none
    std::string kind;            // the driver kind of a virtual link ("veth", "bridge", ...); "" for hardware
};

struct AddressRecord {
    std::uint32_t index = 0;
    std::uint32_t address = 0; // network order
    std::uint8_t prefixLength = 0;
    std::string label;
    std::uint8_t protocol = 0;      // IFA_PROTO (kernels from 6.1); 0: none given
    std::uint32_t createdStamp = 0; // IFA_CACHEINFO cstamp: hundredths of a second since boot
};

class NetlinkTables {
public:
    // Reads both tables; false when the kernel could not be asked. Links come in index order,
    // addresses in the kernel's order (an interface's primary addresses first).
    bool Read();

    std::vector<LinkRecord> links;
    std::vector<AddressRecord> addresses;
};

} // namespace vornalix::hostnet
