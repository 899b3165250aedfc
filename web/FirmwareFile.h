#pragma once
// The firmware file, opened for reading without ever blocking: anything that is not a regular
// file (a folder, a named pipe, a device) is refused before it is opened, and the open itself
// does not wait, in case the name was swapped for such a thing in between.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vornalix::web {

class FirmwareFile {
public:
    // Error() for a name that exists but is neither a regular file nor a folder.
    static constexpr int kNotRegular = -1;

    explicit FirmwareFile(const std::string& path);
    ~FirmwareFile();
    FirmwareFile(const FirmwareFile&) = delete;
    FirmwareFile& operator=(const FirmwareFile&) = delete;

    // 0 when the file is open; otherwise the errno that stopped it (EISDIR for a folder) or kNotRegular.
    int Error() const { return error; }
    int Fd() const { return fd; }
    std::uint64_t Size() const { return size; }

private:
    int fd = -1;
    int error = 0;
    std::uint64_t size = 0;
};

// The file-error message for path: the open-error prefix followed by the cause in the UI
// language, the cause cut to at most causeLimit bytes.
std::string FileErrorText(const std::string& path, int error, std::size_t causeLimit = 255);
// The message for an empty firmware file, naming it.
std::string EmptyFileText(const std::string& path);
// "" when path names a readable, non-empty regular file; otherwise the message for the user
// (FileErrorText or EmptyFileText). Never blocks.
std::string FirmwareFileProblem(const std::string& path, std::size_t causeLimit = 255);

} // namespace vornalix::web
