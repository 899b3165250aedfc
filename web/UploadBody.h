#pragma once
// The multipart body of a firmware upload, produced piece by piece so that memory does not
// grow with the image: part header, file bytes in pieces of 1024, zero fill up to the image
// length, closing delimiter. Never yields more than the declared length. When the caller's
// buffer has room for several whole pieces of the file they are read straight into it.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace vornalix::web {

class UploadBody {
public:
    static constexpr std::size_t kPieceSize = 1024;

    // partHeader: body items 1 and 2. fd: the open firmware file, positioned at its start, not
    // owned. fileLength: file bytes to send. imageLength: file bytes plus zero fill (>= fileLength).
    UploadBody(std::string partHeader, int fd, std::uint64_t fileLength, std::uint64_t imageLength);

    std::uint64_t DeclaredLength() const { return declaredLength; }
    std::uint64_t Written() const { return written; }
    std::uint64_t FileBytesSent() const { return fileBytesSent; }

    // Copies up to size bytes of the body into buffer; 0 at the end. Returns kReadFailed when the
    // file ends early or a read fails: the body must then be abandoned (see FileError()).
    static constexpr std::size_t kReadFailed = static_cast<std::size_t>(-1);
    std::size_t Read(char* buffer, std::size_t size);

    // Starts over at the first byte (the file is read again); false after a failure.
    bool Rewind();

    // errno of the failed read, or 0 when the file ended before fileLength bytes.
    int FileError() const { return fileError; }
    bool Failed() const { return failed; }

    // Called with the body bytes produced so far after each piece.
    std::function<void(std::uint64_t written)> onProgress;

private:
    enum class Stage { Header, File, Zeros, Closing, Done };
    bool NextPiece();
    // Reads up to size file bytes (never past fileLength) into buffer; 0 after a failure.
    std::size_t ReadFile(char* buffer, std::size_t size);

    std::string partHeader;
    std::string closing;
    int fd;
    std::uint64_t fileLength;
    std::uint64_t imageLength;
    std::uint64_t declaredLength;
    Stage stage = Stage::Header;
    char piece[kPieceSize];
    const char* pending = nullptr;
    std::size_t pendingSize = 0;
    std::uint64_t written = 0;
    std::uint64_t fileBytesSent = 0;
    std::uint64_t zerosSent = 0;
    bool failed = false;
    int fileError = 0;
};

} // namespace vornalix::web
