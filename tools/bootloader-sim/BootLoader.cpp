#include "tools/bootloader-sim/BootLoader.h"

#include "common/DottedAddress.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <thread>
#include <net/if.h>
#include <poll.h>
#include <random>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using vornalix::common::FormatDottedAddress;

class Socket {
public:
    Socket() : fd(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}
    ~Socket() {
        if (fd >= 0)
            close(fd);
    }
    int fd;
};

bool BindToInterface(int fd, const std::string& name, in_addr_t address, int port) {
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    if (setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, name.c_str(), static_cast<socklen_t>(name.size() + 1)) != 0)
        return false;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    local.sin_addr.s_addr = address;
    return bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
}

// Waits up to `ms` for a datagram; returns its length, -1 on time-out.
int Receive(int fd, std::uint8_t* buffer, std::size_t size, int ms, sockaddr_in* from) {
    pollfd watched{fd, POLLIN, 0};
    if (poll(&watched, 1, ms) <= 0)
        return -1;
    socklen_t length = sizeof *from;
    return static_cast<int>(recvfrom(fd, buffer, size, 0, reinterpret_cast<sockaddr*>(from), &length));
}

void PutText(std::vector<std::uint8_t>& packet, const std::string& text) {
    packet.insert(packet.end(), text.begin(), text.end());
    packet.push_back(0);
}

std::vector<std::uint8_t> ReadRequest(const std::string& name, int blockSize) {
    std::vector<std::uint8_t> packet{0, 1};
    PutText(packet, name);
    PutText(packet, "octet");
    if (blockSize > 0) {
        PutText(packet, "blksize");
        PutText(packet, std::to_string(blockSize));
    }
    return packet;
}

void Send(int fd, const std::vector<std::uint8_t>& packet, const sockaddr_in& to) {
    sendto(fd, packet.data(), packet.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

} // namespace

BootLoader::~BootLoader() {
    if (addressTaken && !settings.keepAddress) {
        Socket control;
        ifreq request{};
        std::strncpy(request.ifr_name, settings.interfaceName.c_str(), IFNAMSIZ - 1);
        auto* address = reinterpret_cast<sockaddr_in*>(&request.ifr_addr);
        address->sin_family = AF_INET;
        address->sin_addr.s_addr = 0;
        ioctl(control.fd, SIOCSIFADDR, &request);
    }
}

std::optional<BootReplyFields> BootLoader::RequestBootReply() {
    Socket sock;
    if (!BindToInterface(sock.fd, settings.interfaceName, htonl(INADDR_ANY), 68))
        return std::nullopt;
    std::uint8_t request[300] = {};
    request[0] = 1;
    request[1] = 1;
    request[2] = 6;
    std::mt19937 random(static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
    const std::uint32_t xid = random();
    std::memcpy(request + 4, &xid, 4);
    ifreq hardware{};
    std::strncpy(hardware.ifr_name, settings.interfaceName.c_str(), IFNAMSIZ - 1);
    if (ioctl(sock.fd, SIOCGIFHWADDR, &hardware) == 0)
        std::memcpy(request + 28, hardware.ifr_hwaddr.sa_data, 6);
    sockaddr_in broadcast{};
    broadcast.sin_family = AF_INET;
    broadcast.sin_port = htons(67);
    broadcast.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    for (int attempt = 0; settings.bootpTries <= 0 || attempt < settings.bootpTries; ++attempt) {
        std::printf("bootrequest %d\n", attempt + 1);
        std::fflush(stdout);
        sendto(sock.fd, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&broadcast), sizeof broadcast);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(settings.bootpIntervalMs);
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            std::uint8_t reply[2048];
            sockaddr_in from{};
            const int length = Receive(sock.fd, reply, sizeof reply, static_cast<int>(left.count()), &from);
            if (length < 300 || reply[0] != 2 || std::memcmp(reply + 4, &xid, 4) != 0)
                continue;
            BootReplyFields fields;
            std::memcpy(&fields.yiaddr, reply + 16, 4);
            std::memcpy(&fields.siaddr, reply + 20, 4);
            fields.file.assign(reinterpret_cast<const char*>(reply + 108),
                               strnlen(reinterpret_cast<const char*>(reply + 108), 128));
            std::printf("bootreply from %s length %d yiaddr %s siaddr %s file %s\n",
                        FormatDottedAddress(from.sin_addr.s_addr).c_str(), length,
                        FormatDottedAddress(fields.yiaddr).c_str(), FormatDottedAddress(fields.siaddr).c_str(),
                        fields.file.c_str());
            return fields;
        }
    }
    return std::nullopt;
}

bool BootLoader::TakeAddress(in_addr_t address) {
    Socket control;
    ifreq request{};
    std::strncpy(request.ifr_name, settings.interfaceName.c_str(), IFNAMSIZ - 1);
    auto* field = reinterpret_cast<sockaddr_in*>(&request.ifr_addr);
    field->sin_family = AF_INET;
    field->sin_addr.s_addr = address;
    if (ioctl(control.fd, SIOCSIFADDR, &request) != 0)
        return false;
    field->sin_addr.s_addr = htonl(0xFFFFFF00);
    ioctl(control.fd, SIOCSIFNETMASK, &request);
    ownAddress = address;
    addressTaken = true;
    return true;
}

std::optional<std::vector<std::uint8_t>> BootLoader::Fetch(in_addr_t server, const std::string& name,
                                                           std::string& error) {
    Socket sock;
    if (!BindToInterface(sock.fd, settings.interfaceName, ownAddress, 0)) {
        error = "cannot bind the TFTP socket";
        return std::nullopt;
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(69);
    peer.sin_addr.s_addr = server;
    std::vector<std::uint8_t> last = ReadRequest(name, 0);
    Send(sock.fd, last, peer);
    bool locked = false;
    bool optionsAsked = false;
    int blockSize = 512;
    std::uint16_t expected = 1;
    std::vector<std::uint8_t> content;
    int silentTries = 0;
    for (;;) {
        std::uint8_t packet[4 + 65536];
        sockaddr_in from{};
        const int length = Receive(sock.fd, packet, sizeof packet, settings.retransmitMs, &from);
        if (length < 0) {
            if (++silentTries >= settings.tftpTries) {
                error = "no answer";
                return std::nullopt;
            }
            Send(sock.fd, last, peer);
            continue;
        }
        if (length < 4 || from.sin_addr.s_addr != server)
            continue;
        if (locked && from.sin_port != peer.sin_port)
            continue;
        silentTries = 0;
        const int opcode = packet[0] << 8 | packet[1];
        const std::uint16_t block = static_cast<std::uint16_t>(packet[2] << 8 | packet[3]);
        if (opcode == 5) {
            error =
                "error " + std::to_string(block) + " \"" +
                std::string(reinterpret_cast<const char*>(packet + 4),
                            strnlen(reinterpret_cast<const char*>(packet + 4), static_cast<std::size_t>(length - 4))) +
                "\"";
            return std::nullopt;
        }
        if (!locked) {
            locked = true;
            peer.sin_port = from.sin_port;
            if (settings.blockSize > 0 && !optionsAsked) {
                // Ask again, now with options, on the session's own port.
                optionsAsked = true;
                last = ReadRequest(name, settings.blockSize);
                Send(sock.fd, last, peer);
                continue;
            }
        }
        if (opcode == 6) {
            for (int i = 2; i < length;) {
                const std::string key(reinterpret_cast<const char*>(packet + i));
                i += static_cast<int>(key.size()) + 1;
                const std::string value(reinterpret_cast<const char*>(packet + i));
                i += static_cast<int>(value.size()) + 1;
                if (key == "blksize")
                    blockSize = std::stoi(value);
            }
            std::printf("oack blksize %d\n", blockSize);
            content.clear();
            expected = 1;
            last = {0, 4, 0, 0};
            Send(sock.fd, last, peer);
            continue;
        }
        if (opcode != 3)
            continue;
        // A DATA instead of the OACK: the options were not taken; go on with 512-byte blocks.
        if (block == expected) {
            content.insert(content.end(), packet + 4, packet + length);
            if (settings.ackDelayMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(settings.ackDelayMs));
            last = {0, 4, packet[2], packet[3]};
            Send(sock.fd, last, peer);
            ++expected;
            if (length - 4 < blockSize)
                return content;
        } else if (block == static_cast<std::uint16_t>(expected - 1)) {
            Send(sock.fd, last, peer);
        }
    }
}

std::uint32_t Crc32(const std::vector<std::uint8_t>& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}
