#pragma once
// "ADDRESS:PORT%DEVICE" of a bound UDP socket ("?" when it cannot be read), for tests of sockets handed over.
#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <string>

namespace vornalix::test {

inline std::string DescribeSocket(int fd) {
    sockaddr_in local{};
    socklen_t size = sizeof local;
    char device[IFNAMSIZ] = {};
    socklen_t deviceSize = sizeof device;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &size) != 0 ||
        getsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, device, &deviceSize) != 0)
        return "?";
    return std::string(inet_ntoa(local.sin_addr)) + ":" + std::to_string(ntohs(local.sin_port)) + "%" + device;
}

} // namespace vornalix::test
