#pragma once
// Adds and removes one IPv4 address on an interface: the temporary address an adapter gets for
// an emergency transfer. An address this control adds carries a mark, so that it is told from one
// that someone else gave the same interface; only a marked address is ever removed.
#include <cstdint>
#include <string>

namespace vornalix::hostnet {

class LinkAddressControl {
public:
    virtual ~LinkAddressControl() = default;
    // The mark Add will give an address on the interface: the words recorded with the address
    // before it is added.
    virtual std::string PlannedMark(const std::string& interfaceName) = 0;
    // address in network order. 0 on success, with the words that identify the address from now
    // on in *mark (they may differ from the planned ones); else an errno value (EEXIST: the
    // address is there already, and not ours).
    virtual int Add(const std::string& interfaceName, std::uint32_t address, int prefixLength, std::string* mark) = 0;
    // Removes the address when it carries the mark; 0 also when no such address is there.
    virtual int Remove(const std::string& interfaceName, std::uint32_t address, int prefixLength,
                       const std::string& mark) = 0;
};

} // namespace vornalix::hostnet
