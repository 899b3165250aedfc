#pragma once
// An AdapterHold over the platform's own pieces: programs run from PATH (nmcli, networkctl),
// addresses set by netlink, the journal in its default folder. What the transfer page and
// vornalix-recover hold the chosen adapter with.
#include "hostnet/linux/AdapterHold.h"

#include <memory>

namespace vornalix::hostnet {

class PlatformAdapterHold {
public:
    PlatformAdapterHold();
    ~PlatformAdapterHold();
    PlatformAdapterHold(const PlatformAdapterHold&) = delete;
    PlatformAdapterHold& operator=(const PlatformAdapterHold&) = delete;

    // As AdapterHold::Begin and End; the destructor ends the hold too.
    bool Begin(const std::string& interfaceName, std::uint32_t interfaceIndex, std::uint32_t temporaryAddress,
               std::string* failure);
    void End();
    LinkManager Manager() const;

private:
    std::unique_ptr<CommandRunner> runner;
    std::unique_ptr<LinkAddressControl> addresses;
    std::unique_ptr<HoldJournal> journal;
    std::unique_ptr<AdapterHold> hold;
};

} // namespace vornalix::hostnet
