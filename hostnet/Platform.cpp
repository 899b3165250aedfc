#include "hostnet/Platform.h"

#if defined(__linux__)
#include "hostnet/linux/LinuxIpHelper.h"
#include "hostnet/linux/LinuxMibAgent.h"
#include "hostnet/linux/LinuxRegistry.h"
#include "hostnet/linux/LinuxSystemControl.h"
#else
#error "hostnet has no backend for this platform yet"
#endif

namespace vornalix::hostnet {

// Linux has no Windows version number; 0 means "other system", never the kernel's version.
std::uint16_t PlatformOsVersionWord() {
    return 0;
}

std::unique_ptr<MibAgent> CreateMibAgent() {
    return std::make_unique<LinuxMibAgent>();
}
std::unique_ptr<IpHelper> CreateIpHelper() {
    return std::make_unique<LinuxIpHelper>();
}
std::unique_ptr<Registry> CreateRegistry() {
    return std::make_unique<LinuxRegistry>();
}
std::unique_ptr<SystemControl> CreateSystemControl() {
    return std::make_unique<LinuxSystemControl>();
}

} // namespace vornalix::hostnet
