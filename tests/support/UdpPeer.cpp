#include "UdpPeer.h"

#include <random>

namespace vornalix::recovery::test {

std::string Datagram::text() const {
    std::string text;
    for (std::size_t i = 4; i < bytes.size() && bytes[i] != 0; ++i)
        text.push_back(static_cast<char>(bytes[i]));
    return text;
}

UdpPeer::UdpPeer(const char* address, int port, common::SocketHandle adopted)
    : fd(adopted != common::kNoSocket ? adopted : common::OpenUdpSocket(false)) {
    common::SetSocketOption(fd, SOL_SOCKET, SO_REUSEADDR, 1);
    common::SetSocketOption(fd, SOL_SOCKET, SO_BROADCAST, 1);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    local.sin_addr.s_addr = inet_addr(address);
    bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
}

UdpPeer::~UdpPeer() {
    common::CloseSocket(fd);
}

void UdpPeer::SendTo(const Bytes& bytes, int port, const char* address) const {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = inet_addr(address);
    SendTo(bytes, to);
}

void UdpPeer::SendTo(const Bytes& bytes, const sockaddr_in& to) const {
    common::SendDatagram(fd, bytes.data(), bytes.size(), to);
}

std::optional<Datagram> UdpPeer::Receive(std::chrono::milliseconds limit) const {
    if (common::WaitForSocket(fd, common::SocketWait::Readable, static_cast<int>(limit.count())) <= 0)
        return std::nullopt;
    Datagram datagram;
    datagram.bytes.resize(70000);
    const long got = common::ReceiveDatagram(fd, datagram.bytes.data(), datagram.bytes.size(), &datagram.from);
    if (got < 0)
        return std::nullopt;
    datagram.bytes.resize(static_cast<std::size_t>(got));
    return datagram;
}

int UdpPeer::localPort() const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
    return ntohs(local.sin_port);
}

Bytes Request(std::uint16_t opcode, const std::string& name, const std::vector<std::string>& options,
              const std::string& mode) {
    Bytes packet{0, static_cast<std::uint8_t>(opcode)};
    for (const std::string& part : std::vector<std::string>{name, mode}) {
        packet.insert(packet.end(), part.begin(), part.end());
        packet.push_back(0);
    }
    for (const std::string& part : options) {
        packet.insert(packet.end(), part.begin(), part.end());
        packet.push_back(0);
    }
    return packet;
}

Bytes AckPacket(std::uint16_t block) {
    return {0, 4, static_cast<std::uint8_t>(block >> 8), static_cast<std::uint8_t>(block & 0xFF)};
}

Bytes DataPacket(std::uint16_t block, const Bytes& data) {
    Bytes packet{0, 3, static_cast<std::uint8_t>(block >> 8), static_cast<std::uint8_t>(block & 0xFF)};
    packet.insert(packet.end(), data.begin(), data.end());
    return packet;
}

Bytes RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (auto& byte : bytes)
        byte = static_cast<std::uint8_t>(random());
    return bytes;
}

Bytes Text(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

std::optional<Bytes> ReadAll(const UdpPeer& peer, int* sessionPort, std::chrono::milliseconds limit) {
    Bytes content;
    std::uint16_t expected = 1;
    std::size_t blockSize = 512;
    for (;;) {
        const auto datagram = peer.Receive(limit);
        if (!datagram || datagram->opcode() != 3)
            return std::nullopt;
        if (sessionPort != nullptr)
            *sessionPort = datagram->port();
        if (datagram->block() != expected)
            continue;
        content.insert(content.end(), datagram->bytes.begin() + 4, datagram->bytes.end());
        peer.SendTo(AckPacket(expected), datagram->from);
        ++expected;
        if (datagram->dataSize() < blockSize)
            return content;
    }
}

} // namespace vornalix::recovery::test
