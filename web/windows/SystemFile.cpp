#include "web/SystemFile.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace vornalix::web {

namespace {

// The UTF-16 form of a UTF-8 name; false for bytes that are not UTF-8.
bool WideName(const std::string& path, std::wstring& wide) {
    if (path.empty()) {
        wide.clear();
        return true;
    }
    int length =
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()), nullptr, 0);
    if (length <= 0)
        return false;
    wide.resize(static_cast<std::size_t>(length));
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()), wide.data(),
                          length);
    return true;
}

FileFacts Facts(const struct _stat64& info) {
    FileFacts facts;
    int type = info.st_mode & _S_IFMT;
    facts.kind = type == _S_IFREG ? FileKind::Regular : type == _S_IFDIR ? FileKind::Folder : FileKind::Other;
    facts.size = static_cast<std::uint64_t>(info.st_size);
    return facts;
}

} // namespace

int InspectPath(const std::string& path, FileFacts& facts) {
    // Opening never waits on Windows, and devices and pipes have no attributes to look at: only a
    // folder is told here (it would not open); the open file tells the rest.
    std::wstring wide;
    if (!WideName(path, wide))
        return EILSEQ;
    DWORD attributes = ::GetFileAttributesW(wide.c_str());
    facts = {};
    facts.kind = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FileKind::Folder
                                                                                                  : FileKind::Regular;
    return 0;
}

int InspectFile(int fd, FileFacts& facts) {
    // The runtime asks the handle's type: disk files are regular, devices and pipes are not.
    struct _stat64 info {};
    if (::_fstat64(fd, &info) != 0)
        return errno;
    facts = Facts(info);
    return 0;
}

int OpenForReading(const std::string& path, int& error) {
    // Opening a pipe or a device on Windows never waits for a peer.
    std::wstring wide;
    if (!WideName(path, wide)) {
        error = EILSEQ;
        return -1;
    }
    int fd = ::_wopen(wide.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    error = fd < 0 ? errno : 0;
    return fd;
}

long ReadBytes(int fd, char* buffer, std::size_t size, int& error) {
    int got = ::_read(fd, buffer, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
    error = got < 0 ? errno : 0;
    return got;
}

bool SeekToStart(int fd) {
    return ::_lseeki64(fd, 0, SEEK_SET) == 0;
}

void CloseFile(int fd) {
    ::_close(fd);
}

} // namespace vornalix::web
