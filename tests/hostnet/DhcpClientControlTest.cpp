#include "hostnet/linux/DhcpClientControl.h"
#include "hostnet/IpHelper.h"
#include "hostnet/linux/ProcessRunner.h"
#include "support/ScriptedRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

using namespace vornalix::hostnet;
using vornalix::testing::ScriptedRunner;
namespace fs = std::filesystem;

namespace {

class DhcpClientControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vornalix-dhcp-XXXXXX";
        root = mkdtemp(pattern);
        fs::create_directories(root / "proc" / "1");
        Write("proc/1/cmdline", std::string("/sbin/init\0splash\0", 18));
        fs::create_directories(root / "proc" / "self"); // not a pid
    }
    void TearDown() override { fs::remove_all(root); }

    void Write(const std::string& path, const std::string& content) {
        fs::create_directories((root / path).parent_path());
        std::ofstream(root / path, std::ios::binary) << content;
    }
    void Process(int pid, const std::vector<std::string>& argv) {
        std::string cmdline;
        for (const auto& a : argv)
            cmdline += a + '\0';
        Write("proc/" + std::to_string(pid) + "/cmdline", cmdline);
    }

    fs::path root;
    ScriptedRunner runner;
};

TEST_F(DhcpClientControlTest, NoClientIsNotSupported) {
    DhcpClientControl control(runner, root);
    EXPECT_EQ(control.Detect("eth0", 2).kind, DhcpClientKind::None);
    EXPECT_EQ(control.Release("eth0", 2), kErrorNotSupported);
    EXPECT_EQ(control.Renew("eth0", 2), kErrorNotSupported);
    EXPECT_TRUE(runner.ran.empty());
}

TEST_F(DhcpClientControlTest, NetworkManagerWithDhcpLease) {
    fs::create_directories(root / "run" / "NetworkManager");
    runner.available = {"nmcli"};
    runner.answers["nmcli -t -f GENERAL.STATE,DHCP4 device show eth0"] = {
        0, "GENERAL.STATE:100 (connected)\nDHCP4.OPTION[1]:ip_address = 192.168.1.33\n"};
    runner.answers["nmcli -t -f GENERAL.STATE,DHCP4 device show eth1"] = {0, "GENERAL.STATE:100 (connected)\n"};
    DhcpClientControl control(runner, root);
    EXPECT_EQ(control.Detect("eth0", 2).kind, DhcpClientKind::NetworkManager);
    EXPECT_EQ(control.Detect("eth1", 3).kind, DhcpClientKind::None); // static address
    runner.ran.clear();

    EXPECT_EQ(control.Release("eth0", 2), kNoError);
    // After the release NetworkManager no longer shows a lease: the renewal remembers the client.
    runner.answers["nmcli -t -f GENERAL.STATE,DHCP4 device show eth0"] = {0, "GENERAL.STATE:30 (disconnected)\n"};
    EXPECT_EQ(control.Renew("eth0", 2), kNoError);
    EXPECT_EQ(runner.ran, (std::vector<std::string>{
                              "nmcli -t -f GENERAL.STATE,DHCP4 device show eth0", "nmcli device disconnect eth0",
                              "nmcli -t -f GENERAL.STATE,DHCP4 device show eth0", "nmcli device connect eth0"}));
    // Remembered once only.
    EXPECT_EQ(control.Renew("eth0", 2), kErrorNotSupported);
}

TEST_F(DhcpClientControlTest, NetworkManagerNotRunningIsNotAsked) {
    runner.available = {"nmcli"};
    DhcpClientControl control(runner, root);
    EXPECT_EQ(control.Detect("eth0", 2).kind, DhcpClientKind::None);
    EXPECT_TRUE(runner.ran.empty());
}

TEST_F(DhcpClientControlTest, NetworkdLeaseFileByIndex) {
    Write("run/systemd/netif/leases/4", "ADDRESS=192.168.1.33\n");
    runner.available = {"networkctl"};
    DhcpClientControl control(runner, root);
    EXPECT_EQ(control.Detect("enp3s0", 4).kind, DhcpClientKind::Networkd);
    EXPECT_EQ(control.Detect("enp3s0", 5).kind, DhcpClientKind::None);
    // A renewal without release asks for a renewal; after a release the link comes back up.
    EXPECT_EQ(control.Renew("enp3s0", 4), kNoError);
    EXPECT_EQ(runner.ran.back(), "networkctl renew enp3s0");
    EXPECT_EQ(control.Release("enp3s0", 4), kNoError);
    EXPECT_EQ(runner.ran.back(), "networkctl down enp3s0");
    fs::remove(root / "run/systemd/netif/leases/4");
    EXPECT_EQ(control.Renew("enp3s0", 4), kNoError);
    EXPECT_EQ(runner.ran.back(), "networkctl up enp3s0");
}

TEST_F(DhcpClientControlTest, DhclientFromItsProcessWithItsFiles) {
    Process(812, {"/sbin/dhclient", "-4", "-v", "-pf", "/run/dhclient.eth0.pid", "-lf",
                  "/var/lib/dhcp/dhclient.eth0.leases", "-I", "-df", "/var/lib/dhcp/dhclient6.eth0.leases", "eth0"});
    Process(813, {"/sbin/dhclient", "-6", "eth1"});
    DhcpClientControl control(runner, root);
    const DhcpClient client = control.Detect("eth0", 2);
    ASSERT_EQ(client.kind, DhcpClientKind::Dhclient);
    EXPECT_EQ(client.options,
              (std::vector<std::string>{"-pf", "/run/dhclient.eth0.pid", "-lf", "/var/lib/dhcp/dhclient.eth0.leases"}));
    EXPECT_EQ(control.Detect("eth1", 3).kind, DhcpClientKind::None); // IPv6 only
    EXPECT_EQ(control.Detect("eth2", 4).kind, DhcpClientKind::None);

    EXPECT_EQ(control.Release("eth0", 2), kNoError);
    fs::remove_all(root / "proc" / "812"); // dhclient -r ends the client
    EXPECT_EQ(control.Renew("eth0", 2), kNoError);
    EXPECT_EQ(runner.ran, (std::vector<std::string>{
                              "dhclient -r -pf /run/dhclient.eth0.pid -lf /var/lib/dhcp/dhclient.eth0.leases eth0",
                              "dhclient -pf /run/dhclient.eth0.pid -lf /var/lib/dhcp/dhclient.eth0.leases eth0"}));
}

TEST_F(DhcpClientControlTest, DhclientFromItsPidFileWhenProcessesAreHidden) {
    Write("run/dhclient.eth0.pid", "4242\n");
    Write("var/lib/dhcp/dhclient.eth0.leases", "lease {}\n");
    Write("run/dhclient-eth1.pid", "4243\n"); // stale: no such process
    fs::create_directories(root / "proc" / "4242");
    DhcpClientControl control(runner, root);
    const DhcpClient client = control.Detect("eth0", 2);
    ASSERT_EQ(client.kind, DhcpClientKind::Dhclient);
    EXPECT_EQ(client.options,
              (std::vector<std::string>{"-pf", "/run/dhclient.eth0.pid", "-lf", "/var/lib/dhcp/dhclient.eth0.leases"}));
    EXPECT_EQ(control.Detect("eth1", 3).kind, DhcpClientKind::None);
}

TEST_F(DhcpClientControlTest, ClientsOfAnotherNetworkNamespaceAreNotOurs) {
    fs::create_directories(root / "proc/self/ns");
    fs::create_symlink("net:[4026532001]", root / "proc/self/ns/net");
    Process(812, {"dhclient"}); // the host's client, serving all of the host's interfaces
    fs::create_directories(root / "proc/812/ns");
    fs::create_symlink("net:[4026531840]", root / "proc/812/ns/net");
    Write("run/dhclient.vxa.pid", "812\n");
    fs::create_directories(root / "run/NetworkManager");
    Process(600, {"/usr/sbin/NetworkManager", "--no-daemon"});
    fs::create_directories(root / "proc/600/ns");
    fs::create_symlink("net:[4026531840]", root / "proc/600/ns/net");
    runner.available = {"nmcli"};
    DhcpClientControl control(runner, root);
    EXPECT_EQ(control.Detect("vxa", 2).kind, DhcpClientKind::None);
    EXPECT_EQ(control.Release("vxa", 2), kErrorNotSupported);
    EXPECT_TRUE(runner.ran.empty()); // not even asked

    // The same client in our namespace is ours.
    fs::remove(root / "proc/812/ns/net");
    fs::create_symlink("net:[4026532001]", root / "proc/812/ns/net");
    EXPECT_EQ(control.Detect("vxa", 2).kind, DhcpClientKind::Dhclient);
}

TEST_F(DhcpClientControlTest, DhclientWithoutInterfaceArgumentsServesAll) {
    Process(900, {"dhclient"});
    DhcpClientControl control(runner, root);
    EXPECT_EQ(control.Detect("wlan0", 3).kind, DhcpClientKind::Dhclient);
    // A renewal of a running client stops it (keeping the lease) and starts one again.
    EXPECT_EQ(control.Renew("wlan0", 3), kNoError);
    EXPECT_EQ(runner.ran, (std::vector<std::string>{"dhclient -x wlan0", "dhclient wlan0"}));
}

TEST_F(DhcpClientControlTest, DhcpcdPerInterfaceAndMaster) {
    Write("proc/700/cmdline", "dhcpcd: eth0 [ip4]"); // a rewritten process title
    DhcpClientControl control(runner, root);
    EXPECT_EQ(control.Detect("eth0", 2).kind, DhcpClientKind::Dhcpcd);
    EXPECT_EQ(control.Detect("eth1", 3).kind, DhcpClientKind::None);

    Write("proc/701/cmdline", "dhcpcd: [master] [ip4] [ip6]");
    Write("var/lib/dhcpcd/eth1.lease", "lease");
    EXPECT_EQ(control.Detect("eth1", 3).kind, DhcpClientKind::Dhcpcd);
    EXPECT_EQ(control.Release("eth1", 3), kNoError);
    EXPECT_EQ(control.Renew("eth1", 3), kNoError);
    EXPECT_EQ(runner.ran, (std::vector<std::string>{"dhcpcd -k eth1", "dhcpcd -n eth1"}));
}

TEST_F(DhcpClientControlTest, FailedCommandIsReportedAndNotRemembered) {
    Process(812, {"dhclient", "eth0"});
    runner.answers["dhclient -r eth0"] = {2, ""};
    DhcpClientControl control(runner, root);
    EXPECT_EQ(control.Release("eth0", 2), 2u);
    fs::remove_all(root / "proc" / "812");
    EXPECT_EQ(control.Renew("eth0", 2), kErrorNotSupported);
    runner.answers["dhclient -r eth0"] = {-1, ""}; // killed or timed out
    Process(813, {"dhclient", "eth0"});
    EXPECT_NE(control.Release("eth0", 2), kNoError);
}

TEST_F(DhcpClientControlTest, NetworkManagerComesFirst) {
    fs::create_directories(root / "run" / "NetworkManager");
    runner.available = {"nmcli", "networkctl"};
    runner.answers["nmcli -t -f GENERAL.STATE,DHCP4 device show eth0"] = {0, "DHCP4.OPTION[1]:x\n"};
    Write("run/systemd/netif/leases/2", "");
    Process(812, {"dhclient", "eth0"});
    DhcpClientControl control(runner, root);
    EXPECT_EQ(control.Detect("eth0", 2).kind, DhcpClientKind::NetworkManager);
}

TEST(ProcessRunner, RunsWithoutShellAndCollectsOutput) {
    ProcessRunner runner(std::chrono::seconds(5));
    std::string output;
    EXPECT_EQ(runner.Run({"echo", "a;b", "$HOME"}, &output), 0);
    EXPECT_EQ(output, "a;b $HOME\n");
    EXPECT_EQ(runner.Run({"false"}, nullptr), 1);
    EXPECT_EQ(runner.Run({"/nonexistent/program"}, nullptr), -1);
    EXPECT_TRUE(runner.Available("sh"));
    EXPECT_FALSE(runner.Available("vornalix-no-such-program"));
}

TEST(ProcessRunner, TimeLimitKillsAndLeftoverDaemonDoesNotHang) {
    ProcessRunner runner(std::chrono::milliseconds(300));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(runner.Run({"sleep", "5"}, nullptr), -1);
    // A program that exits but leaves a child holding the output open.
    std::string output;
    EXPECT_EQ(runner.Run({"sh", "-c", "echo up; sleep 3 & exit 0"}, &output), 0);
    EXPECT_EQ(output, "up\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

} // namespace
