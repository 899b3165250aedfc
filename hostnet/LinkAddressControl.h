#pragma once
// Adds and removes one IPv4 address on an interface: the temporary address an adapter gets for
// an emergency transfer.
#include <cstdint>
#include <string>

namespace vornalix::hostnet {

class LinkAddressControl {
public:
    virtual ~LinkAddressControl() = default;
    // address in network order. 0 on success (also when the address is already there, for Add,
    // or already gone, for Remove), else an errno value.
    virtual int Add(const std::string& interfaceName, std::uint32_t address, int prefixLength) = 0;
    // Removes only an address that this control added.
    virtual int Remove(const std::string& interfaceName, std::uint32_t address, int prefixLength) = 0;
};

} // namespace vornalix::hostnet
