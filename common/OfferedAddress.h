#pragma once
// The address a boot reply offers the gateway next to the server's own: what the adapter helper announces and
// the boot reply server puts in the reply.
#include <cstdint>

namespace vornalix::common {

// serverAddress and the result in network order: last octet + 1, and .1 instead of .0, .254 and .255.
std::uint32_t OfferedAddress(std::uint32_t serverAddress);

} // namespace vornalix::common
