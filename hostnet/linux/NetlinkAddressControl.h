#pragma once
// Adds and removes IPv4 addresses over rtnetlink in this process's network namespace (needs
// CAP_NET_ADMIN; no helper program, so file capabilities of the calling program suffice).
#include "hostnet/LinkAddressControl.h"

namespace vornalix::hostnet {

class NetlinkAddressControl : public LinkAddressControl {
public:
    int Add(const std::string& interfaceName, std::uint32_t address, int prefixLength) override;
    int Remove(const std::string& interfaceName, std::uint32_t address, int prefixLength) override;
};

} // namespace vornalix::hostnet
