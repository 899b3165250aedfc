#pragma once
// System calls that only record themselves, in order.
#include "hostnet/SystemControl.h"

#include <string>
#include <vector>

namespace vornalix::hostnet {

class FakeSystemControl : public SystemControl {
public:
    // "OpenProcessToken 0x28", "LookupPrivilegeValue SeShutdownPrivilege",
    // "AdjustTokenPrivileges 1 2", "ExitWindowsEx 2 0", "CloseToken".
    std::vector<std::string> calls;
    bool refuse = false; // every call fails

    bool OpenProcessToken(std::uint32_t desiredAccess, TokenHandle* token) override;
    bool LookupPrivilegeValue(const std::string& name, Luid* luid) override;
    bool AdjustTokenPrivileges(TokenHandle token, const Luid& luid, std::uint32_t attributes) override;
    bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override;
    void CloseToken(TokenHandle token) override;
};

} // namespace vornalix::hostnet
