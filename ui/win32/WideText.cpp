#include "ui/win32/WideText.h"
#include "ui/win32/WinApi.h"

namespace vornalix::ui::win32 {

std::wstring Utf16(const std::string& utf8) {
    if (utf8.empty())
        return {};
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

std::string Utf8(const wchar_t* utf16, int length) {
    if (length <= 0)
        return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, utf16, length, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16, length, narrow.data(), size, nullptr, nullptr);
    return narrow;
}

std::string Utf8(const std::wstring& utf16) {
    return Utf8(utf16.data(), static_cast<int>(utf16.size()));
}

} // namespace vornalix::ui::win32
