#include "hostnet/fake/FakeSystemControl.h"

#include <cstdio>

namespace vornalix::hostnet {

namespace {
constexpr TokenHandle kToken = 0x77;
constexpr std::uint32_t kShutdownLuid = 19;
} // namespace

bool FakeSystemControl::OpenProcessToken(std::uint32_t desiredAccess, TokenHandle* token) {
    char text[48];
    std::snprintf(text, sizeof text, "OpenProcessToken 0x%x", desiredAccess);
    calls.emplace_back(text);
    if (refuse)
        return false;
    *token = kToken;
    return true;
}

bool FakeSystemControl::LookupPrivilegeValue(const std::string& name, Luid* luid) {
    calls.push_back("LookupPrivilegeValue " + name);
    if (refuse)
        return false;
    luid->lowPart = kShutdownLuid;
    return true;
}

bool FakeSystemControl::AdjustTokenPrivileges(TokenHandle token, const Luid& luid, std::uint32_t attributes) {
    // The privilege is named by its LUID; a token or LUID that was not handed out shows as such.
    const bool known = token == kToken && luid.lowPart == kShutdownLuid;
    calls.push_back("AdjustTokenPrivileges " + std::string(known ? "SeShutdownPrivilege " : "unknown ") +
                    std::to_string(attributes));
    return !refuse && known;
}

bool FakeSystemControl::ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) {
    calls.push_back("ExitWindowsEx " + std::to_string(flags) + " " + std::to_string(reason));
    return !refuse;
}

void FakeSystemControl::CloseToken(TokenHandle) {
    calls.push_back("CloseToken");
}

} // namespace vornalix::hostnet
