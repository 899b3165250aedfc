#include "hostnet/Platform.h"

#include "hostnet/AdapterPrivilege.h"

#include <mutex>

#if defined(__linux__)
#include "hostnet/linux/HelperClient.h"
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

namespace {

std::mutex privilegeMutex;
int givenHelperSocket = -1;

} // namespace

void SetGivenHelperSocket(int socket) {
    std::lock_guard lock(privilegeMutex);
    givenHelperSocket = socket;
}

std::shared_ptr<AdapterPrivilege> SharedAdapterPrivilege() {
    std::lock_guard lock(privilegeMutex);
    static std::shared_ptr<AdapterPrivilege> shared;
    if (!shared)
        shared = std::make_shared<HelperClient>(givenHelperSocket, HelperClient::PlatformLaunch());
    return shared;
}

} // namespace vornalix::hostnet
