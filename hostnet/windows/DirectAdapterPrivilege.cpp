#include "hostnet/windows/DirectAdapterPrivilege.h"

#include "common/DottedAddress.h"
#include "common/OfferedAddress.h"
#include "hostnet/Platform.h"
#include "hostnet/windows/AdapterTables.h"
#include "res/Resources.h"

namespace vornalix::hostnet {

DirectAdapterPrivilege::DirectAdapterPrivilege(std::function<std::unique_ptr<MibAgent>()> agents)
    : agents(agents ? std::move(agents) : [] { return CreateMibAgent(); }) {}

bool DirectAdapterPrivilege::Hold(const std::string& interfaceName, std::uint32_t address, const std::string& instead,
                                  HeldAdapter& held, std::string& failure) {
    return Open(interfaceName, address, instead, held, failure);
}

bool DirectAdapterPrivilege::Open(const std::string& interfaceName, std::uint32_t address, const std::string&,
                                  HeldAdapter& held, std::string& failure) {
    held = HeldAdapter{};
    if (address == 0) {
        // No temporary address is given here: the system did not find a free one either.
        failure = res::FormatString(res::StringId::NoFreeLinkLocalAddress, {interfaceName});
        return false;
    }
    AdapterTables tables;
    tables.Read(*agents());
    const auto row = tables.EthernetNamed(interfaceName);
    if (!row) {
        failure = res::FormatString(res::StringId::AdapterGone, {interfaceName});
        return false;
    }
    if (!tables.Holds(row->interfaceIndex, address)) {
        failure = res::FormatString(res::StringId::AddressNotOnAdapter,
                                    {interfaceName, common::FormatDottedAddress(address)});
        return false;
    }
    held.interfaceName = interfaceName;
    held.address = address;
    held.offered = common::OfferedAddress(address);
    return true;
}

} // namespace vornalix::hostnet
