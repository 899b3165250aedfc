#include "hostnet/linux/ArpProbe.h"

#include <arpa/inet.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vornalix::hostnet {

namespace {

struct ArpPacket {
    std::uint16_t hardwareType;
    std::uint16_t protocolType;
    std::uint8_t hardwareLength;
    std::uint8_t protocolLength;
    std::uint16_t operation;
    std::uint8_t senderHardware[6];
    std::uint8_t senderAddress[4];
    std::uint8_t targetHardware[6];
    std::uint8_t targetAddress[4];
} __attribute__((packed));

std::uint32_t Read32(const std::uint8_t (&octets)[4]) {
    std::uint32_t value;
    std::memcpy(&value, octets, 4);
    return value;
}

} // namespace

ArpProbe::ArpProbe(int probes, std::chrono::milliseconds interval, std::chrono::milliseconds finalWait)
    : probes(probes), interval(interval), finalWait(finalWait) {}

ProbeResult ArpProbe::Probe(const std::string& interfaceName, const std::vector<std::uint32_t>& addresses) const {
    const unsigned index = if_nametoindex(interfaceName.c_str());
    if (index == 0)
        return {ProbeOutcome::CannotProbe, ENODEV};
    const int fd = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, htons(ETH_P_ARP));
    if (fd < 0)
        return {ProbeOutcome::CannotProbe, errno};
    ifreq request{};
    std::strncpy(request.ifr_name, interfaceName.c_str(), IFNAMSIZ - 1);
    sockaddr_ll link{};
    link.sll_family = AF_PACKET;
    link.sll_protocol = htons(ETH_P_ARP);
    link.sll_ifindex = static_cast<int>(index);
    if (ioctl(fd, SIOCGIFHWADDR, &request) != 0 || bind(fd, reinterpret_cast<sockaddr*>(&link), sizeof link) != 0) {
        const int error = errno;
        close(fd);
        return {ProbeOutcome::CannotProbe, error};
    }
    std::uint8_t ownHardware[6];
    std::memcpy(ownHardware, request.ifr_hwaddr.sa_data, 6);

    sockaddr_ll broadcast = link;
    broadcast.sll_halen = 6;
    std::memset(broadcast.sll_addr, 0xFF, 6);

    const auto isProbed = [&](std::uint32_t address) {
        return std::find(addresses.begin(), addresses.end(), address) != addresses.end();
    };
    ProbeResult result{ProbeOutcome::Free, 0};
    for (int round = 0; round < probes && result.outcome == ProbeOutcome::Free; ++round) {
        for (std::uint32_t address : addresses) {
            ArpPacket probe{};
            probe.hardwareType = htons(ARPHRD_ETHER);
            probe.protocolType = htons(ETH_P_IP);
            probe.hardwareLength = 6;
            probe.protocolLength = 4;
            probe.operation = htons(ARPOP_REQUEST);
            std::memcpy(probe.senderHardware, ownHardware, 6);
            std::memcpy(probe.targetAddress, &address, 4);
            if (sendto(fd, &probe, sizeof probe, 0, reinterpret_cast<sockaddr*>(&broadcast), sizeof broadcast) < 0) {
                result = {ProbeOutcome::CannotProbe, errno};
                break;
            }
        }
        const auto wait = round + 1 < probes ? interval : finalWait;
        const auto deadline = std::chrono::steady_clock::now() + wait;
        while (result.outcome == ProbeOutcome::Free) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            pollfd readable{fd, POLLIN, 0};
            if (poll(&readable, 1, static_cast<int>(left.count())) <= 0)
                continue;
            ArpPacket answer{};
            const ssize_t size = recv(fd, &answer, sizeof answer, 0);
            if (size < static_cast<ssize_t>(sizeof answer) || answer.protocolType != htons(ETH_P_IP) ||
                std::memcmp(answer.senderHardware, ownHardware, 6) == 0)
                continue;
            // Someone holds the address, or probes for it right now.
            const std::uint32_t sender = Read32(answer.senderAddress);
            const bool otherProbe =
                sender == 0 && answer.operation == htons(ARPOP_REQUEST) && isProbed(Read32(answer.targetAddress));
            if (isProbed(sender) || otherProbe)
                result.outcome = ProbeOutcome::InUse;
        }
    }
    close(fd);
    return result;
}

} // namespace vornalix::hostnet
