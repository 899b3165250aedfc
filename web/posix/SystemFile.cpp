#include "web/SystemFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vornalix::web {

namespace {

FileFacts Facts(const struct stat& info) {
    FileFacts facts;
    facts.kind = S_ISREG(info.st_mode) ? FileKind::Regular : S_ISDIR(info.st_mode) ? FileKind::Folder : FileKind::Other;
    facts.size = static_cast<std::uint64_t>(info.st_size);
    return facts;
}

} // namespace

int InspectPath(const std::string& path, FileFacts& facts) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return errno;
    facts = Facts(info);
    return 0;
}

int InspectFile(int fd, FileFacts& facts) {
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return errno;
    facts = Facts(info);
    return 0;
}

int OpenForReading(const std::string& path, int& error) {
    // O_NONBLOCK: a named pipe put in place of the file after the check does not hold the open.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    error = fd < 0 ? errno : 0;
    return fd;
}

long ReadBytes(int fd, char* buffer, std::size_t size, int& error) {
    ssize_t got;
    do
        got = ::read(fd, buffer, size);
    while (got < 0 && errno == EINTR);
    error = got < 0 ? errno : 0;
    return static_cast<long>(got);
}

bool SeekToStart(int fd) {
    return ::lseek(fd, 0, SEEK_SET) == 0;
}

void CloseFile(int fd) {
    ::close(fd);
}

} // namespace vornalix::web
