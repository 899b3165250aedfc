#pragma once
// The restart calls of advapi32 and user32 on the current process's token.
#include "hostnet/SystemControl.h"

namespace vornalix::hostnet {

class WindowsSystemControl : public SystemControl {
public:
    bool OpenProcessToken(std::uint32_t desiredAccess, TokenHandle* token) override;
    bool LookupPrivilegeValue(const std::string& name, Luid* luid) override;
    // False also when the token lacks the privilege (ERROR_NOT_ALL_ASSIGNED).
    bool AdjustTokenPrivileges(TokenHandle token, const Luid& luid, std::uint32_t attributes) override;
    bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override;
    void CloseToken(TokenHandle token) override;
};

} // namespace vornalix::hostnet
