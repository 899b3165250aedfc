#pragma once
// The restart calls on Linux: refused. RestartComputer only calls them on version 5 and
// Windows Me; the wizard never reboots a Linux PC.
#include "hostnet/SystemControl.h"

namespace vornalix::hostnet {

class LinuxSystemControl : public SystemControl {
public:
    bool OpenProcessToken(std::uint32_t, TokenHandle*) override { return false; }
    bool LookupPrivilegeValue(const std::string&, Luid*) override { return false; }
    bool AdjustTokenPrivileges(TokenHandle, const Luid&, std::uint32_t) override { return false; }
    bool ExitWindowsEx(std::uint32_t, std::uint32_t) override { return false; }
    void CloseToken(TokenHandle) override {}
};

} // namespace vornalix::hostnet
