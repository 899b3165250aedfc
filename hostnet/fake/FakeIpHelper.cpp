#include "hostnet/fake/FakeIpHelper.h"

namespace vornalix::hostnet {

bool FakeIpHelper::Load() {
    calls.push_back("Load");
    return !failLoad;
}

bool FakeIpHelper::HasEntryPoint(const std::string& name) {
    return missingEntryPoints.count(name) == 0;
}

void FakeIpHelper::Unload() {
    calls.push_back("Unload");
}

std::uint32_t FakeIpHelper::GetInterfaceInfo(std::vector<IpAdapterIndexMap>& table) {
    calls.push_back("GetInterfaceInfo");
    if (interfaceInfoResult == kNoError)
        table = interfaces;
    return interfaceInfoResult;
}

std::uint32_t FakeIpHelper::IpReleaseAddress(const IpAdapterIndexMap& entry) {
    calls.push_back("IpReleaseAddress " + std::to_string(entry.Index));
    return failRelease.count(entry.Index) != 0 ? 1 : kNoError;
}

std::uint32_t FakeIpHelper::IpRenewAddress(const IpAdapterIndexMap& entry) {
    calls.push_back("IpRenewAddress " + std::to_string(entry.Index));
    return failRenew.count(entry.Index) != 0 ? 1 : kNoError;
}

std::uint32_t FakeIpHelper::GetAdaptersInfo(std::vector<IpAdapterInfo>& list) {
    calls.push_back("GetAdaptersInfo");
    if (adaptersInfoResult == kNoError)
        list = adapters;
    return adaptersInfoResult;
}

} // namespace vornalix::hostnet
