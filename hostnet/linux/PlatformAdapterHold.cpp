#include "hostnet/linux/PlatformAdapterHold.h"

#include "hostnet/linux/NetlinkAddressControl.h"
#include "hostnet/linux/ProcessRunner.h"

namespace vornalix::hostnet {

PlatformAdapterHold::PlatformAdapterHold()
    : runner(std::make_unique<ProcessRunner>()), addresses(std::make_unique<NetlinkAddressControl>()),
      journal(std::make_unique<HoldJournal>()), hold(std::make_unique<AdapterHold>(*runner, *addresses, *journal)) {}

PlatformAdapterHold::~PlatformAdapterHold() {
    hold.reset(); // ends the hold while its pieces still exist
}

bool PlatformAdapterHold::Begin(const std::string& interfaceName, std::uint32_t interfaceIndex,
                                std::uint32_t temporaryAddress, std::string* failure) {
    return hold->Begin(interfaceName, interfaceIndex, temporaryAddress, failure);
}

void PlatformAdapterHold::End() {
    hold->End();
}

LinkManager PlatformAdapterHold::Manager() const {
    return hold->Manager();
}

} // namespace vornalix::hostnet
