#include "common/OwnExecutable.h"

#include <filesystem>
#include <system_error>

namespace vornalix::common {

std::string OwnExecutablePath() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string("vornalix") : path.string();
}

} // namespace vornalix::common
