// libFuzzer target: TFTP request and option parsing, and the resolution of requested names in the served folder.
#include "recovery/ServedFolder.h"
#include "recovery/TftpPacket.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <unistd.h>

using vornalix::recovery::ServedFolder;
using vornalix::recovery::TftpPacket;

namespace {

const ServedFolder& Folder() {
    static const ServedFolder folder = [] {
        const auto root = std::filesystem::temp_directory_path() / ("vx-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(root / "fw");
        std::ofstream(root / "fw" / "image.bin") << "x";
        std::ofstream(root / "secret") << "x";
        std::error_code error;
        std::filesystem::create_symlink(root / "secret", root / "fw" / "link", error);
        return ServedFolder((root / "fw" / "image.bin").string());
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> datagram(data, size);
    TftpPacket::OpcodeOf(datagram);
    TftpPacket::BlockOf(datagram);
    const std::string name = TftpPacket::TextAt(datagram, 2);
    if (name.size() > TftpPacket::kMaxTextLength)
        std::abort();
    for (std::size_t limit : {size, size / 2, std::size_t{0}}) {
        TftpPacket::Options options;
        TftpPacket::ParseOptions(datagram, limit, options);
        if (options.blockSize < TftpPacket::kMinBlockSize || options.blockSize > TftpPacket::kMaxBlockSize ||
            options.timeout < 1 || options.timeout > TftpPacket::kMaxTimeout)
            std::abort();
    }
    if (const auto offset = TftpPacket::OptionsOffset(datagram); offset && *offset > size)
        std::abort();

    const ServedFolder& folder = Folder();
    if (const auto found = folder.FindForReading(name); found && found->parent_path() != folder.directory())
        std::abort();
    if (const auto target = folder.TargetForWriting(name);
        target && (target->parent_path() != folder.directory() || target->filename() == "image.bin"))
        std::abort();
    if (ServedFolder::IsPlainName(name) && name.find_first_of("/\\:") != std::string::npos)
        std::abort();
    return 0;
}
