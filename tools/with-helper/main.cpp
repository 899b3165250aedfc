// vornalix-with-helper [--user NAME|UID] HELPER PROGRAM [ARGS...]
//
// Run as root: starts HELPER (the adapter helper) with one end of a Unix stream socket pair as its
// standard input, and PROGRAM as an ordinary user, without privilege, with "--helper-fd N" (the
// other end) before ARGS. The user is --user's, else sudo's caller. Exits with PROGRAM's status
// once PROGRAM has ended and the helper has exited (after at most 10 s).
#include <fcntl.h>
#include <grp.h>
#include <linux/capability.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kUsage = "usage: vornalix-with-helper [--user NAME|UID] HELPER PROGRAM [ARGS...]\n";

int Fail(const std::string& reason) {
    std::fprintf(stderr, "vornalix-with-helper: %s\n", reason.c_str());
    return 2;
}

struct User {
    uid_t uid = 0;
    gid_t gid = 0;
    std::string name, home;
};

bool ParseId(const char* text, unsigned long& id) {
    if (text == nullptr || *text == '\0')
        return false;
    char* end = nullptr;
    errno = 0;
    id = std::strtoul(text, &end, 10);
    return errno == 0 && *end == '\0' && id <= 0xFFFFFFFEul;
}

// The user to run PROGRAM as: --user's (a name or a number), else sudo's caller; never root.
bool FindUser(const char* chosen, User& user, std::string& reason) {
    const passwd* entry = nullptr;
    unsigned long id = 0;
    if (chosen != nullptr) {
        entry = ParseId(chosen, id) ? getpwuid(static_cast<uid_t>(id)) : getpwnam(chosen);
        if (entry == nullptr && !ParseId(chosen, id)) {
            reason = std::string("no such user: ") + chosen;
            return false;
        }
        user.uid = entry != nullptr ? entry->pw_uid : static_cast<uid_t>(id);
        user.gid = entry != nullptr ? entry->pw_gid : static_cast<gid_t>(id);
    } else {
        unsigned long gid = 0;
        if (!ParseId(std::getenv("SUDO_UID"), id) || id == 0 || !ParseId(std::getenv("SUDO_GID"), gid) || gid == 0) {
            reason = "no user to run the program as: run it through sudo, or give --user NAME";
            return false;
        }
        user.uid = static_cast<uid_t>(id);
        user.gid = static_cast<gid_t>(gid);
        entry = getpwuid(user.uid);
    }
    if (user.uid == 0 || user.gid == 0) {
        reason = "the program is run as an ordinary user, not as root";
        return false;
    }
    user.name = entry != nullptr ? entry->pw_name : std::to_string(user.uid);
    user.home = entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "/";
    return true;
}

// In the child that becomes PROGRAM: the user's identity, no capability of any set, no way back.
bool BecomeUser(const User& user) {
    const bool known = getpwuid(user.uid) != nullptr;
    if ((known ? initgroups(user.name.c_str(), user.gid) : setgroups(0, nullptr)) != 0 || setgid(user.gid) != 0 ||
        setuid(user.uid) != 0)
        return false;
    if (setuid(0) == 0 || getuid() != user.uid || geteuid() != user.uid || getgid() != user.gid ||
        getegid() != user.gid)
        return false;
    if (prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0 && errno != EINVAL)
        return false;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (syscall(SYS_capset, &header, data) != 0 || syscall(SYS_capget, &header, data) != 0)
        return false;
    for (const auto& set : data)
        if (set.effective != 0 || set.permitted != 0 || set.inheritable != 0)
            return false;
    return prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0;
}

volatile sig_atomic_t programPid = 0;

void Forward(int signal) {
    if (programPid > 0)
        kill(programPid, signal);
}

int StatusOf(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        std::fputs("Runs PROGRAM as an ordinary user (--user, else sudo's caller) with --helper-fd N before ARGS, N\n"
                   "being its end of a socket whose other end is HELPER's standard input. Must be run as root.\n",
                   stdout);
        return 0;
    }
    int first = 1;
    const char* chosenUser = nullptr;
    if (argc > 2 && std::strcmp(argv[1], "--user") == 0) {
        chosenUser = argv[2];
        first = 3;
    }
    if (argc - first < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (geteuid() != 0)
        return Fail("must be run as root (sudo)");
    const char* helperPath = argv[first];
    User user;
    std::string reason;
    if (!FindUser(chosenUser, user, reason))
        return Fail(reason);

    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return Fail(std::string("socketpair: ") + std::strerror(errno));

    const pid_t helper = fork();
    if (helper < 0)
        return Fail(std::string("fork: ") + std::strerror(errno));
    if (helper == 0) {
        // Its own process group: a Ctrl-C at the terminal reaches PROGRAM, and the helper ends with PROGRAM's socket.
        setpgid(0, 0);
        if (dup2(pair[0], STDIN_FILENO) < 0)
            _exit(127);
        char* const helperArgv[] = {const_cast<char*>(helperPath), nullptr};
        execv(helperPath, helperArgv);
        std::fprintf(stderr, "vornalix-with-helper: %s: %s\n", helperPath, std::strerror(errno));
        _exit(127);
    }
    close(pair[0]);

    // Signals from the terminal reach PROGRAM itself; a SIGTERM or SIGHUP for the launcher is passed on.
    signal(SIGINT, SIG_IGN);
    signal(SIGQUIT, SIG_IGN);
    struct sigaction forward {};
    forward.sa_handler = Forward;
    sigemptyset(&forward.sa_mask);
    forward.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &forward, nullptr);
    sigaction(SIGHUP, &forward, nullptr);

    const pid_t program = fork();
    if (program == 0) {
        signal(SIGINT, SIG_DFL);
        signal(SIGQUIT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        signal(SIGHUP, SIG_DFL);
        if (fcntl(pair[1], F_SETFD, 0) != 0 || !BecomeUser(user)) {
            std::fprintf(stderr, "vornalix-with-helper: cannot run the program as %s\n", user.name.c_str());
            _exit(127);
        }
        setenv("HOME", user.home.c_str(), 1);
        setenv("USER", user.name.c_str(), 1);
        setenv("LOGNAME", user.name.c_str(), 1);
        const std::string fd = std::to_string(pair[1]);
        std::vector<char*> programArgv = {argv[first + 1], const_cast<char*>("--helper-fd"),
                                          const_cast<char*>(fd.c_str())};
        for (int i = first + 2; i < argc; ++i)
            programArgv.push_back(argv[i]);
        programArgv.push_back(nullptr);
        execvp(programArgv[0], programArgv.data());
        std::fprintf(stderr, "vornalix-with-helper: %s: %s\n", programArgv[0], std::strerror(errno));
        _exit(127);
    }
    close(pair[1]);
    if (program < 0) {
        kill(helper, SIGTERM);
        waitpid(helper, nullptr, 0);
        return Fail(std::string("fork: ") + std::strerror(errno));
    }
    programPid = program;

    int status = 0;
    while (waitpid(program, &status, 0) < 0 && errno == EINTR) {
    }
    programPid = 0;
    // The helper undoes its changes once the program's end of the socket is closed (also by a
    // process the program left behind): it is given 10 s, then asked to end.
    int helperStatus = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (waitpid(helper, &helperStatus, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            std::fputs("vornalix-with-helper: the helper is still running: it is asked to end\n", stderr);
            kill(helper, SIGTERM);
            waitpid(helper, &helperStatus, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (StatusOf(helperStatus) != 0)
        std::fprintf(stderr, "vornalix-with-helper: the helper ended with status %d\n", StatusOf(helperStatus));
    return StatusOf(status);
}
