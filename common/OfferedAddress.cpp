#include "common/OfferedAddress.h"

namespace vornalix::common {

std::uint32_t OfferedAddress(std::uint32_t serverAddress) {
    std::uint32_t address = serverAddress;
    auto* octets = reinterpret_cast<unsigned char*>(&address);
    const unsigned char last = static_cast<unsigned char>(octets[3] + 1);
    octets[3] = (last == 0 || last == 254 || last == 255) ? 1 : last;
    return address;
}

} // namespace vornalix::common
