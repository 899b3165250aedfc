#include "common/SetcapCommand.h"

namespace vornalix::common {

std::string SetcapCommand(const std::string& programPath) {
    return "sudo setcap cap_net_bind_service,cap_net_raw,cap_net_admin=ep " + programPath;
}

} // namespace vornalix::common
