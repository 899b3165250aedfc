// The Linux backends on real interfaces, created in a network namespace of this test
// process's own (the host's interfaces are never seen or touched).
#include "common/DottedAddress.h"
#include "hostnet/AdapterLease.h"
#include "hostnet/EmergencyAdapters.h"
#include "hostnet/InterfaceAddressTable.h"
#include "hostnet/linux/ArpProbe.h"
#include "hostnet/linux/DhcpClientControl.h"
#include "hostnet/linux/LinuxIpHelper.h"
#include "hostnet/linux/LinuxMibAgent.h"
#include "hostnet/linux/NetlinkAddressControl.h"
#include "hostnet/linux/NetlinkTables.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/if.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <map>

using namespace vornalix::hostnet;
using vornalix::common::FormatDottedAddress;

namespace {

class NoCommands : public CommandRunner {
public:
    int Run(const std::vector<std::string>& argv, std::string*) override {
        ran.push_back(argv.front());
        return 0;
    }
    bool Available(const std::string&) override { return true; }
    std::vector<std::string> ran;
};

bool Sh(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

class LinuxBackendsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (unshare(CLONE_NEWNET) != 0) {
            skipReason = "cannot create a network namespace";
            return;
        }
        // veth pair: vxa with two addresses, vxb with none; an Ethernet-type interface with
        // one address (dummy, or a bridge where the kernel has no dummy driver); a tun
        // interface (not Ethernet) with a usable address.
        const bool made = Sh("ip link set lo up") && Sh("ip link add vxa type veth peer name vxb") &&
                          Sh("ip addr add 192.168.77.1/24 dev vxa") && Sh("ip addr add 192.168.78.1/24 dev vxa") &&
                          (Sh("ip link add vxd0 type dummy") || Sh("ip link add vxd0 type bridge")) &&
                          Sh("ip addr add 10.44.0.5/16 dev vxd0") && Sh("ip tuntap add mode tun vxtun0") &&
                          Sh("ip addr add 172.20.0.1/32 dev vxtun0") && Sh("ip link set vxa up") &&
                          Sh("ip link set vxb up");
        if (!made) {
            skipReason = "cannot create test interfaces";
            return;
        }
        for (const char* name : {"lo", "vxa", "vxb", "vxd0", "vxtun0"})
            indexes[name] = if_nametoindex(name);
    }
    void SetUp() override {
        if (skipReason.empty())
            return;
        // The test runner's private namespace always allows one: there, a test that cannot run has failed.
        const char* privateNetns = std::getenv("VORNALIX_PRIVATE_NETNS");
        if (privateNetns != nullptr && std::string(privateNetns) == "1")
            FAIL() << skipReason;
        GTEST_SKIP() << skipReason;
    }

    static inline std::string skipReason;
    static inline std::map<std::string, std::uint32_t> indexes;
};

TEST_F(LinuxBackendsTest, KernelTablesSeeOnlyThisNamespace) {
    NetlinkTables tables;
    ASSERT_TRUE(tables.Read());
    std::vector<std::string> names;
    for (const auto& link : tables.links)
        names.push_back(link.name);
    EXPECT_EQ(names, (std::vector<std::string>{"lo", "vxb", "vxa", "vxd0", "vxtun0"}));
    int onVxa = 0;
    for (const auto& address : tables.addresses)
        onVxa += address.index == indexes["vxa"];
    EXPECT_EQ(onVxa, 2);
}

TEST_F(LinuxBackendsTest, AddressTableJoinsEthernetInterfacesOnly) {
    LinuxMibAgent agent;
    AdapterEntry table[10];
    ASSERT_EQ(ListInterfaceAddresses(agent, table, 10), 2);
    char text[16];
    EXPECT_STREQ(table[0].description, "vxa");
    EXPECT_STREQ(FormatDottedAddress(table[0].address, text), "192.168.77.1");
    EXPECT_STREQ(table[1].description, "vxd0");
    EXPECT_STREQ(FormatDottedAddress(table[1].address, text), "10.44.0.5");
    EXPECT_EQ(ListInterfaceAddresses(agent, table, 1), 1);
    EXPECT_EQ(ListInterfaceAddresses(agent, table, 0), -1);
    // The platform's own agent gives the same.
    EXPECT_EQ(ListInterfaceAddresses(table, 10), 2);

    agent.Load("inetmib1.dll");
    agent.Init(0);
    InterfaceRow rows[kMaxTableRows];
    ASSERT_EQ(WalkInterfaceTable(agent, rows, kMaxTableRows), 5);
    std::map<std::string, std::uint32_t> types;
    for (int i = 0; i < 5; ++i)
        types[rows[i].description] = rows[i].interfaceType;
    EXPECT_EQ(types["lo"], 24u);
    EXPECT_EQ(types["vxa"], 6u);
    EXPECT_EQ(types["vxb"], 6u);
    EXPECT_EQ(types["vxd0"], 6u);
    EXPECT_EQ(types["vxtun0"], 1u);
    AddressRow addresses[kMaxTableRows];
    EXPECT_EQ(WalkAddressTable(agent, addresses, kMaxTableRows), 5); // lo, two on vxa, vxd0, vxtun0
    agent.Unload();
}

TEST_F(LinuxBackendsTest, AdapterListInIndexOrderWithFirstAddresses) {
    NoCommands runner;
    DhcpClientControl control(runner, "/nonexistent-root");
    LinuxIpHelper library(control);
    ASSERT_TRUE(library.Load());
    std::vector<IpAdapterInfo> adapters;
    ASSERT_EQ(library.GetAdaptersInfo(adapters), kNoError);
    ASSERT_EQ(adapters.size(), 4u); // no loopback
    EXPECT_EQ(adapters[0].Index, indexes["vxb"]);
    EXPECT_EQ(adapters[0].IpAddressList, std::vector<std::string>{"0.0.0.0"});
    EXPECT_EQ(adapters[1].Index, indexes["vxa"]);
    EXPECT_EQ(adapters[1].IpAddressList, (std::vector<std::string>{"192.168.77.1", "192.168.78.1"}));
    std::vector<IpAdapterIndexMap> interfaces;
    ASSERT_EQ(library.GetInterfaceInfo(interfaces), kNoError);
    ASSERT_EQ(interfaces.size(), 4u);
    EXPECT_EQ(interfaces[1].Name, L"vxa");
    library.Unload();
}

TEST_F(LinuxBackendsTest, LookUpsByAddressAndSubnet) {
    NoCommands runner;
    DhcpClientControl control(runner, "/nonexistent-root");
    LinuxIpHelper library(control);
    EXPECT_EQ(FindAdapterByAddress(library, 0, "192.168.77.1"), indexes["vxa"]);
    EXPECT_EQ(FindAdapterByAddress(library, 0, "192.168.78.1"), 0u); // second address
    EXPECT_EQ(FindAdapterByAddress(library, 0, "10.44.0.5"), indexes["vxd0"]);
    EXPECT_EQ(FindAdapterBySubnet(library, 0, "192.168.77"), indexes["vxa"]);
    EXPECT_EQ(FindAdapterBySubnet(library, 0, "192.168.7"), 0u);
    EXPECT_EQ(FindAdapterBySubnet(library, 0, "10.44.0"), indexes["vxd0"]);
    EXPECT_EQ(FindAdapterBySubnet(library, 0, "172.20.0"), indexes["vxtun0"]);
    EXPECT_EQ(FindAdapterByAddress(library, 0x0400, "192.168.77.1"), 0u);
    // The platform's own library reads the same tables.
    EXPECT_EQ(FindAdapterByAddress("192.168.77.1"), indexes["vxa"]);
}

// Whatever DHCP clients the machine runs, they serve the host's namespace, not this one.
TEST_F(LinuxBackendsTest, LeaseWithoutDhcpClientFails) {
    NoCommands runner;
    DhcpClientControl control(runner);
    LinuxIpHelper library(control);
    EXPECT_EQ(ReleaseAdapterLease(library, 0, indexes["vxa"]), 0);
    EXPECT_EQ(RenewAdapterLease(library, 0, indexes["vxa"]), 0);
    EXPECT_EQ(ReleaseAdapterLease(library, 0, 0), 1); // no interface has index 0
    EXPECT_EQ(ReleaseAdapterLease(library, 0, indexes["lo"]), 1);
    EXPECT_TRUE(runner.ran.empty());
}

} // namespace

// vxb is up with carrier and has no address: it is offered with a link-local address that ARP
// probes found free; vxa answers for its own address, so that one is never chosen.
TEST_F(LinuxBackendsTest, AdapterWithoutAddressIsOfferedWithAFreeLinkLocalAddress) {
    std::uint32_t taken = 0;
    inet_pton(AF_INET, "192.168.77.1", &taken);
    std::uint32_t unused = 0;
    inet_pton(AF_INET, "192.168.77.200", &unused);
    EXPECT_EQ(ArpProbe().Probe("vxb", {unused, taken}).outcome, ProbeOutcome::InUse);
    EXPECT_EQ(ArpProbe().Probe("vxb", {unused}).outcome, ProbeOutcome::Free);

    std::vector<std::vector<std::uint32_t>> probed;
    const EmergencyAdapterList list = ListEmergencyAdapters(10, [&](const std::vector<std::uint32_t>& addresses) {
        probed.push_back(addresses);
        return probed.size() > 1; // the first candidate is taken
    });
    ASSERT_EQ(list.shortage, AdapterShortage::None);
    ASSERT_EQ(list.adapters.size(), 3u);
    const EmergencyAdapter& vxb = list.adapters[0];
    EXPECT_EQ(vxb.interfaceName, "vxb");
    EXPECT_TRUE(vxb.temporaryAddress);
    EXPECT_TRUE(IsLinkLocal(vxb.entry.address));
    ASSERT_EQ(probed.size(), 2u);
    EXPECT_EQ(vxb.entry.address, probed[1][0]);
    char text[16];
    EXPECT_EQ(list.adapters[1].interfaceName, "vxa");
    EXPECT_FALSE(list.adapters[1].temporaryAddress);
    EXPECT_STREQ(FormatDottedAddress(list.adapters[1].entry.address, text), "192.168.77.1");
    EXPECT_EQ(list.adapters[2].interfaceName, "vxd0");

    // The address is added and removed by netlink; afterwards vxb is a listed address holder no more.
    NetlinkAddressControl control;
    std::string mark;
    ASSERT_EQ(control.Add("vxb", vxb.entry.address, kLinkLocalPrefixLength, &mark), 0);
    EXPECT_EQ(control.Add("vxb", vxb.entry.address, kLinkLocalPrefixLength, &mark), EEXIST); // not ours twice
    const EmergencyAdapterList held = ListEmergencyAdapters(10, [](const std::vector<std::uint32_t>&) { return true; });
    ASSERT_EQ(held.adapters.size(), 3u);
    EXPECT_FALSE(held.adapters[0].temporaryAddress);
    EXPECT_EQ(held.adapters[0].entry.address, vxb.entry.address);
    EXPECT_EQ(control.Remove("vxb", vxb.entry.address, kLinkLocalPrefixLength, mark), 0);
    EXPECT_EQ(control.Remove("vxb", vxb.entry.address, kLinkLocalPrefixLength, mark), 0); // already gone
    EXPECT_FALSE(Sh("ip -4 -o addr show dev vxb | grep -q 'inet '"));
    EXPECT_EQ(control.Add("nosuchif0", vxb.entry.address, kLinkLocalPrefixLength, &mark), ENODEV);

    // Without carrier (its peer down) an adapter without an address is not offered.
    ASSERT_TRUE(Sh("ip link set vxa down"));
    const EmergencyAdapterList unplugged =
        ListEmergencyAdapters(10, [](const std::vector<std::uint32_t>&) { return true; });
    ASSERT_TRUE(Sh("ip link set vxa up"));
    ASSERT_EQ(unplugged.adapters.size(), 2u); // vxa (address, no carrier) and vxd0
    EXPECT_EQ(unplugged.adapters[0].interfaceName, "vxa");
}

// An address carries the strongest mark the kernel keeps and the name allows; only an address with
// its mark is removed, never the same address that someone else gave the interface meanwhile, also
// where the label does not fit (a 15-character name).
TEST_F(LinuxBackendsTest, OnlyAnAddressWithItsMarkIsRemoved) {
    ASSERT_TRUE(Sh("ip link add vxlongname12345 type veth peer name vxlongpeer"));
    using Mark = NetlinkAddressControl::Mark;
    struct Case {
        Mark strongest;
        const char* name;
        const char* planned;
        const char* kept; // "stamp": "stamp N"
    };
    for (const Case& c :
         {Case{Mark::Protocol, "vxb", "proto", "proto"}, Case{Mark::Protocol, "vxlongname12345", "proto", "proto"},
          Case{Mark::Label, "vxb", "label", "label"}, Case{Mark::Label, "vxlongname12345", "stamp", "stamp"},
          Case{Mark::Stamp, "vxb", "stamp", "stamp"}}) {
        SCOPED_TRACE(c.name + std::string(" ") + c.planned);
        NetlinkAddressControl control(c.strongest);
        const std::uint32_t address = htonl(0xA9FE0909); // 169.254.9.9
        const std::string show = std::string("ip -4 -o addr show dev ") + c.name + " | grep -q 169.254.9.9/16";
        EXPECT_EQ(control.PlannedMark(c.name), c.planned);
        std::string mark;
        ASSERT_EQ(control.Add(c.name, address, kLinkLocalPrefixLength, &mark), 0);
        EXPECT_EQ(mark.substr(0, std::string(c.kept).size()), c.kept);
        if (std::string(c.kept) == "stamp") {
            EXPECT_GT(mark.size(), 6u) << mark;
        }
        // Gone and given again by someone else a moment later: the same address and prefix, not ours.
        ASSERT_TRUE(Sh(std::string("ip addr del 169.254.9.9/16 dev ") + c.name));
        usleep(30 * 1000);
        ASSERT_TRUE(Sh(std::string("ip addr add 169.254.9.9/16 dev ") + c.name));
        for (const std::string& other : {mark, std::string("proto"), std::string("label"), std::string("stamp")})
            EXPECT_EQ(control.Remove(c.name, address, kLinkLocalPrefixLength, other), 0);
        EXPECT_TRUE(Sh(show));
        ASSERT_TRUE(Sh(std::string("ip addr del 169.254.9.9/16 dev ") + c.name));
        // Ours again: removed by its mark.
        ASSERT_EQ(control.Add(c.name, address, kLinkLocalPrefixLength, &mark), 0);
        EXPECT_EQ(control.Remove(c.name, address, kLinkLocalPrefixLength, mark), 0);
        EXPECT_FALSE(Sh(show));
    }
    Sh("ip link del vxlongname12345");
}
