#include "hostnet/EmergencyAdapters.h"

#include "hostnet/InterfaceAddressTable.h"
#include "hostnet/Platform.h"
#include "hostnet/windows/AdapterTables.h"

#include <memory>

namespace vornalix::hostnet {

// The system gives an adapter without an address one of its own (automatic private addressing), so
// only adapters with an address are offered and none is given a temporary one: addressesFree is
// not needed.
EmergencyAdapterList ListEmergencyAdapters(int capacity, const AddressesFree&) {
    EmergencyAdapterList list;
    auto entries = std::make_unique<AdapterEntry[]>(kMaxTableRows);
    const int count = capacity > 0 ? ListInterfaceAddresses(*CreateMibAgent(), entries.get(), kMaxTableRows) : 0;
    AdapterTables tables;
    tables.Read(*CreateMibAgent());
    for (int i = 0; i < count && static_cast<int>(list.adapters.size()) < capacity; ++i) {
        const auto row = tables.EthernetNamed(entries[i].description);
        if (!row || !tables.Holds(row->interfaceIndex, entries[i].address))
            continue; // changed between the two readings
        EmergencyAdapter adapter;
        adapter.entry = entries[i];
        adapter.interfaceName = entries[i].description;
        adapter.interfaceIndex = row->interfaceIndex;
        list.adapters.push_back(adapter);
    }
    if (list.adapters.empty())
        list.shortage = tables.AnyEthernet() ? AdapterShortage::NoConnectedAdapter : AdapterShortage::NoAdapter;
    return list;
}

std::optional<EmergencyAdapter> FindEmergencyAdapter(const std::string& interfaceName, const AddressesFree&) {
    for (const EmergencyAdapter& adapter : ListEmergencyAdapters(kMaxTableRows).adapters)
        if (adapter.interfaceName == interfaceName)
            return adapter;
    return std::nullopt;
}

} // namespace vornalix::hostnet
