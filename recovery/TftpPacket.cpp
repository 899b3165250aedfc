#include "recovery/TftpPacket.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace vornalix::recovery {

namespace {

// Index of the zero that ends the text starting at `from`, or nullopt when there is none before `end`.
std::optional<std::size_t> TextEnd(std::span<const std::uint8_t> datagram, std::size_t from, std::size_t end) {
    for (std::size_t i = from; i < end; ++i)
        if (datagram[i] == 0)
            return i;
    return std::nullopt;
}

// A plain decimal number; nullopt for an empty text or any other character. Large values saturate.
std::optional<std::uint64_t> Decimal(const std::string& text) {
    if (text.empty() || text.size() > 20)
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = std::min<std::uint64_t>(value * 10 + static_cast<unsigned>(c - '0'), 1'000'000'000'000ULL);
    }
    return value;
}

void PutWord(std::vector<std::uint8_t>& packet, std::uint16_t value) {
    packet.push_back(static_cast<std::uint8_t>(value >> 8));
    packet.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

void PutText(std::vector<std::uint8_t>& packet, const std::string& text) {
    packet.insert(packet.end(), text.begin(), text.end());
    packet.push_back(0);
}

} // namespace

std::uint16_t TftpPacket::OpcodeOf(std::span<const std::uint8_t> datagram) {
    return datagram.size() < 2 ? 0 : static_cast<std::uint16_t>(datagram[0] << 8 | datagram[1]);
}

std::uint16_t TftpPacket::BlockOf(std::span<const std::uint8_t> datagram) {
    return datagram.size() < 4 ? 0 : static_cast<std::uint16_t>(datagram[2] << 8 | datagram[3]);
}

std::string TftpPacket::TextAt(std::span<const std::uint8_t> datagram, std::size_t offset) {
    std::string text;
    for (std::size_t i = offset; i < datagram.size() && datagram[i] != 0 && text.size() < kMaxTextLength; ++i)
        text.push_back(static_cast<char>(datagram[i]));
    return text;
}

std::optional<std::string> TftpPacket::NameOf(std::span<const std::uint8_t> datagram) {
    const std::size_t end = datagram.size() < 2 ? 2 : TextEnd(datagram, 2, datagram.size()).value_or(datagram.size());
    if (end - 2 > kMaxTextLength)
        return std::nullopt;
    return TextAt(datagram, 2);
}

std::optional<std::size_t> TftpPacket::OptionsOffset(std::span<const std::uint8_t> datagram) {
    const auto nameEnd = TextEnd(datagram, 2, datagram.size());
    if (!nameEnd)
        return std::nullopt;
    const auto modeEnd = TextEnd(datagram, *nameEnd + 1, datagram.size());
    if (!modeEnd)
        return std::nullopt;
    return *modeEnd + 1;
}

bool TftpPacket::ParseOptions(std::span<const std::uint8_t> datagram, std::size_t limit, Options& options) {
    const std::size_t end = std::min(limit, datagram.size());
    const auto start = OptionsOffset(datagram.first(end));
    if (!start)
        return false;
    bool recognised = false;
    std::size_t cursor = *start;
    while (cursor < end) {
        const auto nameEnd = TextEnd(datagram, cursor, end);
        if (!nameEnd)
            break;
        const auto valueEnd = TextEnd(datagram, *nameEnd + 1, end);
        if (!valueEnd)
            break;
        const std::string name(datagram.begin() + static_cast<std::ptrdiff_t>(cursor),
                               datagram.begin() + static_cast<std::ptrdiff_t>(*nameEnd));
        const std::string valueText(datagram.begin() + static_cast<std::ptrdiff_t>(*nameEnd + 1),
                                    datagram.begin() + static_cast<std::ptrdiff_t>(*valueEnd));
        const auto value = Decimal(valueText);
        cursor = *valueEnd + 1;
        if (!value)
            continue;
        if (strcasecmp(name.c_str(), "blksize") == 0 && *value >= kMinBlockSize) {
            options.blockSize = static_cast<int>(std::min<std::uint64_t>(*value, kMaxBlockSize));
            recognised = true;
        } else if (strcasecmp(name.c_str(), "timeout") == 0 && *value >= 1) {
            options.timeout = static_cast<int>(std::min<std::uint64_t>(*value, kMaxTimeout));
            recognised = true;
        } else if (strcasecmp(name.c_str(), "tsize") == 0) {
            options.tsize = *value;
            recognised = true;
        }
    }
    return recognised;
}

std::vector<std::uint8_t> TftpPacket::Ack(std::uint16_t block) {
    std::vector<std::uint8_t> packet;
    PutWord(packet, ACK);
    PutWord(packet, block);
    return packet;
}

std::vector<std::uint8_t> TftpPacket::Error(std::uint16_t code, const std::string& message) {
    std::vector<std::uint8_t> packet;
    PutWord(packet, ERROR);
    PutWord(packet, code);
    PutText(packet, message);
    return packet;
}

std::vector<std::uint8_t> TftpPacket::OptionAck(int blockSize, int timeout) {
    std::vector<std::uint8_t> packet;
    PutWord(packet, OACK);
    PutText(packet, "blksize");
    PutText(packet, std::to_string(blockSize));
    PutText(packet, "timeout");
    PutText(packet, std::to_string(timeout));
    return packet;
}

void TftpPacket::PutDataHeader(std::span<std::uint8_t> packet, std::uint16_t block) {
    packet[0] = 0;
    packet[1] = DATA;
    packet[2] = static_cast<std::uint8_t>(block >> 8);
    packet[3] = static_cast<std::uint8_t>(block & 0xFF);
}

} // namespace vornalix::recovery
