#include "hostnet/InterfaceAddressTable.h"
#include "common/DottedAddress.h"
#include "hostnet/OidRoutines.h"
#include "hostnet/fake/FakeMibAgent.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace vornalix::hostnet;

namespace {

constexpr std::int32_t kEthernet = 6;
constexpr std::int32_t kPpp = 23;
constexpr std::int32_t kLoopback = 24;

std::string Dotted(std::uint32_t address) {
    return vornalix::common::FormatDottedAddress(address);
}

class InterfaceAddressTableTest : public ::testing::Test {
protected:
    int List(int capacity) {
        std::memset(table, 0x5A, sizeof table);
        return ListInterfaceAddresses(agent, table, capacity);
    }
    FakeMibAgent agent;
    AdapterEntry table[12];
};

TEST_F(InterfaceAddressTableTest, CapacityZeroLoadsAndUnloadsOnly) {
    agent.AddInterface(2, "eth0", kEthernet);
    agent.AddAddress("192.168.1.2", 2);
    EXPECT_EQ(List(0), -1);
    EXPECT_EQ(agent.calls, (std::vector<std::string>{"Load inetmib1.dll", "Unload"}));
    EXPECT_EQ(static_cast<unsigned char>(table[0].description[0]), 0x5A); // nothing written
    EXPECT_EQ(List(-3), -1);
}

TEST_F(InterfaceAddressTableTest, LoopbackAndDialUpOnlyGiveNothing) {
    agent.AddInterface(1, "MS TCP Loopback interface", kLoopback);
    agent.AddInterface(3, "WAN (PPP/SLIP) Interface", kPpp);
    agent.AddAddress("127.0.0.1", 1);
    agent.AddAddress("10.64.3.7", 3);
    EXPECT_EQ(List(10), 0);
    EXPECT_EQ(agent.calls.front(), "Load inetmib1.dll");
    EXPECT_EQ(agent.calls[1], "Init");
    EXPECT_EQ(agent.calls.back(), "Unload");
}

TEST_F(InterfaceAddressTableTest, UnusableAddressesArePassedOver) {
    // 0.0.0.0 sorts before 192.168.1.20 within the interface; multicast and reserved too.
    agent.AddInterface(4, "Ethernet adapter", kEthernet);
    agent.AddAddress("0.0.0.0", 4);
    agent.AddAddress("224.0.0.9", 4);
    agent.AddAddress("192.168.1.20", 4);
    agent.AddAddress("240.1.1.1", 4);
    ASSERT_EQ(List(10), 1);
    EXPECT_STREQ(table[0].description, "Ethernet adapter");
    EXPECT_EQ(Dotted(table[0].address), "192.168.1.20");
}

TEST_F(InterfaceAddressTableTest, FirstOctetBoundaries) {
    agent.AddInterface(1, "a", kEthernet);
    agent.AddAddress("223.255.255.254", 1);
    agent.AddInterface(2, "b", kEthernet);
    agent.AddAddress("1.0.0.1", 2);
    agent.AddInterface(3, "c", kEthernet);
    agent.AddAddress("224.0.0.1", 3);
    ASSERT_EQ(List(10), 2);
    EXPECT_EQ(Dotted(table[0].address), "223.255.255.254");
    EXPECT_EQ(Dotted(table[1].address), "1.0.0.1");
}

TEST_F(InterfaceAddressTableTest, OneEntryPerInterfaceInIndexOrder) {
    // Indexes compare as unsigned: 0x80000001 sorts last.
    agent.AddInterface(0x80000001u, "high", kEthernet);
    agent.AddInterface(7, "seven", kEthernet);
    agent.AddInterface(2, "two", kEthernet);
    agent.AddAddress("10.0.0.1", 0x80000001u);
    agent.AddAddress("10.0.7.1", 7);
    agent.AddAddress("10.0.7.2", 7);
    agent.AddAddress("10.0.2.1", 2);
    ASSERT_EQ(List(10), 3);
    EXPECT_STREQ(table[0].description, "two");
    EXPECT_STREQ(table[1].description, "seven");
    EXPECT_EQ(Dotted(table[1].address), "10.0.7.1");
    EXPECT_STREQ(table[2].description, "high");
}

TEST_F(InterfaceAddressTableTest, CapacityTwoOfThreeTakesLowestIndexes) {
    for (std::uint32_t index : {5u, 3u, 9u}) {
        agent.AddInterface(index, "if" + std::to_string(index), kEthernet);
        agent.AddAddress("192.168." + std::to_string(index) + ".1", index);
    }
    std::memset(table, 0x5A, sizeof table);
    EXPECT_EQ(ListInterfaceAddresses(agent, table, 2), 2);
    EXPECT_STREQ(table[0].description, "if3");
    EXPECT_STREQ(table[1].description, "if5");
    EXPECT_EQ(static_cast<unsigned char>(table[2].description[0]), 0x5A);
}

TEST_F(InterfaceAddressTableTest, OtherTypesAreSkippedEvenWithUsableAddress) {
    agent.AddInterface(2, "ppp0", kPpp);
    agent.AddAddress("192.168.1.7", 2);
    agent.AddInterface(3, "token ring", 9);
    agent.AddAddress("192.168.2.7", 3);
    agent.AddInterface(4, "eth", kEthernet);
    agent.AddAddress("192.168.3.7", 4);
    ASSERT_EQ(List(10), 1);
    EXPECT_STREQ(table[0].description, "eth");
}

TEST_F(InterfaceAddressTableTest, EthernetWithoutAddressIsSkipped) {
    agent.AddInterface(2, "unplugged", kEthernet);
    agent.AddInterface(3, "plugged", kEthernet);
    agent.AddAddress("192.168.1.3", 3);
    ASSERT_EQ(List(10), 1);
    EXPECT_STREQ(table[0].description, "plugged");
}

TEST_F(InterfaceAddressTableTest, EitherTableEmptyGivesZero) {
    agent.AddInterface(2, "eth", kEthernet);
    EXPECT_EQ(List(10), 0);
    FakeMibAgent addressesOnly;
    addressesOnly.AddAddress("192.168.1.3", 2);
    EXPECT_EQ(ListInterfaceAddresses(addressesOnly, table, 10), 0);
}

TEST_F(InterfaceAddressTableTest, MissingAgentGivesZero) {
    agent.AddInterface(2, "eth", kEthernet);
    agent.AddAddress("192.168.1.3", 2);
    agent.failLoad = true;
    EXPECT_EQ(List(10), 0);
    EXPECT_EQ(agent.calls.back(), "Unload");
}

TEST_F(InterfaceAddressTableTest, LongDescriptionIsCutSafely) {
    const std::string longText(300, 'D'); // no zero octet at all
    agent.AddInterface(2, longText, kEthernet);
    agent.AddAddress("192.168.1.3", 2);
    agent.AddInterface(3, std::string("short\0hidden", 12), kEthernet);
    agent.AddAddress("192.168.1.4", 3);
    ASSERT_EQ(List(10), 2);
    EXPECT_EQ(std::string(table[0].description), std::string(255, 'D'));
    EXPECT_STREQ(table[1].description, "short");
}

TEST_F(InterfaceAddressTableTest, WalkStopsWhenTheColumnEnds) {
    for (std::uint32_t i = 1; i <= 3; ++i) {
        agent.AddInterface(i, "if", kEthernet);
        agent.AddAddress("10.1.1." + std::to_string(i), i);
    }
    AddressRow rows[kMaxTableRows];
    const int before = agent.QueryCount();
    agent.Load("inetmib1.dll");
    EXPECT_EQ(WalkAddressTable(agent, rows, kMaxTableRows), 3);
    EXPECT_EQ(agent.QueryCount() - before, 4); // three rows, then the agent runs out
    EXPECT_EQ(Dotted(rows[2].address), "10.1.1.3");
    EXPECT_EQ(rows[2].interfaceIndex, 3u);
    // In the interface walk the fourth answer names the next column (ifDescr.1): the walk ends there.
    InterfaceRow interfaces[kMaxTableRows];
    const int queries = agent.QueryCount();
    EXPECT_EQ(WalkInterfaceTable(agent, interfaces, kMaxTableRows), 3);
    EXPECT_EQ(agent.QueryCount() - queries, 4);
    EXPECT_EQ(interfaces[1].interfaceIndex, 2u);
    EXPECT_EQ(interfaces[1].interfaceType, 6u);
}

TEST_F(InterfaceAddressTableTest, WalkStopsAtTheEndOfTheView) {
    // ifType is the last column served: the third binding runs out first and the agent fails.
    agent.AddInterface(1, "a", kEthernet);
    agent.AddInterface(2, "b", kEthernet);
    agent.Load("inetmib1.dll");
    InterfaceRow rows[kMaxTableRows];
    EXPECT_EQ(WalkInterfaceTable(agent, rows, kMaxTableRows), 2);
    EXPECT_EQ(agent.QueryCount(), 3);
}

TEST_F(InterfaceAddressTableTest, WalkStopsAt256Rows) {
    for (std::uint32_t i = 1; i <= 300; ++i) {
        agent.AddInterface(i, "if", i == 300 ? kEthernet : kPpp);
        agent.AddAddress("10.2." + std::to_string(i / 256) + "." + std::to_string(i % 256), i);
    }
    agent.Load("inetmib1.dll");
    AddressRow rows[kMaxTableRows];
    EXPECT_EQ(WalkAddressTable(agent, rows, kMaxTableRows), 256);
    EXPECT_EQ(agent.QueryCount(), 256);
    // Interface 300 is beyond the 256 rows read, so nothing qualifies.
    EXPECT_EQ(List(10), 0);
}

TEST_F(InterfaceAddressTableTest, NonAddressValuesReadAsZero) {
    // An agent that answers the address column with an integer: the row is 0.0.0.0 and skipped.
    agent.AddInterface(2, "eth", kEthernet);
    agent.View().SetInteger({1, 3, 6, 1, 2, 1, 4, 20, 1, 1}, {10, 0, 0, 1}, 42);
    agent.View().SetInteger({1, 3, 6, 1, 2, 1, 4, 20, 1, 2}, {10, 0, 0, 1}, 2);
    agent.View().SetOctets({1, 3, 6, 1, 2, 1, 4, 20, 1, 1}, {10, 0, 0, 2}, std::string("\x0A\x00", 2), kAsnIpAddress);
    agent.View().SetInteger({1, 3, 6, 1, 2, 1, 4, 20, 1, 2}, {10, 0, 0, 2}, 2);
    agent.View().SetOctets({1, 3, 6, 1, 2, 1, 4, 20, 1, 1}, {10, 0, 0, 3}, std::string("\x0A\x00\x00\x03", 4),
                           kAsnIpAddress);
    agent.View().SetInteger({1, 3, 6, 1, 2, 1, 4, 20, 1, 2}, {10, 0, 0, 3}, 2);
    ASSERT_EQ(List(10), 1);
    EXPECT_EQ(Dotted(table[0].address), "10.0.0.3");
}

TEST(OidRoutines, CompareCopyAndFree) {
    std::uint32_t aIds[] = {1, 3, 6, 1, 2};
    std::uint32_t bIds[] = {1, 3, 7};
    AsnObjectIdentifier a{5, aIds};
    AsnObjectIdentifier b{3, bIds};
    EXPECT_EQ(CompareOidPrefix(&a, &b, 2), 0);
    EXPECT_LT(CompareOidPrefix(&a, &b, 10), 0);
    EXPECT_GT(CompareOidPrefix(&b, &a, 10), 0);
    AsnObjectIdentifier empty{0, nullptr};
    EXPECT_EQ(CompareOidPrefix(&a, &empty, 10), 0); // nothing compared

    AsnObjectIdentifier copy{};
    ASSERT_EQ(CopyOid(&copy, &a), 1);
    EXPECT_NE(copy.ids, a.ids);
    EXPECT_EQ(CompareOidPrefix(&copy, &a, 5), 0);
    FreeOid(&copy);
    EXPECT_EQ(copy.idLength, 0u);
    EXPECT_EQ(copy.ids, nullptr);

    SnmpVarBind binding{};
    CopyOid(&binding.name, &a);
    binding.value.asnType = kAsnOctetString;
    binding.value.asnValue.string = {static_cast<std::uint8_t*>(MibAlloc(8)), 8, 1};
    FreeVarBind(&binding);
    EXPECT_EQ(binding.value.asnType, kAsnNull);
    EXPECT_EQ(binding.name.ids, nullptr);
    // A static octet string (dynamic flag clear) is not released.
    static std::uint8_t fixed[4];
    binding.value.asnType = kAsnIpAddress;
    binding.value.asnValue.string = {fixed, 4, 0};
    FreeVarBind(&binding);
    EXPECT_EQ(binding.value.asnType, kAsnNull);
}

} // namespace
