#include "recovery/BootReplyBuilder.h"

#include "common/DottedAddress.h"
#include "common/OfferedAddress.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace vornalix::recovery {

BootReplyBuilder::BootReplyBuilder(in_addr_t serverAddress, std::string bootFilePath)
    : serverAddress(serverAddress), clientAddress(ClientAddressFor(serverAddress)),
      clientAddressText(common::FormatDottedAddress(clientAddress)), bootFilePath(std::move(bootFilePath)) {}

in_addr_t BootReplyBuilder::ClientAddressFor(in_addr_t serverAddress) {
    return common::OfferedAddress(serverAddress);
}

std::string BootReplyBuilder::BootFileNameOf(const std::string& bootFilePath) {
    // Windows paths separate folders with either slash; elsewhere a backslash belongs to the name.
    constexpr bool backslashSeparates = std::filesystem::path::preferred_separator == '\\';
    const auto separator = bootFilePath.find_last_of(backslashSeparates ? "/\\" : "/");
    return separator == std::string::npos ? bootFilePath : bootFilePath.substr(separator + 1);
}

bool BootReplyBuilder::NameFits() const {
    return BootFileNameOf(bootFilePath).size() < kFileSize;
}

bool BootReplyBuilder::Build(std::span<std::uint8_t, kRecordSize> record) const {
    if (record[kHtype] != 1 || record[kHlen] != 6)
        return false;
    record[kOp] = kBootReply;
    std::memcpy(&record[kSiaddr], &serverAddress, 4);
    const in_addr_t offered = inet_addr(clientAddressText.c_str());
    std::memcpy(&record[kYiaddr], &offered, 4);

    const std::string bootFileName = BootFileNameOf(bootFilePath);
    const std::size_t length = std::min(bootFileName.size(), kFileSize - 1);
    for (std::size_t i = 0; i < length; ++i) {
        const char c = bootFileName[i];
        record[kFile + i] = static_cast<std::uint8_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    record[kFile + length] = 0;
    return true;
}

} // namespace vornalix::recovery
