#pragma once
// "IPHLPAPI.DLL" loaded at run time: its entry points are looked up by name, and the library is
// released by Unload. The interface table read last is kept in the library's own records, so
// that a release or renewal is handed the library's entry rather than a copy.
#include "hostnet/IpHelper.h"

namespace vornalix::hostnet {

class WindowsIpHelper : public IpHelper {
public:
    WindowsIpHelper() = default;
    ~WindowsIpHelper() override;
    WindowsIpHelper(const WindowsIpHelper&) = delete;
    WindowsIpHelper& operator=(const WindowsIpHelper&) = delete;

    bool Load() override;
    bool HasEntryPoint(const std::string& name) override;
    void Unload() override;
    std::uint32_t GetInterfaceInfo(std::vector<IpAdapterIndexMap>& table) override;
    std::uint32_t IpReleaseAddress(const IpAdapterIndexMap& entry) override;
    std::uint32_t IpRenewAddress(const IpAdapterIndexMap& entry) override;
    std::uint32_t GetAdaptersInfo(std::vector<IpAdapterInfo>& adapters) override;

    // Whether the library is held (between Load and Unload).
    bool Loaded() const { return module != nullptr; }

private:
    void* EntryPoint(const char* name) const;
    std::uint32_t ChangeLease(const char* entryPoint, const IpAdapterIndexMap& entry);
    void ReleaseInterfaceInfo();

    void* module = nullptr;        // HMODULE
    void* interfaceInfo = nullptr; // IP_INTERFACE_INFO in a GlobalAlloc block
};

} // namespace vornalix::hostnet
