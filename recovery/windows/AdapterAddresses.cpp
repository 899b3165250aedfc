#include "recovery/AdapterInterface.h"

#include <iphlpapi.h>
#include <windows.h>

namespace vornalix::recovery {

namespace {

std::string Utf8(const wchar_t* text) {
    if (text == nullptr)
        return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1)
        return {};
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), bytes, nullptr, nullptr);
    utf8.pop_back();
    return utf8;
}

} // namespace

std::optional<std::vector<AdapterAddress>> ListAdapterAddresses() {
    constexpr ULONG kFlags = GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER;
    // The table may grow between the call that sizes it and the one that fills it: try again a few times.
    std::vector<unsigned char> buffer(16 * 1024);
    ULONG size = static_cast<ULONG>(buffer.size());
    ULONG result = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        buffer.resize(size);
        result = GetAdaptersAddresses(AF_INET, kFlags, nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data()),
                                      &size);
    }
    if (result == ERROR_NO_DATA)
        return std::vector<AdapterAddress>{};
    if (result != NO_ERROR)
        return std::nullopt;
    std::vector<AdapterAddress> addresses;
    for (auto* adapter = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(buffer.data()); adapter != nullptr;
         adapter = adapter->Next) {
        const AdapterInterface entry{Utf8(adapter->FriendlyName), static_cast<int>(adapter->IfIndex), 32,
                                     adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK};
        for (auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr; unicast = unicast->Next) {
            const sockaddr* address = unicast->Address.lpSockaddr;
            if (address == nullptr || address->sa_family != AF_INET)
                continue;
            AdapterAddress own{reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr, entry};
            own.adapter.prefixLength = unicast->OnLinkPrefixLength;
            addresses.push_back(own);
        }
    }
    return addresses;
}

} // namespace vornalix::recovery
