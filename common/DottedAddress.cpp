#include "common/DottedAddress.h"

#include <cstdio>

namespace vornalix::common {

char* FormatDottedAddress(std::uint32_t address, char* buffer) {
    const auto* octets = reinterpret_cast<const std::uint8_t*>(&address);
    std::snprintf(buffer, 16, "%d.%d.%d.%d", octets[0], octets[1], octets[2], octets[3]);
    return buffer;
}

std::string FormatDottedAddress(std::uint32_t address) {
    char buffer[16];
    return FormatDottedAddress(address, buffer);
}

} // namespace vornalix::common
