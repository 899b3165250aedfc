#pragma once
// IPv4 addresses as text: "%d.%d.%d.%d", first octet in memory first (network byte order reads naturally).
#include <cstdint>
#include <string>

namespace vornalix::common {

// Writes the address into buffer (16 octets) and returns buffer.
char* FormatDottedAddress(std::uint32_t address, char* buffer);
std::string FormatDottedAddress(std::uint32_t address);

} // namespace vornalix::common
