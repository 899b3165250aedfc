#include "hostnet/linux/LinuxIpHelper.h"

#include "common/DottedAddress.h"
#include "hostnet/linux/NetlinkTables.h"
#include "hostnet/linux/ProcessRunner.h"

#include <net/if.h>

namespace vornalix::hostnet {

namespace {

DhcpClientControl& ProcessWideControl() {
    static ProcessRunner runner;
    static DhcpClientControl control(runner);
    return control;
}

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text)
        narrow += static_cast<char>(c);
    return narrow;
}

} // namespace

LinuxIpHelper::LinuxIpHelper() : control(ProcessWideControl()) {}

LinuxIpHelper::LinuxIpHelper(DhcpClientControl& control) : control(control) {}

bool LinuxIpHelper::Load() {
    loaded = true;
    return true;
}

bool LinuxIpHelper::HasEntryPoint(const std::string& name) {
    return loaded && (name == "GetInterfaceInfo" || name == "IpReleaseAddress" || name == "IpRenewAddress" ||
                      name == "GetAdaptersInfo");
}

void LinuxIpHelper::Unload() {
    loaded = false;
}

std::uint32_t LinuxIpHelper::GetInterfaceInfo(std::vector<IpAdapterIndexMap>& table) {
    table.clear();
    NetlinkTables tables;
    if (!tables.Read())
        return kErrorNoData;
    for (const LinkRecord& link : tables.links)
        if ((link.flags & IFF_LOOPBACK) == 0)
            table.push_back({link.index, std::wstring(link.name.begin(), link.name.end())});
    return kNoError;
}

std::uint32_t LinuxIpHelper::IpReleaseAddress(const IpAdapterIndexMap& entry) {
    return control.Release(Narrow(entry.Name), entry.Index);
}

std::uint32_t LinuxIpHelper::IpRenewAddress(const IpAdapterIndexMap& entry) {
    return control.Renew(Narrow(entry.Name), entry.Index);
}

std::uint32_t LinuxIpHelper::GetAdaptersInfo(std::vector<IpAdapterInfo>& adapters) {
    adapters.clear();
    NetlinkTables tables;
    if (!tables.Read())
        return kErrorNoData;
    for (const LinkRecord& link : tables.links) {
        if ((link.flags & IFF_LOOPBACK) != 0)
            continue;
        IpAdapterInfo adapter{link.index, {}};
        for (const AddressRecord& record : tables.addresses) {
            if (record.index != link.index)
                continue;
            adapter.IpAddressList.emplace_back(common::FormatDottedAddress(record.address));
        }
        // As the Windows list does, an adapter without an address shows 0.0.0.0.
        if (adapter.IpAddressList.empty())
            adapter.IpAddressList.emplace_back("0.0.0.0");
        adapters.push_back(std::move(adapter));
    }
    return adapters.empty() ? kErrorNoData : kNoError;
}

} // namespace vornalix::hostnet
