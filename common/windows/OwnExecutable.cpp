#include "common/OwnExecutable.h"

#include <windows.h>

#include <vector>

namespace vornalix::common {

std::string OwnExecutablePath() {
    // Paths may be longer than MAX_PATH: grow the buffer until the whole name fits.
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return "vornalix.exe";
        if (length < path.size()) {
            const int bytes =
                WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(length), nullptr, 0, nullptr, nullptr);
            std::string utf8(static_cast<std::size_t>(bytes), '\0');
            WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(length), utf8.data(), bytes, nullptr,
                                nullptr);
            return utf8;
        }
        if (path.size() >= 32768)
            return "vornalix.exe";
        path.resize(path.size() * 2);
    }
}

} // namespace vornalix::common
