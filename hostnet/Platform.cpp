#include "hostnet/Platform.h"

#include "hostnet/AdapterPrivilege.h"

#include <mutex>

#if defined(__linux__)
#include "hostnet/linux/HelperClient.h"
#include "hostnet/linux/LinuxIpHelper.h"
#include "hostnet/linux/LinuxMibAgent.h"
#include "hostnet/linux/LinuxRegistry.h"
#include "hostnet/linux/LinuxSystemControl.h"

#include <cstdlib>
#elif defined(_WIN32)
#include "hostnet/windows/DirectAdapterPrivilege.h"
#include "hostnet/windows/WindowsIpHelper.h"
#include "hostnet/windows/WindowsMibAgent.h"
#include "hostnet/windows/WindowsRegistry.h"
#include "hostnet/windows/WindowsSystemControl.h"

#include <windows.h>
#else
#error "hostnet has no backend for this platform yet"
#endif

namespace vornalix::hostnet {

#if defined(__linux__)

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

void* MibAlloc(std::size_t size) {
    return std::calloc(1, size == 0 ? 1 : size);
}
void MibFree(void* p) {
    std::free(p);
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

#elif defined(_WIN32)

// GetVersion's low word holds the major version in its low octet and the minor in its high one.
std::uint16_t PlatformOsVersionWord() {
    const WORD low = LOWORD(GetVersion());
    return static_cast<std::uint16_t>(LOBYTE(low) << 8 | HIBYTE(low));
}

std::unique_ptr<MibAgent> CreateMibAgent() {
    return std::make_unique<WindowsMibAgent>();
}
std::unique_ptr<IpHelper> CreateIpHelper() {
    return std::make_unique<WindowsIpHelper>();
}
std::unique_ptr<Registry> CreateRegistry() {
    return std::make_unique<WindowsRegistry>();
}
std::unique_ptr<SystemControl> CreateSystemControl() {
    return std::make_unique<WindowsSystemControl>();
}

// An agent library frees a name it replaces with the global heap's own release.
void* MibAlloc(std::size_t size) {
    return GlobalAlloc(GMEM_ZEROINIT, size == 0 ? 1 : size);
}
void MibFree(void* p) {
    if (p != nullptr)
        GlobalFree(p);
}

// No helper process on Windows: there is nothing to connect to.
void SetGivenHelperSocket(int) {}

std::shared_ptr<AdapterPrivilege> SharedAdapterPrivilege() {
    static const std::shared_ptr<AdapterPrivilege> shared = std::make_shared<DirectAdapterPrivilege>();
    return shared;
}

#endif

} // namespace vornalix::hostnet
