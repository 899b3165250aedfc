#include "hostnet/AdapterLease.h"

#include "hostnet/OsVersionWord.h"
#include "hostnet/Platform.h"

#include <memory>

namespace vornalix::hostnet {

namespace {

enum class LeaseAction { Release, Renew };

int ChangeLease(IpHelper& library, std::uint16_t osVersionWord, std::uint32_t interfaceIndex, LeaseAction action) {
    if (IsVersion40(osVersionWord))
        return 0;
    if (!library.Load())
        return 0;
    const char* entryPoint = action == LeaseAction::Release ? "IpReleaseAddress" : "IpRenewAddress";
    std::vector<IpAdapterIndexMap> table;
    int result = 0;
    if (library.HasEntryPoint("GetInterfaceInfo") && library.HasEntryPoint(entryPoint) &&
        library.GetInterfaceInfo(table) == kNoError) {
        result = 1;
        for (const IpAdapterIndexMap& entry : table) {
            if (entry.Index != interfaceIndex)
                continue;
            const std::uint32_t status =
                action == LeaseAction::Release ? library.IpReleaseAddress(entry) : library.IpRenewAddress(entry);
            if (status != kNoError) {
                result = 0;
                break;
            }
        }
    }
    library.Unload();
    return result;
}

// Reads the adapter list; false (with the library unloaded) when it cannot.
bool ReadAdapters(IpHelper& library, std::vector<IpAdapterInfo>& adapters) {
    if (!library.Load())
        return false;
    if (!library.HasEntryPoint("GetAdaptersInfo") || library.GetAdaptersInfo(adapters) != kNoError) {
        library.Unload();
        return false;
    }
    return true;
}

std::string FirstAddress(const IpAdapterInfo& adapter) {
    return adapter.IpAddressList.empty() ? std::string() : adapter.IpAddressList.front();
}

} // namespace

int ReleaseAdapterLease(IpHelper& library, std::uint16_t osVersionWord, std::uint32_t interfaceIndex) {
    return ChangeLease(library, osVersionWord, interfaceIndex, LeaseAction::Release);
}

int RenewAdapterLease(IpHelper& library, std::uint16_t osVersionWord, std::uint32_t interfaceIndex) {
    return ChangeLease(library, osVersionWord, interfaceIndex, LeaseAction::Renew);
}

std::uint32_t FindAdapterByAddress(IpHelper& library, std::uint16_t osVersionWord, const std::string& address) {
    if (IsVersion40(osVersionWord))
        return 0;
    std::vector<IpAdapterInfo> adapters;
    if (!ReadAdapters(library, adapters))
        return 0;
    std::uint32_t index = 0;
    for (const IpAdapterInfo& adapter : adapters) {
        if (FirstAddress(adapter) == address) {
            index = adapter.Index;
            break;
        }
    }
    library.Unload();
    return index;
}

std::uint32_t FindAdapterBySubnet(IpHelper& library, std::uint16_t osVersionWord, const std::string& prefix) {
    if (IsVersion40(osVersionWord))
        return 0;
    std::vector<IpAdapterInfo> adapters;
    if (!ReadAdapters(library, adapters))
        return 0;
    // The records are the program's own copy: the library can go now.
    library.Unload();
    for (const IpAdapterInfo& adapter : adapters) {
        const std::string address = FirstAddress(adapter);
        const std::size_t dot = address.rfind('.');
        const std::string cut = dot == std::string::npos ? std::string() : address.substr(0, dot);
        if (cut == prefix)
            return adapter.Index;
    }
    return 0;
}

int ReleaseAdapterLease(std::uint32_t interfaceIndex) {
    std::unique_ptr<IpHelper> library = CreateIpHelper();
    return ReleaseAdapterLease(*library, OsVersionWord(), interfaceIndex);
}

int RenewAdapterLease(std::uint32_t interfaceIndex) {
    std::unique_ptr<IpHelper> library = CreateIpHelper();
    return RenewAdapterLease(*library, OsVersionWord(), interfaceIndex);
}

std::uint32_t FindAdapterByAddress(const std::string& address) {
    std::unique_ptr<IpHelper> library = CreateIpHelper();
    return FindAdapterByAddress(*library, OsVersionWord(), address);
}

std::uint32_t FindAdapterBySubnet(const std::string& prefix) {
    std::unique_ptr<IpHelper> library = CreateIpHelper();
    return FindAdapterBySubnet(*library, OsVersionWord(), prefix);
}

} // namespace vornalix::hostnet
