#pragma once
// Turns a 300-byte BOOTREQUEST record into the BOOTREPLY in place (RFC 951 layout).
#include "common/Socket.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vornalix::recovery {

class BootReplyBuilder {
public:
    static constexpr std::size_t kRecordSize = 300;
    static constexpr std::size_t kOp = 0, kHtype = 1, kHlen = 2, kHops = 3, kXid = 4, kSecs = 8, kFlags = 10,
                                 kCiaddr = 12, kYiaddr = 16, kSiaddr = 20, kGiaddr = 24, kChaddr = 28, kSname = 44,
                                 kFile = 108, kVend = 236;
    static constexpr std::size_t kFileSize = 128;
    static constexpr std::uint8_t kBootRequest = 1, kBootReply = 2;

    BootReplyBuilder(in_addr_t serverAddress, std::string bootFilePath);

    // The address offered next to the server's: last octet + 1, and .1 instead of .0, .254 and .255.
    static in_addr_t ClientAddressFor(in_addr_t serverAddress);
    // The part of a path after its last separator (the whole path when it has none).
    static std::string BootFileNameOf(const std::string& bootFilePath);
    // Whether the boot file name fits the file field with its terminating zero.
    bool NameFits() const;

    // Accepts a request (htype 1, hlen 6) and makes it the reply: op 2, yiaddr, siaddr, the upper-cased boot
    // file name with one zero byte at `file`; every other byte stays. A refused record is left unchanged.
    // A name too long for the field is cut to 127 bytes.
    bool Build(std::span<std::uint8_t, kRecordSize> record) const;

    in_addr_t serverAddress;
    in_addr_t clientAddress;
    std::string clientAddressText;
    std::string bootFilePath;
};

} // namespace vornalix::recovery
