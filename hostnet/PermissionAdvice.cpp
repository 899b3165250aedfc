#include "hostnet/PermissionAdvice.h"

#include "common/SetcapCommand.h"
#include "res/Resources.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vornalix::hostnet {

namespace {

int CapabilityOf(Permission permission) {
    switch (permission) {
    case Permission::BindServicePorts:
        return CAP_NET_BIND_SERVICE;
    case Permission::RawSocket:
        return CAP_NET_RAW;
    case Permission::NetworkAdmin:
        return CAP_NET_ADMIN;
    }
    return CAP_NET_ADMIN;
}

} // namespace

bool HasPermission(Permission permission) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    if (syscall(SYS_capget, &header, data) != 0)
        return geteuid() == 0;
    const int capability = CapabilityOf(permission);
    return (data[capability / 32].effective & (1u << (capability % 32))) != 0;
}

std::string PermissionAdvice(Permission permission, const std::string& programPath) {
    const std::string command = common::SetcapCommand(programPath.empty() ? common::OwnExecutablePath() : programPath);
    switch (permission) {
    case Permission::BindServicePorts:
        return res::FormatString(res::StringId::PortsNeedAdministrator, {"BOOTP/TFTP", "67/69", command});
    case Permission::RawSocket:
        return res::FormatString(res::StringId::ProbeNeedsCapability, {command});
    case Permission::NetworkAdmin:
        return res::FormatString(res::StringId::AddressNeedsCapability, {command});
    }
    return {};
}

} // namespace vornalix::hostnet
