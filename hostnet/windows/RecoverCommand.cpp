#include "hostnet/AdapterPrivilege.h"

#include <windows.h>

#include <filesystem>

namespace vornalix::hostnet {

// Any user may run the transfer on Windows: the command is vornalix-recover.exe beside this program,
// with the adapter's description and the firmware's path in double quotes, as the command prompt
// takes them (neither may hold a double quote).
std::string RecoverCommand(const std::string& interfaceName, const std::string& firmwarePath) {
    char own[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, own, sizeof own);
    std::string program = "vornalix-recover.exe";
    if (length > 0 && length < sizeof own) {
        const std::filesystem::path beside = std::filesystem::path(own).parent_path() / program;
        std::error_code error;
        if (std::filesystem::is_regular_file(beside, error))
            program = beside.string();
    }
    return "\"" + program + "\" \"" + interfaceName + "\" \"" + firmwarePath + "\"";
}

} // namespace vornalix::hostnet
