// vornalix-adapter-helper: run as root by a root front end, through pkexec or by the developers'
// launcher, with its control socket as standard input. Takes no arguments and no environment.
// Exit status: 0 after the caller left and everything was undone; 1 when something could not be
// undone (it stays recorded for the next start); 2 when it refused to start.
#include "app/adapter-helper/AdapterHelper.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

int signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    const int saved = errno;
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], "x", 1);
    errno = saved;
}

int Refuse(const char* reason) {
    std::fprintf(stderr, "vornalix-adapter-helper: %s\n", reason);
    return 2;
}

bool IsUnixStreamSocket(int fd) {
    struct stat status {};
    int domain = 0, type = 0;
    socklen_t size = sizeof domain;
    if (fstat(fd, &status) != 0 || !S_ISSOCK(status.st_mode) ||
        getsockopt(fd, SOL_SOCKET, SO_DOMAIN, &domain, &size) != 0)
        return false;
    size = sizeof type;
    return getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &size) == 0 && domain == AF_UNIX && type == SOCK_STREAM;
}

// Signals as a fresh process has them, whatever the caller left blocked or ignored.
void ResetSignals() {
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int number = 1; number < NSIG; ++number)
        if (number != SIGKILL && number != SIGSTOP)
            signal(number, SIG_DFL);
    signal(SIGPIPE, SIG_IGN); // a caller that is gone is seen on the socket
}

} // namespace

int main(int argc, char**) {
    if (getuid() != 0 || geteuid() != 0)
        return Refuse("must be run as root");
    if (argc != 1)
        return Refuse("takes no arguments");
    // Standard output and error open, so that no socket of ours lands on them.
    for (int fd = 1; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) < 0 && open("/dev/null", O_RDWR) != fd)
            return Refuse("cannot open /dev/null");
    if (!IsUnixStreamSocket(STDIN_FILENO))
        return Refuse("standard input must be the control socket (a Unix stream socket)");
    if (close_range(3, ~0u, 0) != 0)
        for (int fd = 3; fd < 65536; ++fd)
            close(fd);
    clearenv();
    setenv("PATH", "/usr/sbin:/usr/bin:/sbin:/bin", 1);
    setenv("LANG", "C", 1); // nmcli's output is parsed
    umask(077);
    if (chdir("/") != 0)
        return Refuse("cannot change to the root folder");

    ResetSignals();
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return Refuse("cannot make a pipe");
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGINT, SIGHUP})
        sigaction(number, &action, nullptr);

    return vornalix::app::AdapterHelper(STDIN_FILENO, signalPipe[0]).Run();
}
