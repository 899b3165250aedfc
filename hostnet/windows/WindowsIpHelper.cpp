#include "hostnet/windows/WindowsIpHelper.h"

#include <iphlpapi.h>
#include <windows.h>
#include <winsock2.h>

#include <cstring>

namespace vornalix::hostnet {

namespace {

using GetInterfaceInfoCall = DWORD(WINAPI*)(PIP_INTERFACE_INFO, PULONG);
using LeaseCall = DWORD(WINAPI*)(PIP_ADAPTER_INDEX_MAP);
using GetAdaptersInfoCall = DWORD(WINAPI*)(PIP_ADAPTER_INFO, PULONG);

// The size GetAdaptersInfo is first offered: one record's worth of an early library.
constexpr ULONG kFirstAdaptersInfoSize = 640;

} // namespace

WindowsIpHelper::~WindowsIpHelper() {
    Unload();
}

bool WindowsIpHelper::Load() {
    if (module == nullptr)
        module = LoadLibraryA("IPHLPAPI.DLL");
    return module != nullptr;
}

void* WindowsIpHelper::EntryPoint(const char* name) const {
    if (module == nullptr)
        return nullptr;
    return reinterpret_cast<void*>(reinterpret_cast<void (*)()>(GetProcAddress(static_cast<HMODULE>(module), name)));
}

bool WindowsIpHelper::HasEntryPoint(const std::string& name) {
    return EntryPoint(name.c_str()) != nullptr;
}

void WindowsIpHelper::ReleaseInterfaceInfo() {
    if (interfaceInfo != nullptr)
        GlobalFree(interfaceInfo);
    interfaceInfo = nullptr;
}

void WindowsIpHelper::Unload() {
    ReleaseInterfaceInfo();
    if (module != nullptr)
        FreeLibrary(static_cast<HMODULE>(module));
    module = nullptr;
}

std::uint32_t WindowsIpHelper::GetInterfaceInfo(std::vector<IpAdapterIndexMap>& table) {
    table.clear();
    ReleaseInterfaceInfo();
    const auto call = reinterpret_cast<GetInterfaceInfoCall>(EntryPoint("GetInterfaceInfo"));
    if (call == nullptr)
        return ERROR_PROC_NOT_FOUND;
    ULONG size = 0;
    DWORD status = call(nullptr, &size);
    if (status != ERROR_INSUFFICIENT_BUFFER)
        return status == NO_ERROR ? ERROR_NO_DATA : status;
    interfaceInfo = GlobalAlloc(GMEM_ZEROINIT, size);
    if (interfaceInfo == nullptr)
        return ERROR_NOT_ENOUGH_MEMORY;
    status = call(static_cast<PIP_INTERFACE_INFO>(interfaceInfo), &size);
    if (status != NO_ERROR) {
        ReleaseInterfaceInfo();
        return status;
    }
    const auto* info = static_cast<const IP_INTERFACE_INFO*>(interfaceInfo);
    for (LONG i = 0; i < info->NumAdapters; ++i)
        table.push_back({info->Adapter[i].Index, info->Adapter[i].Name});
    return NO_ERROR;
}

std::uint32_t WindowsIpHelper::ChangeLease(const char* entryPoint, const IpAdapterIndexMap& entry) {
    const auto call = reinterpret_cast<LeaseCall>(EntryPoint(entryPoint));
    if (call == nullptr)
        return ERROR_PROC_NOT_FOUND;
    auto* info = static_cast<IP_INTERFACE_INFO*>(interfaceInfo);
    for (LONG i = 0; info != nullptr && i < info->NumAdapters; ++i)
        if (info->Adapter[i].Index == entry.Index && entry.Name == info->Adapter[i].Name)
            return call(&info->Adapter[i]);
    // Not an entry of the table read last.
    return ERROR_INVALID_PARAMETER;
}

std::uint32_t WindowsIpHelper::IpReleaseAddress(const IpAdapterIndexMap& entry) {
    return ChangeLease("IpReleaseAddress", entry);
}

std::uint32_t WindowsIpHelper::IpRenewAddress(const IpAdapterIndexMap& entry) {
    return ChangeLease("IpRenewAddress", entry);
}

std::uint32_t WindowsIpHelper::GetAdaptersInfo(std::vector<IpAdapterInfo>& adapters) {
    adapters.clear();
    const auto call = reinterpret_cast<GetAdaptersInfoCall>(EntryPoint("GetAdaptersInfo"));
    if (call == nullptr)
        return ERROR_PROC_NOT_FOUND;
    ULONG size = kFirstAdaptersInfoSize;
    HGLOBAL buffer = nullptr;
    DWORD status = ERROR_BUFFER_OVERFLOW;
    // The list may grow between the calls: ask again while the library says the block is short.
    for (int attempt = 0; attempt < 4 && status == ERROR_BUFFER_OVERFLOW; ++attempt) {
        if (buffer != nullptr)
            GlobalFree(buffer);
        buffer = GlobalAlloc(GMEM_ZEROINIT, size);
        if (buffer == nullptr)
            return ERROR_NOT_ENOUGH_MEMORY;
        status = call(static_cast<PIP_ADAPTER_INFO>(buffer), &size);
    }
    if (status == NO_ERROR) {
        for (auto* adapter = static_cast<const IP_ADAPTER_INFO*>(buffer); adapter != nullptr; adapter = adapter->Next) {
            IpAdapterInfo record{adapter->Index, {}};
            for (const IP_ADDR_STRING* address = &adapter->IpAddressList; address != nullptr; address = address->Next)
                record.IpAddressList.emplace_back(address->IpAddress.String,
                                                  strnlen(address->IpAddress.String, sizeof address->IpAddress.String));
            adapters.push_back(std::move(record));
        }
    }
    GlobalFree(buffer);
    return status;
}

} // namespace vornalix::hostnet
