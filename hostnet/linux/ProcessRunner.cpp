#include "hostnet/linux/ProcessRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

extern char** environ;

namespace vornalix::hostnet {

ProcessRunner::ProcessRunner(std::chrono::milliseconds timeLimit) : timeLimit(timeLimit) {}

int ProcessRunner::Run(const std::vector<std::string>& argv, std::string* output) {
    if (argv.empty())
        return -1;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return -1;
    }

    // Read until the program exits (a daemon it leaves behind may hold the pipe open) or time runs out.
    const auto deadline = std::chrono::steady_clock::now() + timeLimit;
    int status = 0;
    bool exited = false;
    bool pipeOpen = true;
    char buffer[4096];
    while (!exited && std::chrono::steady_clock::now() < deadline) {
        if (pipeOpen) {
            pollfd readable{pipeFds[0], POLLIN, 0};
            if (poll(&readable, 1, 50) > 0) {
                const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
                if (n <= 0)
                    pipeOpen = false;
                else if (output != nullptr)
                    output->append(buffer, static_cast<std::size_t>(n));
            }
        } else {
            usleep(20 * 1000);
        }
        exited = waitpid(pid, &status, WNOHANG) == pid;
    }
    if (exited && pipeOpen) {
        pollfd readable{pipeFds[0], POLLIN, 0};
        while (poll(&readable, 1, 0) > 0) {
            const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
            if (n <= 0)
                break;
            if (output != nullptr)
                output->append(buffer, static_cast<std::size_t>(n));
        }
    }
    close(pipeFds[0]);
    if (!exited) {
        kill(pid, SIGKILL);
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return -1;
    }
    if (!WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

bool ProcessRunner::Available(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream directories(path != nullptr ? path : "/usr/sbin:/usr/bin:/sbin:/bin");
    std::string directory;
    while (std::getline(directories, directory, ':'))
        if (!directory.empty() && access((directory + "/" + program).c_str(), X_OK) == 0)
            return true;
    return false;
}

} // namespace vornalix::hostnet
