#include "common/SetcapCommand.h"

#include <filesystem>
#include <system_error>

namespace vornalix::common {

std::string SetcapCommand(const std::string& programPath) {
    return "sudo setcap cap_net_bind_service,cap_net_raw,cap_net_admin=ep " + programPath;
}

std::string OwnExecutablePath() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("vornalix") : path.string();
}

} // namespace vornalix::common
