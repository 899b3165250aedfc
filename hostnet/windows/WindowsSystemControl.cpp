#include "hostnet/windows/WindowsSystemControl.h"

#include <windows.h>
// The interface's own name, not the ANSI/wide switch.
#undef LookupPrivilegeValue

namespace vornalix::hostnet {

static_assert(sizeof(TokenHandle) == sizeof(HANDLE));

bool WindowsSystemControl::OpenProcessToken(std::uint32_t desiredAccess, TokenHandle* token) {
    HANDLE opened = nullptr;
    if (!::OpenProcessToken(GetCurrentProcess(), desiredAccess, &opened))
        return false;
    *token = reinterpret_cast<TokenHandle>(opened);
    return true;
}

bool WindowsSystemControl::LookupPrivilegeValue(const std::string& name, Luid* luid) {
    LUID value{};
    if (!LookupPrivilegeValueA(nullptr, name.c_str(), &value))
        return false;
    luid->lowPart = value.LowPart;
    luid->highPart = value.HighPart;
    return true;
}

bool WindowsSystemControl::AdjustTokenPrivileges(TokenHandle token, const Luid& luid, std::uint32_t attributes) {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid.LowPart = luid.lowPart;
    privileges.Privileges[0].Luid.HighPart = luid.highPart;
    privileges.Privileges[0].Attributes = attributes;
    SetLastError(ERROR_SUCCESS);
    return ::AdjustTokenPrivileges(reinterpret_cast<HANDLE>(token), FALSE, &privileges, 0, nullptr, nullptr) &&
           GetLastError() != ERROR_NOT_ALL_ASSIGNED;
}

bool WindowsSystemControl::ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) {
    return ::ExitWindowsEx(flags, reason);
}

void WindowsSystemControl::CloseToken(TokenHandle token) {
    CloseHandle(reinterpret_cast<HANDLE>(token));
}

} // namespace vornalix::hostnet
