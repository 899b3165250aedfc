#include "hostnet/AdapterPrivilege.h"

#include "common/OwnExecutable.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace vornalix::hostnet {

int TakeHelperSocketArgument(int& argc, char** argv) {
    if (argc < 3 || std::strcmp(argv[1], "--helper-fd") != 0)
        return -1;
    char* end = nullptr;
    const long socket = std::strtol(argv[2], &end, 10);
    if (end == argv[2] || *end != '\0' || socket < 3 || socket > 65535)
        return -1;
    for (int i = 3; i <= argc; ++i)
        argv[i - 2] = argv[i];
    argc -= 2;
    return static_cast<int>(socket);
}

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
