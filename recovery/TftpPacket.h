#pragma once
// TFTP packets (RFC 1350) and the options "blksize", "timeout" and "tsize" (RFC 2347-2349), read with a
// bounded cursor and built into byte vectors.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vornalix::recovery {

class TftpPacket {
public:
    enum Opcode : std::uint16_t { RRQ = 1, WRQ = 2, DATA = 3, ACK = 4, ERROR = 5, OACK = 6 };

    static constexpr int kDefaultBlockSize = 512;
    static constexpr int kMaxBlockSize = 1024;
    static constexpr int kMinBlockSize = 8;
    static constexpr int kDefaultTimeout = 5;
    static constexpr int kMaxTimeout = 60;
    static constexpr std::size_t kMaxTextLength = 255;

    struct Options {
        int blockSize = kDefaultBlockSize;
        int timeout = kDefaultTimeout;
        std::uint64_t tsize = 0;
    };

    // The opcode (0 for a runt of fewer than 2 bytes).
    static std::uint16_t OpcodeOf(std::span<const std::uint8_t> datagram);
    // The block number of DATA or ACK (0 for a runt).
    static std::uint16_t BlockOf(std::span<const std::uint8_t> datagram);
    // The zero-terminated text at `offset`, cut at the datagram's end and at kMaxTextLength bytes.
    static std::string TextAt(std::span<const std::uint8_t> datagram, std::size_t offset);
    // The requested name of RRQ or WRQ (the text at offset 2); nullopt when it is longer than kMaxTextLength
    // bytes, so that a name is refused rather than cut.
    static std::optional<std::string> NameOf(std::span<const std::uint8_t> datagram);
    // Where the options of a request begin: after the zero that ends its mode text; nullopt when the name or the
    // mode has no terminating zero inside the datagram.
    static std::optional<std::size_t> OptionsOffset(std::span<const std::uint8_t> datagram);
    // Reads the option pairs of a request up to `limit` bytes of it (names without regard to case): blksize
    // (clamped to 1024; below 8 or not a number: ignored), timeout (clamped to 60; below 1 or not a number:
    // ignored), tsize. Returns whether at least one of them was taken.
    static bool ParseOptions(std::span<const std::uint8_t> datagram, std::size_t limit, Options& options);

    static std::vector<std::uint8_t> Ack(std::uint16_t block);
    static std::vector<std::uint8_t> Error(std::uint16_t code, const std::string& message);
    // Always exactly "blksize" and "timeout", in that order.
    static std::vector<std::uint8_t> OptionAck(int blockSize, int timeout);
    // Writes the DATA header for `block` into the first 4 bytes of `packet`.
    static void PutDataHeader(std::span<std::uint8_t> packet, std::uint16_t block);
};

} // namespace vornalix::recovery
