#pragma once
// An IP helper library with scripted tables, recording every call in order.
#include "hostnet/IpHelper.h"

#include <set>
#include <string>
#include <vector>

namespace vornalix::hostnet {

class FakeIpHelper : public IpHelper {
public:
    std::vector<IpAdapterIndexMap> interfaces;
    std::vector<IpAdapterInfo> adapters;
    std::uint32_t interfaceInfoResult = kNoError;
    std::uint32_t adaptersInfoResult = kNoError;
    bool failLoad = false;
    std::set<std::string> missingEntryPoints;
    // Indexes whose release or renewal fails.
    std::set<std::uint32_t> failRelease;
    std::set<std::uint32_t> failRenew;

    // "Load", "GetInterfaceInfo", "IpReleaseAddress 7", "IpRenewAddress 7", "GetAdaptersInfo", "Unload".
    std::vector<std::string> calls;

    bool Load() override;
    bool HasEntryPoint(const std::string& name) override;
    void Unload() override;
    std::uint32_t GetInterfaceInfo(std::vector<IpAdapterIndexMap>& table) override;
    std::uint32_t IpReleaseAddress(const IpAdapterIndexMap& entry) override;
    std::uint32_t IpRenewAddress(const IpAdapterIndexMap& entry) override;
    std::uint32_t GetAdaptersInfo(std::vector<IpAdapterInfo>& list) override;
};

} // namespace vornalix::hostnet
