#include "hostnet/RestartComputer.h"

#include "hostnet/OsVersionWord.h"
#include "hostnet/Platform.h"

#include <memory>

namespace vornalix::hostnet {

void RestartComputer(SystemControl& system, std::uint16_t osVersionWord) {
    if (IsMajorVersion5(osVersionWord)) {
        TokenHandle token = 0;
        const bool opened = system.OpenProcessToken(kTokenAdjustPrivileges | kTokenQuery, &token);
        Luid luid;
        system.LookupPrivilegeValue(kSeShutdownName, &luid);
        system.AdjustTokenPrivileges(token, luid, kSePrivilegeEnabled);
        system.ExitWindowsEx(kEwxReboot, 0);
        if (opened)
            system.CloseToken(token);
    } else if (IsWindowsMe(osVersionWord)) {
        system.ExitWindowsEx(kEwxReboot, 0);
    }
}

void RestartComputer() {
    std::unique_ptr<SystemControl> system = CreateSystemControl();
    RestartComputer(*system, OsVersionWord());
}

} // namespace vornalix::hostnet
