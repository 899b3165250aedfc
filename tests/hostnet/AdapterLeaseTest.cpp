#include "hostnet/AdapterLease.h"
#include "hostnet/fake/FakeIpHelper.h"

#include <gtest/gtest.h>

using namespace vornalix::hostnet;

namespace {

constexpr std::uint16_t kXp = 0x0501;
using Calls = std::vector<std::string>;

class AdapterLeaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        library.adapters = {
            {11, {"192.168.10.5"}}, {12, {"10.0.0.2", "192.168.1.33"}}, {13, {"192.168.1.5"}}, {14, {"192.168.1.5"}}};
        library.interfaces = {{11, L"\\DEVICE\\TCPIP_{A}"}, {12, L"\\DEVICE\\TCPIP_{B}"}, {13, L"\\DEVICE\\TCPIP_{C}"}};
    }
    FakeIpHelper library;
};

TEST_F(AdapterLeaseTest, ByAddressTakesTheFirstAdapterWithThatFirstAddress) {
    EXPECT_EQ(FindAdapterByAddress(library, kXp, "192.168.1.5"), 13u);
    EXPECT_EQ(library.calls, (Calls{"Load", "GetAdaptersInfo", "Unload"}));
    EXPECT_EQ(FindAdapterByAddress(library, kXp, "192.168.10.5"), 11u);
}

TEST_F(AdapterLeaseTest, SecondAddressesAreNeverCompared) {
    EXPECT_EQ(FindAdapterByAddress(library, kXp, "192.168.1.33"), 0u);
    library.adapters = {{12, {"10.0.0.2", "192.168.1.33"}}};
    EXPECT_EQ(FindAdapterBySubnet(library, kXp, "192.168.1"), 0u);
    EXPECT_EQ(FindAdapterBySubnet(library, kXp, "10.0.0"), 12u);
}

TEST_F(AdapterLeaseTest, AddressComparisonIsExact) {
    EXPECT_EQ(FindAdapterByAddress(library, kXp, "192.168.1.50"), 0u);
    EXPECT_EQ(FindAdapterByAddress(library, kXp, "192.168.1."), 0u);
    EXPECT_EQ(FindAdapterByAddress(library, kXp, ""), 0u);
}

TEST_F(AdapterLeaseTest, SubnetComparesWholeCutTexts) {
    library.adapters = {{11, {"192.168.10.5"}}, {13, {"192.168.1.5"}}};
    EXPECT_EQ(FindAdapterBySubnet(library, kXp, "192.168.1"), 13u);
    library.adapters = {{11, {"192.168.10.5"}}};
    EXPECT_EQ(FindAdapterBySubnet(library, kXp, "192.168.1"), 0u);
    EXPECT_EQ(FindAdapterBySubnet(library, kXp, "192.168.10"), 11u);
}

TEST_F(AdapterLeaseTest, SubnetOfAnAddressWithoutDotIsEmpty) {
    library.adapters = {{21, {"garbage"}}, {22, {}}};
    EXPECT_EQ(FindAdapterBySubnet(library, kXp, ""), 21u);
}

TEST_F(AdapterLeaseTest, SubnetUnloadsRightAfterReading) {
    FindAdapterBySubnet(library, kXp, "192.168.1");
    EXPECT_EQ(library.calls, (Calls{"Load", "GetAdaptersInfo", "Unload"}));
}

TEST_F(AdapterLeaseTest, UnreadableAdapterListGivesZero) {
    library.adaptersInfoResult = 111;
    EXPECT_EQ(FindAdapterByAddress(library, kXp, "192.168.1.5"), 0u);
    EXPECT_EQ(FindAdapterBySubnet(library, kXp, "192.168.1"), 0u);
    EXPECT_EQ(library.calls.back(), "Unload");
    FakeIpHelper missing;
    missing.failLoad = true;
    EXPECT_EQ(FindAdapterByAddress(missing, kXp, "192.168.1.5"), 0u);
    FakeIpHelper noEntry;
    noEntry.adapters = library.adapters;
    noEntry.missingEntryPoints = {"GetAdaptersInfo"};
    EXPECT_EQ(FindAdapterBySubnet(noEntry, kXp, "192.168.1"), 0u);
    EXPECT_EQ(noEntry.calls, (Calls{"Load", "Unload"}));
}

TEST_F(AdapterLeaseTest, ReleaseThenRenewTheMatchingInterface) {
    EXPECT_EQ(ReleaseAdapterLease(library, kXp, 12), 1);
    EXPECT_EQ(RenewAdapterLease(library, kXp, 12), 1);
    EXPECT_EQ(library.calls, (Calls{"Load", "GetInterfaceInfo", "IpReleaseAddress 12", "Unload", "Load",
                                    "GetInterfaceInfo", "IpRenewAddress 12", "Unload"}));
}

TEST_F(AdapterLeaseTest, EveryInterfaceWithTheIndexIsVisited) {
    library.interfaces.push_back({12, L"second"});
    EXPECT_EQ(ReleaseAdapterLease(library, kXp, 12), 1);
    EXPECT_EQ(library.calls,
              (Calls{"Load", "GetInterfaceInfo", "IpReleaseAddress 12", "IpReleaseAddress 12", "Unload"}));
}

TEST_F(AdapterLeaseTest, UnknownIndexOrZeroSucceedsWithoutTouchingALease) {
    EXPECT_EQ(ReleaseAdapterLease(library, kXp, 0), 1);
    EXPECT_EQ(RenewAdapterLease(library, kXp, 99), 1);
    for (const auto& call : library.calls)
        EXPECT_EQ(call.find("Ip"), std::string::npos) << call;
}

TEST_F(AdapterLeaseTest, FailedReleaseReturnsZeroAndStops) {
    library.interfaces.push_back({12, L"second"});
    library.failRelease = {12};
    EXPECT_EQ(ReleaseAdapterLease(library, kXp, 12), 0);
    EXPECT_EQ(library.calls, (Calls{"Load", "GetInterfaceInfo", "IpReleaseAddress 12", "Unload"}));
    // The flow renews afterwards all the same, and that can succeed.
    EXPECT_EQ(RenewAdapterLease(library, kXp, 12), 1);
    library.failRenew = {12};
    EXPECT_EQ(RenewAdapterLease(library, kXp, 12), 0);
}

TEST_F(AdapterLeaseTest, UnreadableInterfaceTableGivesZero) {
    library.interfaceInfoResult = 232;
    EXPECT_EQ(ReleaseAdapterLease(library, kXp, 12), 0);
    EXPECT_EQ(library.calls, (Calls{"Load", "GetInterfaceInfo", "Unload"}));
    FakeIpHelper noEntry;
    noEntry.interfaces = library.interfaces;
    noEntry.missingEntryPoints = {"IpRenewAddress"};
    EXPECT_EQ(RenewAdapterLease(noEntry, kXp, 12), 0);
    EXPECT_EQ(ReleaseAdapterLease(noEntry, kXp, 12), 1);
}

TEST_F(AdapterLeaseTest, Version40DoesNothingAtAll) {
    EXPECT_EQ(FindAdapterByAddress(library, 0x0400, "192.168.1.5"), 0u);
    EXPECT_EQ(FindAdapterBySubnet(library, 0x0400, "192.168.1"), 0u);
    EXPECT_EQ(ReleaseAdapterLease(library, 0x0400, 13), 0);
    EXPECT_EQ(RenewAdapterLease(library, 0x0400, 13), 0);
    EXPECT_TRUE(library.calls.empty());
    // Only exactly 4.0: Windows 95 OSR and Linux (0) run the operations.
    EXPECT_EQ(FindAdapterByAddress(library, 0x0401, "192.168.1.5"), 13u);
    EXPECT_EQ(FindAdapterByAddress(library, 0x0000, "192.168.1.5"), 13u);
}

} // namespace
