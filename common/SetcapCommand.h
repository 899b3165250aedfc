#pragma once
// The command that lets a program use the emergency path as an ordinary user: the file capabilities for
// ports 67 and 69, ARP probes and the temporary address.
#include "common/OwnExecutable.h"

#include <string>

namespace vornalix::common {

// "sudo setcap cap_net_bind_service,cap_net_raw,cap_net_admin=ep PROGRAM".
std::string SetcapCommand(const std::string& programPath);

} // namespace vornalix::common
