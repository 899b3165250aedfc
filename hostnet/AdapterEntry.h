#pragma once
// One Ethernet adapter as offered to the user: its description and its IPv4 address.
#include <cstdint>

namespace vornalix::hostnet {

struct AdapterEntry {
    char description[256]; // ifDescr, at most 255 characters and a terminating zero
    std::uint32_t address; // 4 octets in network order: the first octet first in memory
};

} // namespace vornalix::hostnet
