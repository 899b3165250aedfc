#include "recovery/FileHandle.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vornalix::recovery {

FileHandle FileHandle::OpenForReading(const std::filesystem::path& path) {
    return FileHandle(open(path.c_str(), O_RDONLY | O_CLOEXEC));
}

FileHandle FileHandle::CreateLocked(const std::filesystem::path& path, bool& exists) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    exists = fd < 0 && errno == EEXIST;
    // Where the file system has no such locks, RemoveUnlessLocked cannot take one either.
    if (fd >= 0)
        flock(fd, LOCK_EX | LOCK_NB);
    return FileHandle(fd);
}

bool FileHandle::RemoveUnlessLocked(const std::filesystem::path& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    // A lock that is free belongs to no open handle.
    const bool removed = flock(fd, LOCK_EX | LOCK_NB) == 0 && unlink(path.c_str()) == 0;
    close(fd);
    return removed;
}

bool FileHandle::HiddenBySystem(const std::filesystem::path&) {
    return false;
}

std::optional<std::uint64_t> FileHandle::Size() const {
    struct stat info {};
    if (fstat(static_cast<int>(handle), &info) != 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

long FileHandle::ReadAt(void* buffer, std::size_t size, std::uint64_t offset) const {
    for (;;) {
        const ssize_t got = pread(static_cast<int>(handle), buffer, size, static_cast<off_t>(offset));
        if (got >= 0 || errno != EINTR)
            return static_cast<long>(got);
    }
}

bool FileHandle::WriteAt(const void* data, std::size_t size, std::uint64_t offset) {
    return pwrite(static_cast<int>(handle), data, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

bool FileHandle::Flush() {
    return fsync(static_cast<int>(handle)) == 0;
}

void FileHandle::Close() {
    if (handle != kClosed)
        close(static_cast<int>(std::exchange(handle, kClosed)));
}

} // namespace vornalix::recovery
