// libFuzzer target: the BOOTP reply builder on any request bytes and any firmware path.
#include "recovery/BootReplyBuilder.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string>

using vornalix::recovery::BootReplyBuilder;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5)
        return 0;
    in_addr_t server;
    std::memcpy(&server, data, 4);
    const std::size_t pathLength = data[4] % 200;
    data += 5;
    size -= 5;
    const std::size_t taken = std::min(pathLength, size);
    std::string path(reinterpret_cast<const char*>(data), taken);
    path.erase(std::find(path.begin(), path.end(), '\0'), path.end());
    data += taken;
    size -= taken;

    std::array<std::uint8_t, BootReplyBuilder::kRecordSize> request{};
    std::memcpy(request.data(), data, std::min(size, request.size()));
    std::array<std::uint8_t, BootReplyBuilder::kRecordSize> reply = request;
    const BootReplyBuilder builder(server, path);
    if (!builder.Build(reply)) {
        if (reply != request)
            std::abort();
        return 0;
    }
    if (reply[0] != 2 || std::memcmp(&reply[20], &server, 4) != 0 ||
        std::memcmp(&reply[16], &builder.clientAddress, 4) != 0)
        std::abort();
    const void* end = std::memchr(&reply[108], 0, 128);
    if (end == nullptr)
        std::abort();
    const auto nameEnd = static_cast<const std::uint8_t*>(end) - reply.data();
    for (std::size_t i = 0; i < reply.size(); ++i) {
        const bool changed = i == 0 || (i >= 16 && i < 24) || (i >= 108 && i <= static_cast<std::size_t>(nameEnd));
        if (!changed && reply[i] != request[i])
            std::abort();
    }
    for (std::size_t i = 108; i < static_cast<std::size_t>(nameEnd); ++i)
        if (reply[i] >= 'a' && reply[i] <= 'z')
            std::abort();
    return 0;
}
