#pragma once
// A private runtime folder for Qt programs started without a session (tests, the snapshot tool):
// when XDG_RUNTIME_DIR is unset, a fresh 0700 folder is made and named there for the object's life.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace vornalix::testing {

class PrivateRuntimeFolder {
public:
    PrivateRuntimeFolder() {
        if (std::getenv("XDG_RUNTIME_DIR"))
            return;
        std::error_code error;
        std::string pattern = (std::filesystem::temp_directory_path(error) / "vornalix-runtime-XXXXXX").string();
        if (error || !::mkdtemp(pattern.data()))
            return;
        ::chmod(pattern.c_str(), 0700);
        folder = pattern;
        ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    }
    ~PrivateRuntimeFolder() {
        if (folder.empty())
            return;
        ::unsetenv("XDG_RUNTIME_DIR");
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }
    PrivateRuntimeFolder(const PrivateRuntimeFolder&) = delete;
    PrivateRuntimeFolder& operator=(const PrivateRuntimeFolder&) = delete;

private:
    std::string folder;
};

} // namespace vornalix::testing
