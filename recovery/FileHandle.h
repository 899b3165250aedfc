#pragma once
// One open file of the served folder, closed with the object: positioned reads and writes, its size, flushing,
// and the receive files that stay locked while open (a descriptor with flock on POSIX, a handle opened without
// write or delete sharing by others on Windows).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <utility>

namespace vornalix::recovery {

class FileHandle {
public:
    FileHandle() = default;
    ~FileHandle() { Close(); }
    FileHandle(FileHandle&& other) noexcept : handle(std::exchange(other.handle, kClosed)) {}
    FileHandle& operator=(FileHandle&& other) noexcept {
        if (this != &other) {
            Close();
            handle = std::exchange(other.handle, kClosed);
        }
        return *this;
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    static FileHandle OpenForReading(const std::filesystem::path& path);
    // Creates `path`, which must not exist (not even as a link: `exists` is then set), locked while open; it may
    // be renamed while open.
    static FileHandle CreateLocked(const std::filesystem::path& path, bool& exists);
    // Removes `path` when no open handle holds its lock; false when one does or it cannot be removed.
    static bool RemoveUnlessLocked(const std::filesystem::path& path);
    // Whether the system marks the file hidden (Windows: the hidden or system attribute; POSIX has no such mark,
    // a leading dot says it).
    static bool HiddenBySystem(const std::filesystem::path& path);

    bool IsOpen() const { return handle != kClosed; }
    std::optional<std::uint64_t> Size() const;
    // Up to `size` bytes at `offset`: the count read (0 at the end), -1 on error.
    long ReadAt(void* buffer, std::size_t size, std::uint64_t offset) const;
    // All `size` bytes at `offset`; false when not all were written.
    bool WriteAt(const void* data, std::size_t size, std::uint64_t offset);
    // Writes what the system holds for the file to its disk.
    bool Flush();
    void Close();

private:
    static constexpr std::intptr_t kClosed = -1;
    explicit FileHandle(std::intptr_t handle) : handle(handle) {}

    std::intptr_t handle = kClosed; // a descriptor, or a HANDLE on Windows
};

} // namespace vornalix::recovery
