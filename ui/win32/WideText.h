#pragma once
// UTF-8 inside, UTF-16 at the Win32 API.
#include <string>

namespace vornalix::ui::win32 {

std::wstring Utf16(const std::string& utf8);
std::string Utf8(const std::wstring& utf16);
std::string Utf8(const wchar_t* utf16, int length);

} // namespace vornalix::ui::win32
