#pragma once
// The IP helper calls over the kernel's tables: adapters are the non-loopback links in
// index order, each with its IPv4 addresses in the kernel's order; release and renewal go
// through the DHCP client that manages the interface.
#include "hostnet/IpHelper.h"
#include "hostnet/linux/DhcpClientControl.h"

namespace vornalix::hostnet {

class LinuxIpHelper : public IpHelper {
public:
    // Uses the process-wide client control, which runs the real client commands.
    LinuxIpHelper();
    explicit LinuxIpHelper(DhcpClientControl& control);

    bool Load() override;
    bool HasEntryPoint(const std::string& name) override;
    void Unload() override;
    std::uint32_t GetInterfaceInfo(std::vector<IpAdapterIndexMap>& table) override;
    std::uint32_t IpReleaseAddress(const IpAdapterIndexMap& entry) override;
    std::uint32_t IpRenewAddress(const IpAdapterIndexMap& entry) override;
    std::uint32_t GetAdaptersInfo(std::vector<IpAdapterInfo>& adapters) override;

private:
    DhcpClientControl& control;
    bool loaded = false;
};

} // namespace vornalix::hostnet
