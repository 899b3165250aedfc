#pragma once
// The system's file calls behind the firmware file and the upload body, on C library descriptors:
// POSIX ones, or on Windows the C runtime's over a file opened by its UTF-16 name. Names are UTF-8;
// failures are errno values.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vornalix::web {

enum class FileKind { Regular, Folder, Other };

struct FileFacts {
    FileKind kind = FileKind::Other;
    std::uint64_t size = 0;
};

// 0 and the facts of what path names, without opening it; otherwise errno. On Windows only a folder
// is told apart before the open.
int InspectPath(const std::string& path, FileFacts& facts);
// 0 and the facts of the open file; otherwise errno.
int InspectFile(int fd, FileFacts& facts);
// A descriptor read-only, not inherited, opened without waiting; -1 and error otherwise.
int OpenForReading(const std::string& path, int& error);
// Bytes read (0 at the end), or -1 and error; interrupted reads are retried.
long ReadBytes(int fd, char* buffer, std::size_t size, int& error);
bool SeekToStart(int fd);
void CloseFile(int fd);

} // namespace vornalix::web
