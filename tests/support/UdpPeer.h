#pragma once
// A test's own end of a UDP exchange (a TFTP client or a boot loader), with TFTP packet helpers.
#include "common/Socket.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vornalix::recovery::test {

using Bytes = std::vector<std::uint8_t>;

struct Datagram {
    Bytes bytes;
    sockaddr_in from{};
    int port() const { return ntohs(from.sin_port); }
    std::uint16_t opcode() const { return bytes.size() < 2 ? 0 : static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]); }
    std::uint16_t block() const { return bytes.size() < 4 ? 0 : static_cast<std::uint16_t>(bytes[2] << 8 | bytes[3]); }
    std::size_t dataSize() const { return bytes.size() < 4 ? 0 : bytes.size() - 4; }
    std::string text() const; // the text after opcode and code (ERROR)
};

class UdpPeer {
public:
    // Binds `address`:`port` (0: any port); `fd` given: adopts that socket and binds it.
    explicit UdpPeer(const char* address = "127.0.0.1", int port = 0, common::SocketHandle fd = common::kNoSocket);
    ~UdpPeer();
    UdpPeer(const UdpPeer&) = delete;
    UdpPeer& operator=(const UdpPeer&) = delete;

    void SendTo(const Bytes& bytes, int port, const char* address = "127.0.0.1") const;
    void SendTo(const Bytes& bytes, const sockaddr_in& to) const;
    std::optional<Datagram> Receive(std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) const;
    // Nothing arrives within `limit`.
    bool Quiet(std::chrono::milliseconds limit) const { return !Receive(limit).has_value(); }
    int localPort() const;

    common::SocketHandle fd;
};

Bytes Request(std::uint16_t opcode, const std::string& name, const std::vector<std::string>& options = {},
              const std::string& mode = "octet");
Bytes AckPacket(std::uint16_t block);
Bytes DataPacket(std::uint16_t block, const Bytes& data);
Bytes RandomBytes(std::size_t size, unsigned seed = 1);
Bytes Text(const std::string& text);

// Reads a whole read transfer on a peer that sent the request: ACKs each DATA, returns the file (nullopt on an
// error packet or silence). `firstPort` receives the session's port.
std::optional<Bytes> ReadAll(const UdpPeer& peer, int* sessionPort = nullptr,
                             std::chrono::milliseconds limit = std::chrono::milliseconds(3000));

} // namespace vornalix::recovery::test
