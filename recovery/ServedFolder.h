#pragma once
// The folder that TFTP serves and stores files in. Names from the network are resolved inside it, without
// regard to case, and checked after resolution; a name that would leave the folder is refused.
#include "recovery/FileHandle.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vornalix::recovery {

class ServedFolder {
public:
    // The folder of the firmware file (the current folder when the path has no separator).
    explicit ServedFolder(const std::string& firmwarePath);

    // A bare file name: not empty, not "." or "..", no '/', '\\', ':' or control characters, at most 255 bytes.
    static bool IsPlainName(std::string_view name);

    // Names beginning with '.' and files the system marks hidden are refused both ways, but for the firmware file.
    // The regular file inside the folder that `name` denotes: an exact match first, otherwise the one entry
    // whose name equals it without regard to case. nullopt when the name is refused or nothing matches, and
    // when the entry (through symbolic links) resolves to anything outside the folder or to a hidden file.
    std::optional<std::filesystem::path> FindForReading(std::string_view name) const;
    // Where a received file named `name` goes: the existing entry that matches (as above) or a new one.
    // nullopt when the name is refused, when it names the firmware file, or when the entry is not a regular file.
    std::optional<std::filesystem::path> TargetForWriting(std::string_view name) const;

    // A new temporary file in the folder for a file being received (".vornalix-receive-" and six characters), its
    // path into `path`: created with mode 0666 less the umask, and locked while it is open, so that
    // RemoveLeftoverReceives can tell it from one that a killed run left. Not open when it cannot be made.
    FileHandle CreateReceiveFile(std::filesystem::path& path) const;
    // Removes the temporary files that no open reception holds.
    void RemoveLeftoverReceives() const;

    const std::filesystem::path& directory() const { return folder; }

private:
    std::optional<std::filesystem::path> Match(std::string_view name) const;
    bool Inside(const std::filesystem::path& resolved) const;
    bool Hidden(std::string_view name) const;

    std::filesystem::path folder;
    std::filesystem::path firmwareFile;
};

} // namespace vornalix::recovery
