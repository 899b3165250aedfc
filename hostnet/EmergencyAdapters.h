#pragma once
// The adapters offered for an emergency transfer: every Ethernet adapter with an IPv4 address
// (as ListInterfaceAddresses lists them), and every wired Ethernet adapter that is up with
// carrier but has no IPv4 address, with the link-local address it will be given for the
// transfer. Wi-Fi adapters without an address are not offered (a boot loader is never on Wi-Fi).
#include "hostnet/AdapterEntry.h"
#include "hostnet/LinkLocalAddress.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vornalix::hostnet {

struct EmergencyAdapter {
    AdapterEntry entry; // description, and the address the servers listen on
    std::string interfaceName;
    std::uint32_t interfaceIndex = 0;
    bool temporaryAddress = false; // entry.address is added for the transfer and removed after it
};

// Why nothing is offered.
enum class AdapterShortage {
    None,
    NoAdapter,          // no Ethernet or Wi-Fi adapter at all
    NoConnectedAdapter, // adapters, but none with an address or a cable plugged in (carrier)
};

struct EmergencyAdapterList {
    std::vector<EmergencyAdapter> adapters; // ascending interface index
    AdapterShortage shortage = AdapterShortage::None;
};

// Lists up to capacity adapters of this network namespace. addressesFree checks a link-local
// candidate on its link; empty: ARP probes on the adapter (taken unchecked where they cannot be
// sent).
EmergencyAdapterList ListEmergencyAdapters(int capacity, const AddressesFree& addressesFree = {});

// The adapter named interfaceName, with its first usable address or, when it has no IPv4
// address, a link-local one (carrier or not: the gateway may still be off). nullopt when no
// Ethernet adapter has that name or every link-local candidate is taken.
std::optional<EmergencyAdapter> FindEmergencyAdapter(const std::string& interfaceName,
                                                     const AddressesFree& addressesFree = {});

// The plain-words advice for a shortage, in the user interface's language ("" for None).
std::string ShortageAdvice(AdapterShortage shortage);

} // namespace vornalix::hostnet
