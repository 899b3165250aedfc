#pragma once
// IPv4 link-local addresses (RFC 3927) for an adapter that has no address: what the adapter
// would have given itself on a system with automatic private addressing. The boot reply server
// offers the gateway the address after the server's, so both are chosen and checked together.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vornalix::hostnet {

constexpr int kLinkLocalPrefixLength = 16;

// Whether the address (network order) is in 169.254.1.0 - 169.254.254.255.
bool IsLinkLocal(std::uint32_t address);

// The attempt-th candidate for an adapter, a pseudo-random sequence seeded by its hardware
// address (raw octets), so that the same adapter gets the same address from one run to the
// next. Every candidate and the address after it are in the link-local range.
std::uint32_t LinkLocalCandidate(const std::string& hardwareAddress, int attempt);

// The answer of a probe for a set of addresses: false when another host uses one of them.
// A probe that cannot run answers true (the address is then taken unchecked).
using AddressesFree = std::function<bool(const std::vector<std::uint32_t>& addresses)>;

// The first candidate whose address and successor are free; 0 when maxAttempts candidates are
// all in use.
std::uint32_t ChooseLinkLocalAddress(const std::string& hardwareAddress, const AddressesFree& free,
                                     int maxAttempts = 10);

} // namespace vornalix::hostnet
