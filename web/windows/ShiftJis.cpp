#include "web/SystemInfoText.h"

#include <windows.h>

namespace vornalix::web {

namespace {

constexpr UINT kShiftJis = 932;

} // namespace

// Through UTF-16 with the system's code page 932 tables; bytes that are not Shift-JIS become the
// tables' replacement character.
std::string ShiftJisToUtf8(std::string_view text) {
    if (text.empty())
        return {};
    int wideLength = ::MultiByteToWideChar(kShiftJis, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wideLength <= 0)
        return std::string(text);
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    ::MultiByteToWideChar(kShiftJis, 0, text.data(), static_cast<int>(text.size()), wide.data(), wideLength);
    int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return std::string(text);
    std::string out(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, out.data(), length, nullptr, nullptr);
    return out;
}

} // namespace vornalix::web
