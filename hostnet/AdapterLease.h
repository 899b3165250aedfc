#pragma once
// Finding the adapter that faces the gateway and releasing and renewing its DHCP lease.
// Each operation loads the IP helper library, uses it and unloads it before it returns;
// on version 4.0 every operation returns 0 without loading anything. No message is shown.
#include "hostnet/IpHelper.h"

#include <cstdint>
#include <string>

namespace vornalix::hostnet {

// 1: every interface with the index was released (also when none has it); 0: version 4.0,
// the library or the interface table could not be read, or a release failed (later
// interfaces are then not visited).
int ReleaseAdapterLease(IpHelper& library, std::uint16_t osVersionWord, std::uint32_t interfaceIndex);
// As ReleaseAdapterLease, for renewal.
int RenewAdapterLease(IpHelper& library, std::uint16_t osVersionWord, std::uint32_t interfaceIndex);
// The index of the first adapter whose first address text equals address exactly; 0 when none
// does, on version 4.0, or when the adapter list cannot be read.
std::uint32_t FindAdapterByAddress(IpHelper& library, std::uint16_t osVersionWord, const std::string& address);
// The index of the first adapter whose first address text, cut before its last '.', equals
// prefix (for example "192.168.1"); 0 as above.
std::uint32_t FindAdapterBySubnet(IpHelper& library, std::uint16_t osVersionWord, const std::string& prefix);

// The same over the platform's library and the process's OsVersionWord.
int ReleaseAdapterLease(std::uint32_t interfaceIndex);
int RenewAdapterLease(std::uint32_t interfaceIndex);
std::uint32_t FindAdapterByAddress(const std::string& address);
std::uint32_t FindAdapterBySubnet(const std::string& prefix);

} // namespace vornalix::hostnet
