#include "support/PrivateNetwork.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vornalix::recovery::test {

bool EnterPrivateNetwork() {
    static const bool entered = [] {
        if (unshare(CLONE_NEWNET) != 0)
            return false;
        const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ifreq request{};
        std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
        const bool up = ioctl(fd, SIOCGIFFLAGS, &request) == 0 &&
                        (request.ifr_flags |= IFF_UP, ioctl(fd, SIOCSIFFLAGS, &request) == 0);
        close(fd);
        return up;
    }();
    return entered;
}

bool InsideTestRunner() {
    const char* value = std::getenv("VORNALIX_PRIVATE_NETNS");
    return value != nullptr && std::string(value) == "1";
}

bool MayCreateNamespaces() {
    if (!InsideTestRunner())
        return false;
    if (EnterPrivateNetwork())
        return true;
    ADD_FAILURE() << "cannot create a private network namespace inside the test runner";
    return false;
}

int RunCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return -1;
    std::array<char, 4096> chunk{};
    std::string collected;
    std::size_t got;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        collected.append(chunk.data(), got);
    const int status = pclose(pipe);
    if (output != nullptr)
        *output = collected;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

in_addr_t Address(const char* dotted) {
    return inet_addr(dotted);
}

} // namespace vornalix::recovery::test
