#include "hostnet/AdapterPrivilege.h"

#include "common/OwnExecutable.h"

#include <unistd.h>

#include <filesystem>

namespace vornalix::hostnet {

std::string RecoverCommand(const std::string& interfaceName, const std::string& firmwarePath) {
    namespace fs = std::filesystem;
    const fs::path own = common::OwnExecutablePath();
    const fs::path beside = own.parent_path() / "vornalix-recover";
    const std::string program = access(beside.c_str(), X_OK) == 0 ? beside.string() : std::string("vornalix-recover");
    // The path in single quotes, as a shell takes it whatever it holds.
    std::string quoted = "'";
    for (char c : firmwarePath)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    quoted += "'";
    return "sudo " + program + " " + interfaceName + " " + quoted;
}

} // namespace vornalix::hostnet
