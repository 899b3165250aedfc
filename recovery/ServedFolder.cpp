#include "recovery/ServedFolder.h"

#include <cstring>
#include <random>
#include <strings.h>

namespace vornalix::recovery {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kReceivePrefix = ".vornalix-receive-";

bool SameNameIgnoringCase(const std::string& a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

} // namespace

ServedFolder::ServedFolder(const std::string& firmwarePath) {
    const fs::path firmware(firmwarePath);
    const fs::path directory = firmware.has_parent_path() ? firmware.parent_path() : fs::path(".");
    std::error_code error;
    folder = fs::weakly_canonical(fs::absolute(directory, error), error);
    firmwareFile = fs::weakly_canonical(fs::absolute(firmware, error), error);
}

bool ServedFolder::IsPlainName(std::string_view name) {
    if (name.empty() || name.size() > 255 || name == "." || name == "..")
        return false;
    for (unsigned char c : name)
        if (c == '/' || c == '\\' || c == ':' || c < 0x20 || c == 0x7F)
            return false;
    return true;
}

std::optional<fs::path> ServedFolder::Match(std::string_view name) const {
    if (!IsPlainName(name))
        return std::nullopt;
    // Entries as the folder spells them: a file system that ignores case would find any spelling of the name
    // directly, and a write would then rename the file it replaces.
    std::error_code error;
    std::optional<fs::path> sameButCase;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string entryName = entry->path().filename().string();
        if (entryName == name)
            return entry->path();
        if (!sameButCase && SameNameIgnoringCase(entryName, name))
            sameButCase = entry->path();
    }
    return sameButCase;
}

bool ServedFolder::Inside(const fs::path& resolved) const {
    return resolved.parent_path() == folder;
}

bool ServedFolder::Hidden(std::string_view name) const {
    // Start-up and settings files (".profile", ".ssh") are no one's business on the cable; the firmware
    // itself is served whatever its name.
    return !name.empty() && name.front() == '.' && !SameNameIgnoringCase(firmwareFile.filename().string(), name);
}

std::optional<fs::path> ServedFolder::FindForReading(std::string_view name) const {
    if (Hidden(name))
        return std::nullopt;
    const auto entry = Match(name);
    if (!entry)
        return std::nullopt;
    std::error_code error;
    // A link is judged by what it leads to.
    const fs::path resolved = fs::canonical(*entry, error);
    if (error || !Inside(resolved) || Hidden(resolved.filename().string()) || !fs::is_regular_file(resolved, error))
        return std::nullopt;
    if (FileHandle::HiddenBySystem(resolved) && !fs::equivalent(resolved, firmwareFile, error))
        return std::nullopt;
    return resolved;
}

std::optional<fs::path> ServedFolder::TargetForWriting(std::string_view name) const {
    if (!IsPlainName(name) || Hidden(name))
        return std::nullopt;
    const fs::path target = Match(name).value_or(folder / fs::path(std::string(name)));
    std::error_code error;
    const auto status = fs::symlink_status(target, error);
    if (status.type() != fs::file_type::not_found && status.type() != fs::file_type::regular)
        return std::nullopt;
    if (status.type() == fs::file_type::regular &&
        (fs::equivalent(target, firmwareFile, error) || FileHandle::HiddenBySystem(target)))
        return std::nullopt;
    if (target == firmwareFile)
        return std::nullopt;
    return target;
}

FileHandle ServedFolder::CreateReceiveFile(fs::path& path) const {
    static constexpr char kCharacters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kCharacters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name(kReceivePrefix);
        for (int i = 0; i < 6; ++i)
            name.push_back(kCharacters[pick(random)]);
        const fs::path candidate = folder / name;
        bool exists = false;
        FileHandle file = FileHandle::CreateLocked(candidate, exists);
        if (exists)
            continue;
        if (file.IsOpen())
            path = candidate;
        return file;
    }
    return {};
}

void ServedFolder::RemoveLeftoverReceives() const {
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (name.rfind(kReceivePrefix, 0) != 0 || !entry->is_regular_file(error) || entry->is_symlink(error))
            continue;
        FileHandle::RemoveUnlessLocked(entry->path());
    }
}

} // namespace vornalix::recovery
