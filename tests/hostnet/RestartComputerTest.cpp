#include "hostnet/RestartComputer.h"
#include "hostnet/OsVersionWord.h"
#include "hostnet/fake/FakeSystemControl.h"

#include <gtest/gtest.h>

using namespace vornalix::hostnet;

namespace {

using Calls = std::vector<std::string>;

TEST(RestartComputer, Version5EnablesShutdownPrivilegeBeforeReboot) {
    for (std::uint16_t version : {0x0500, 0x0501, 0x0502}) {
        FakeSystemControl system;
        RestartComputer(system, version);
        EXPECT_EQ(system.calls,
                  (Calls{"OpenProcessToken 0x28", "LookupPrivilegeValue SeShutdownPrivilege",
                         "AdjustTokenPrivileges SeShutdownPrivilege 2", "ExitWindowsEx 2 0", "CloseToken"}))
            << version;
    }
}

TEST(RestartComputer, RefusedStepsDoNotStopTheSequence) {
    FakeSystemControl system;
    system.refuse = true;
    RestartComputer(system, 0x0500);
    ASSERT_EQ(system.calls.size(), 4u);
    EXPECT_EQ(system.calls.back(), "ExitWindowsEx 2 0");
}

TEST(RestartComputer, WindowsMeRebootsDirectly) {
    FakeSystemControl system;
    RestartComputer(system, 0x045A);
    EXPECT_EQ(system.calls, (Calls{"ExitWindowsEx 2 0"}));
}

TEST(RestartComputer, OtherSystemsAreLeftAlone) {
    for (std::uint16_t version : {0x040A, 0x0400, 0x0000, 0x0600}) {
        FakeSystemControl system;
        RestartComputer(system, version);
        EXPECT_TRUE(system.calls.empty()) << version;
    }
}

} // namespace
