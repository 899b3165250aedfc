#include "recovery/FileHandle.h"

#include <windows.h>

#include <utility>

namespace vornalix::recovery {

namespace {

HANDLE AsHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

std::intptr_t FromHandle(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(handle);
}

} // namespace

FileHandle FileHandle::OpenForReading(const std::filesystem::path& path) {
    return FileHandle(FromHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
}

FileHandle FileHandle::CreateLocked(const std::filesystem::path& path, bool& exists) {
    // Others may read it; no one may write it or open it for deletion (the lock), but this process may rename it.
    const HANDLE created =
        CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    exists = created == INVALID_HANDLE_VALUE &&
             (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS);
    return FileHandle(FromHandle(created));
}

bool FileHandle::RemoveUnlessLocked(const std::filesystem::path& path) {
    // Sharing nothing: fails while any handle has the file open; deleted when this handle closes.
    const HANDLE opened = CreateFileW(path.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (opened == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(opened);
    return true;
}

bool FileHandle::HiddenBySystem(const std::filesystem::path& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
}

std::optional<std::uint64_t> FileHandle::Size() const {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(AsHandle(handle), &size))
        return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
}

long FileHandle::ReadAt(void* buffer, std::size_t size, std::uint64_t offset) const {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!ReadFile(AsHandle(handle), buffer, static_cast<DWORD>(size), &got, &at))
        return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return static_cast<long>(got);
}

bool FileHandle::WriteAt(const void* data, std::size_t size, std::uint64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD written = 0;
    return WriteFile(AsHandle(handle), data, static_cast<DWORD>(size), &written, &at) && written == size;
}

bool FileHandle::Flush() {
    return FlushFileBuffers(AsHandle(handle)) != 0;
}

void FileHandle::Close() {
    if (handle != kClosed)
        CloseHandle(AsHandle(std::exchange(handle, kClosed)));
}

} // namespace vornalix::recovery
