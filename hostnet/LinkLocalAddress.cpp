#include "hostnet/LinkLocalAddress.h"

#include <arpa/inet.h>

namespace vornalix::hostnet {

namespace {

// 64-bit FNV-1a, then a splitmix step per attempt: cheap and well spread.
std::uint64_t Mix(std::uint64_t value) {
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

} // namespace

bool IsLinkLocal(std::uint32_t address) {
    const std::uint32_t host = ntohl(address);
    return (host >> 16) == 0xA9FE && ((host >> 8) & 0xFF) >= 1 && ((host >> 8) & 0xFF) <= 254;
}

std::uint32_t LinkLocalCandidate(const std::string& hardwareAddress, int attempt) {
    std::uint64_t seed = 0xCBF29CE484222325ull;
    for (unsigned char c : hardwareAddress)
        seed = (seed ^ c) * 0x100000001B3ull;
    const std::uint64_t value = Mix(seed + static_cast<std::uint64_t>(attempt));
    // Third octet 1-254; fourth 1-252, so that the gateway's address (one more) stays an
    // ordinary host address.
    const std::uint32_t third = 1 + static_cast<std::uint32_t>(value % 254);
    const std::uint32_t fourth = 1 + static_cast<std::uint32_t>((value >> 16) % 252);
    return htonl(0xA9FE0000u | (third << 8) | fourth);
}

std::uint32_t ChooseLinkLocalAddress(const std::string& hardwareAddress, const AddressesFree& free, int maxAttempts) {
    for (int attempt = 0; attempt < maxAttempts; ++attempt) {
        const std::uint32_t address = LinkLocalCandidate(hardwareAddress, attempt);
        const std::uint32_t peer = htonl(ntohl(address) + 1);
        if (free({address, peer}))
            return address;
    }
    return 0;
}

} // namespace vornalix::hostnet
