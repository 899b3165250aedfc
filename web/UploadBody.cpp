#include "web/UploadBody.h"

#include "web/GatewayHttpSession.h"
#include "web/SystemFile.h"

#include <algorithm>
#include <cstring>

namespace vornalix::web {

UploadBody::UploadBody(std::string partHeader, int fd, std::uint64_t fileLength, std::uint64_t imageLength)
    : partHeader(std::move(partHeader)), closing("\r\n--" + std::string(kBoundary) + "--\r\n"), fd(fd),
      fileLength(fileLength), imageLength(std::max(imageLength, fileLength)),
      declaredLength(this->partHeader.size() + this->imageLength + closing.size()) {}

std::size_t UploadBody::ReadFile(char* buffer, std::size_t size) {
    // Never past fileLength, even when the file has grown since it was measured.
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size, fileLength - fileBytesSent));
    int error = 0;
    long got = ReadBytes(fd, buffer, want, error);
    if (got <= 0) {
        fileError = error;
        failed = true;
        return 0;
    }
    fileBytesSent += static_cast<std::uint64_t>(got);
    return static_cast<std::size_t>(got);
}

bool UploadBody::NextPiece() {
    for (;;) {
        switch (stage) {
        case Stage::Header:
            stage = Stage::File;
            pending = partHeader.data();
            pendingSize = partHeader.size();
            return true;
        case Stage::File: {
            if (fileBytesSent == fileLength) {
                stage = Stage::Zeros;
                continue;
            }
            pendingSize = ReadFile(piece, kPieceSize);
            pending = piece;
            return pendingSize > 0;
        }
        case Stage::Zeros: {
            std::uint64_t missing = imageLength - fileLength - zerosSent;
            if (missing == 0) {
                stage = Stage::Closing;
                continue;
            }
            std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(kPieceSize, missing));
            std::memset(piece, 0, size);
            zerosSent += size;
            pending = piece;
            pendingSize = size;
            return true;
        }
        case Stage::Closing:
            stage = Stage::Done;
            pending = closing.data();
            pendingSize = closing.size();
            return true;
        case Stage::Done:
            return false;
        }
    }
}

bool UploadBody::Rewind() {
    if (failed || !SeekToStart(fd))
        return false;
    stage = Stage::Header;
    pending = nullptr;
    pendingSize = 0;
    written = 0;
    fileBytesSent = 0;
    zerosSent = 0;
    return true;
}

std::size_t UploadBody::Read(char* buffer, std::size_t size) {
    if (failed)
        return kReadFailed;
    std::size_t copied = 0;
    while (copied < size) {
        std::size_t room = size - copied;
        if (pendingSize == 0 && stage == Stage::File && fileBytesSent < fileLength && room >= kPieceSize) {
            // Whole pieces straight into the caller's buffer: one copy, as few reads as possible.
            std::size_t n = ReadFile(buffer + copied, room - room % kPieceSize);
            if (n == 0)
                break;
            copied += n;
            written += n;
            if (onProgress)
                onProgress(written);
            continue;
        }
        if (pendingSize == 0 && !NextPiece())
            break;
        std::size_t n = std::min(pendingSize, room);
        std::memcpy(buffer + copied, pending, n);
        pending += n;
        pendingSize -= n;
        copied += n;
        written += n;
        if (pendingSize == 0 && onProgress)
            onProgress(written);
    }
    if (failed)
        return kReadFailed;
    return copied;
}

} // namespace vornalix::web
