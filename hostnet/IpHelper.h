#pragma once
// The IP helper library as the lease and adapter operations use it: loaded for one
// operation, its entry points looked up by name, unloaded before the operation returns.
// The Windows backend wraps "IPHLPAPI.DLL" and converts its records into these; the Linux
// backend reads the kernel's tables and drives the interface's DHCP client.
#include <cstdint>
#include <string>
#include <vector>

namespace vornalix::hostnet {

// Results as the library reports them.
constexpr std::uint32_t kNoError = 0;
constexpr std::uint32_t kErrorNotSupported = 50;
constexpr std::uint32_t kErrorInsufficientBuffer = 122;
constexpr std::uint32_t kErrorNoData = 232;

// IP_ADAPTER_INDEX_MAP: one entry of the interface table.
struct IpAdapterIndexMap {
    std::uint32_t Index;
    std::wstring Name;
};

// IP_ADAPTER_INFO, the fields read here: the adapter's index and its IPv4 addresses as
// dotted texts, the first address first.
struct IpAdapterInfo {
    std::uint32_t Index;
    std::vector<std::string> IpAddressList;
};

class IpHelper {
public:
    virtual ~IpHelper() = default;
    // Loads the library; false when it cannot be loaded.
    virtual bool Load() = 0;
    // Whether the loaded library has the named entry point.
    virtual bool HasEntryPoint(const std::string& name) = 0;
    virtual void Unload() = 0;

    // GetInterfaceInfo: the interface table in the library's order; kNoError or an error code.
    virtual std::uint32_t GetInterfaceInfo(std::vector<IpAdapterIndexMap>& table) = 0;
    // IpReleaseAddress / IpRenewAddress on one entry of the table just read.
    virtual std::uint32_t IpReleaseAddress(const IpAdapterIndexMap& entry) = 0;
    virtual std::uint32_t IpRenewAddress(const IpAdapterIndexMap& entry) = 0;
    // GetAdaptersInfo: the adapter list in the library's order; kNoError or an error code.
    virtual std::uint32_t GetAdaptersInfo(std::vector<IpAdapterInfo>& adapters) = 0;
};

} // namespace vornalix::hostnet
