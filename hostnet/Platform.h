#pragma once
// The platform's backends, chosen when the library is built.
#include "hostnet/IpHelper.h"
#include "hostnet/MibAgent.h"
#include "hostnet/Registry.h"
#include "hostnet/SystemControl.h"

#include <cstdint>
#include <memory>

namespace vornalix::hostnet {

// The running system's version word (0 where the system has no such version).
std::uint16_t PlatformOsVersionWord();
std::unique_ptr<MibAgent> CreateMibAgent();
std::unique_ptr<IpHelper> CreateIpHelper();
std::unique_ptr<Registry> CreateRegistry();
std::unique_ptr<SystemControl> CreateSystemControl();

} // namespace vornalix::hostnet
