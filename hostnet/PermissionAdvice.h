#pragma once
// What to run when a permission is missing: one sentence in the user interface's language, in
// place of the kernel's words. The wizard and vornalix-recover run as an ordinary user when
// their executables carry the file capabilities named here.
#include <string>

namespace vornalix::hostnet {

enum class Permission {
    BindServicePorts, // CAP_NET_BIND_SERVICE: UDP ports 67 and 69
    RawSocket,        // CAP_NET_RAW: ARP probes, SO_BINDTODEVICE on older kernels
    NetworkAdmin,     // CAP_NET_ADMIN: the temporary link-local address
};

// Whether this process has the permission now (root, or the capability in its effective set).
bool HasPermission(Permission permission);

// The sentence for a missing permission; programPath "" is this process's executable.
std::string PermissionAdvice(Permission permission, const std::string& programPath = "");

} // namespace vornalix::hostnet
