#include "hostnet/linux/LinuxMibAgent.h"
#include "common/DottedAddress.h"
#include "hostnet/InterfaceAddressTable.h"
#include "hostnet/fake/FakeMibAgent.h"
#include "hostnet/linux/InterfaceDescription.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/if.h>
#include <net/if_arp.h>

#include <filesystem>
#include <fstream>

using namespace vornalix::hostnet;
using vornalix::common::FormatDottedAddress;
namespace fs = std::filesystem;

namespace {

TEST(LinuxMibAgent, InterfaceTypes) {
    EXPECT_EQ(LinuxMibAgent::InterfaceType(ARPHRD_ETHER), 6);
    EXPECT_EQ(LinuxMibAgent::InterfaceType(ARPHRD_LOOPBACK), 24);
    EXPECT_EQ(LinuxMibAgent::InterfaceType(ARPHRD_PPP), 23);
    EXPECT_EQ(LinuxMibAgent::InterfaceType(ARPHRD_SLIP), 28);
    EXPECT_EQ(LinuxMibAgent::InterfaceType(ARPHRD_IPGRE), 131);
    EXPECT_EQ(LinuxMibAgent::InterfaceType(ARPHRD_NONE), 1);
    EXPECT_EQ(LinuxMibAgent::InterfaceType(ARPHRD_INFINIBAND), 199);
}

TEST(LinuxMibAgent, UnloadedAgentAnswersNothing) {
    LinuxMibAgent agent;
    EXPECT_FALSE(agent.Init(0));
    SnmpVarBindList list{nullptr, 0};
    std::int32_t status = 0;
    std::int32_t index = 0;
    EXPECT_FALSE(agent.Query(kSnmpPduGetNext, &list, &status, &index));
}

class InterfaceDescriptionTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vornalix-sysfs-XXXXXX";
        root = mkdtemp(pattern);
    }
    void TearDown() override { fs::remove_all(root); }
    void Write(const fs::path& path, const std::string& text) {
        fs::create_directories((root / path).parent_path());
        std::ofstream(root / path) << text;
    }
    fs::path root;
};

TEST_F(InterfaceDescriptionTest, UsbModelPciNamesDriverOrNameOnly) {
    // USB: sys/class/net/usb0/device is the USB interface; its parent names the product.
    Write("devices/usb1/1-1/1-1:1.0/ignored", "");
    Write("devices/usb1/1-1/product", "AX88179 Gigabit Ethernet\n");
    Write("devices/usb1/1-1/manufacturer", "ASIX Elec. Corp.\n");
    Write("class/net/usb0/ifindex", "5\n");
    fs::create_directory_symlink(root / "devices/usb1/1-1/1-1:1.0", root / "class/net/usb0/device");
    // PCI, named by a pci.ids file.
    Write("devices/pci/0000:03:00.0/vendor", "0x8086\n");
    Write("devices/pci/0000:03:00.0/device", "0x10D3\n");
    Write("class/net/enp3s0/ifindex", "2\n");
    fs::create_directory_symlink(root / "devices/pci/0000:03:00.0", root / "class/net/enp3s0/device");
    Write("pci.ids", "# comment\n1234  Other\n\t10d3  Not this one\n8086  Intel Corporation\n"
                     "\t10d2  Something else\n\t10d3  82574L Gigabit Network Connection\n\t\t1028 0000  sub\n");
    // PCI without a name in pci.ids: the driver.
    Write("devices/pci/0000:00:03.0/vendor", "0x1af4\n");
    Write("devices/pci/0000:00:03.0/device", "0x1000\n");
    Write("bus/drivers/virtio_net/bind", "");
    fs::create_directory_symlink(root / "bus/drivers/virtio_net", root / "devices/pci/0000:00:03.0/driver");
    Write("class/net/eth0/ifindex", "3\n");
    fs::create_directory_symlink(root / "devices/pci/0000:00:03.0", root / "class/net/eth0/device");
    // Virtual: no device.
    Write("class/net/veth0/ifindex", "7\n");

    InterfaceDescription description(root.string(), {(root / "missing.ids").string(), (root / "pci.ids").string()});
    EXPECT_EQ(description.Describe("usb0", 5), "usb0 (ASIX Elec. Corp. AX88179 Gigabit Ethernet)");
    EXPECT_EQ(description.Describe("enp3s0", 2), "enp3s0 (Intel Corporation 82574L Gigabit Network Connection)");
    EXPECT_EQ(description.Describe("eth0", 3), "eth0 (virtio_net)");
    EXPECT_EQ(description.Describe("veth0", 7), "veth0");
    // Another namespace's interface of the same name: sysfs is not trusted.
    EXPECT_EQ(description.Describe("eth0", 9), "eth0");
    EXPECT_EQ(description.Describe("nosuch", 1), "nosuch");
}

TEST(LinuxMibAgent, ViewFromKernelTablesJoinsAsTheWizardNeeds) {
    NetlinkTables tables;
    tables.links = {{1, "lo", ARPHRD_LOOPBACK, IFF_UP | IFF_LOOPBACK, 65536, "", 0, 0, ""},
                    {2, "eth0", ARPHRD_ETHER, IFF_UP, 1500, "\x02\x00\x00\x00\x00\x01", 6, 0, ""},
                    {3, "ppp0", ARPHRD_PPP, IFF_UP, 1492, "", 0, 0, ""},
                    {4, "eth1", ARPHRD_ETHER, 0, 1500, "\x02\x00\x00\x00\x00\x02", 2, 0, ""}};
    const auto address = [](const char* text) {
        in_addr parsed{};
        inet_pton(AF_INET, text, &parsed);
        return parsed.s_addr;
    };
    tables.addresses = {{1, address("127.0.0.1"), 8, "", 0, 0},
                        {2, address("192.168.1.33"), 24, "", 0, 0},
                        {2, address("192.168.1.2"), 24, "", 0, 0},
                        {3, address("10.64.0.1"), 32, "", 0, 0},
                        {4, address("192.168.1.33"), 24, "", 0, 0}}; // held twice: the table keeps the first
    FakeMibAgent agent;
    LinuxMibAgent::BuildView(tables, InterfaceDescription("/nonexistent"), agent.View());
    AdapterEntry table[10];
    ASSERT_EQ(ListInterfaceAddresses(agent, table, 10), 1);
    EXPECT_STREQ(table[0].description, "eth0");
    char text[16];
    EXPECT_STREQ(FormatDottedAddress(table[0].address, text), "192.168.1.2"); // walk order is by address

    agent.Load("inetmib1.dll");
    InterfaceRow rows[kMaxTableRows];
    ASSERT_EQ(WalkInterfaceTable(agent, rows, kMaxTableRows), 4);
    EXPECT_EQ(rows[0].interfaceType, 24u);
    EXPECT_EQ(rows[2].interfaceType, 23u);
    AddressRow addresses[kMaxTableRows];
    EXPECT_EQ(WalkAddressTable(agent, addresses, kMaxTableRows), 4);
}

} // namespace
