#pragma once
// The system calls of a computer restart, shaped like advapi32's and user32's so that a
// direct Windows backend is a thin wrapper. Results are true on success.
#include <cstdint>
#include <string>

namespace vornalix::hostnet {

using TokenHandle = std::uintptr_t;

// A locally unique identifier (LUID) of a privilege.
struct Luid {
    std::uint32_t lowPart = 0;
    std::int32_t highPart = 0;
};

constexpr std::uint32_t kTokenAdjustPrivileges = 0x20;
constexpr std::uint32_t kTokenQuery = 0x08;
constexpr std::uint32_t kSePrivilegeEnabled = 2;
constexpr std::uint32_t kEwxReboot = 2;
inline constexpr const char* kSeShutdownName = "SeShutdownPrivilege";

class SystemControl {
public:
    virtual ~SystemControl() = default;
    // OpenProcessToken on the current process.
    virtual bool OpenProcessToken(std::uint32_t desiredAccess, TokenHandle* token) = 0;
    // LookupPrivilegeValueA on the local system.
    virtual bool LookupPrivilegeValue(const std::string& name, Luid* luid) = 0;
    // AdjustTokenPrivileges with one privilege, without disabling the others and without the
    // previous state.
    virtual bool AdjustTokenPrivileges(TokenHandle token, const Luid& luid, std::uint32_t attributes) = 0;
    // ExitWindowsEx.
    virtual bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) = 0;
    // CloseHandle on a token.
    virtual void CloseToken(TokenHandle token) = 0;
};

} // namespace vornalix::hostnet
