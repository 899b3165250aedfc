// A stand-in front end for the helper tests, run by vornalix-with-helper as an ordinary user:
//   vornalix-test-helper-caller --helper-fd N IFNAME
// holds IFNAME, prints what it got and who it is, one line each, and waits to be killed.
#include "support/SocketDescription.h"
#include "hostnet/linux/HelperProtocol.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace helper = vornalix::hostnet::helper;

namespace {

std::string Status(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0)
            return line.substr(line.find_first_not_of(" \t", field.size() + 1));
    return "?";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 || std::strcmp(argv[1], "--helper-fd") != 0)
        return 2;
    const int control = std::atoi(argv[2]);
    std::string line;
    std::vector<int> descriptors;
    if (!helper::SendLine(control, helper::FormatRequest({helper::Request::Kind::Hold, argv[3], 0})) ||
        !helper::ReceiveLine(control, line, descriptors, 20000))
        return 3;
    std::printf("reply %s\n", line.c_str());
    for (int fd : descriptors)
        std::printf("socket %s\n", vornalix::test::DescribeSocket(fd).c_str());
    std::printf("pid %d uid %d gid %d caps %s %s %s nonewprivs %s\n", getpid(), getuid(), getgid(),
                Status("CapEff").c_str(), Status("CapPrm").c_str(), Status("CapAmb").c_str(),
                Status("NoNewPrivs").c_str());
    std::fflush(stdout);
    for (;;)
        pause();
}
