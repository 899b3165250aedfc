#include "GatewaySim.h"

#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace vornalix::web::test {

std::string MakeScratchFolder(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    return ::mkdtemp(pattern.data());
}

std::string GatewaySim::SimPath(const std::string& path) {
    return path;
}

void GatewaySim::Launch(std::vector<std::string> args) {
    pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    process = pid;
}

void GatewaySim::Stop() {
    if (process > 0) {
        ::kill(static_cast<pid_t>(process), SIGTERM);
        ::waitpid(static_cast<pid_t>(process), nullptr, 0);
    }
    process = -1;
}

} // namespace vornalix::web::test
