#pragma once
// Benchmarks run in a network namespace of their own: nothing they send leaves it.
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace vornalix::bench {

// Moves this process into a new network namespace and brings its loopback up; false when either fails.
inline bool EnterOwnNetwork() {
    if (unshare(CLONE_NEWNET) != 0)
        return false;
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    const bool up =
        ioctl(fd, SIOCGIFFLAGS, &request) == 0 && (request.ifr_flags |= IFF_UP, ioctl(fd, SIOCSIFFLAGS, &request) == 0);
    close(fd);
    return up;
}

} // namespace vornalix::bench
