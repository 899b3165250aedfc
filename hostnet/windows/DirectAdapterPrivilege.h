#pragma once
// The adapter steps where no privilege is needed to take them: any user may open the BOOTP and TFTP
// ports, so nothing is held and no port is opened here. Hold and Open only check that the adapter
// (named by its description) still holds the address; the servers then open their ports themselves.
#include "hostnet/AdapterPrivilege.h"
#include "hostnet/MibAgent.h"

#include <functional>
#include <memory>

namespace vornalix::hostnet {

class DirectAdapterPrivilege : public AdapterPrivilege {
public:
    // agents: a fresh agent for each check (the platform's by default).
    explicit DirectAdapterPrivilege(std::function<std::unique_ptr<MibAgent>()> agents = {});

    bool Hold(const std::string& interfaceName, std::uint32_t address, const std::string& instead, HeldAdapter& held,
              std::string& failure) override;
    bool Open(const std::string& interfaceName, std::uint32_t address, const std::string& instead, HeldAdapter& held,
              std::string& failure) override;
    void End() override {}
    bool Lost() override { return false; }

private:
    std::function<std::unique_ptr<MibAgent>()> agents;
};

} // namespace vornalix::hostnet
