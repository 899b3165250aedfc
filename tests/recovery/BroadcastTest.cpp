// A boot loader without an address, in a namespace of its own behind a veth pair, broadcasts its request.
#include "recovery/BootReplyServer.h"

#include "support/GatewayLink.h"
#include "support/PrivateNetwork.h"
#include "support/UdpPeer.h"

#include <arpa/inet.h>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/socket.h>
#include <unistd.h>

using namespace vornalix::recovery;
using namespace vornalix::recovery::test;
using std::chrono::milliseconds;

namespace {

class BroadcastTest : public testing::Test {
protected:
    void SetUp() override {
        if (!MayCreateNamespaces())
            GTEST_SKIP() << "needs the test runner's private namespace";
        // The chosen adapter holds two addresses; the default route lies on another adapter.
        facing = std::make_unique<GatewayLink>("a", std::vector<std::string>{"10.20.0.1/24", "192.168.1.1/24"});
        other = std::make_unique<GatewayLink>("b", std::vector<std::string>{"10.30.0.1/24"});
        ASSERT_TRUE(facing->ok()) << facing->setupLog;
        ASSERT_TRUE(other->ok()) << other->setupLog;
        ASSERT_EQ(RunCommand("ip route add default via 10.30.0.2 dev " + other->hostInterface), 0);
    }

    // A boot loader's socket: on the gateway's unaddressed interface, port 68, broadcasting.
    static std::unique_ptr<UdpPeer> BootLoaderSocket(const GatewayLink& link) {
        const int fd = link.SocketInGateway();
        const std::string& name = link.gatewayInterface;
        setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, name.c_str(), static_cast<socklen_t>(name.size() + 1));
        return std::make_unique<UdpPeer>("0.0.0.0", 68, fd);
    }

    static Bytes BootRequest() {
        Bytes request(300, 0);
        request[0] = 1;
        request[1] = 1;
        request[2] = 6;
        std::memcpy(&request[4], "\x12\x34\x56\x78", 4);
        std::memcpy(&request[28], "\x02\x00\x00\xaa\xbb\xcc", 6);
        return request;
    }

    std::unique_ptr<GatewayLink> facing;
    std::unique_ptr<GatewayLink> other;
};

} // namespace

TEST_F(BroadcastTest, RequestOnTheChosenAdapterIsAnsweredFromItsChosenAddress) {
    BootReplyServer server(Address("192.168.1.1"), "/srv/fw/gw_image.bin");
    const ListenStatus status = server.Start();
    ASSERT_TRUE(status.listening) << status.reason;
    const auto gateway = BootLoaderSocket(*facing);
    const auto elsewhere = BootLoaderSocket(*other);
    gateway->SendTo(BootRequest(), 67, "255.255.255.255");
    const auto reply = gateway->Receive(milliseconds(3000));
    ASSERT_TRUE(reply);
    EXPECT_STREQ(inet_ntoa(reply->from.sin_addr), "192.168.1.1");
    EXPECT_EQ(reply->port(), 67);
    ASSERT_EQ(reply->bytes.size(), 300u);
    EXPECT_EQ(reply->bytes[0], 2);
    EXPECT_EQ(std::memcmp(&reply->bytes[4], "\x12\x34\x56\x78", 4), 0);
    EXPECT_EQ(std::memcmp(&reply->bytes[16], "\xc0\xa8\x01\x02", 4), 0);
    EXPECT_EQ(std::memcmp(&reply->bytes[20], "\xc0\xa8\x01\x01", 4), 0);
    EXPECT_EQ(std::memcmp(&reply->bytes[28], "\x02\x00\x00\xaa\xbb\xcc", 6), 0);
    EXPECT_EQ(std::memcmp(&reply->bytes[108], "GW_IMAGE.BIN", 13), 0);
    // Out of the right adapter only: nothing reaches the other one.
    EXPECT_TRUE(elsewhere->Quiet(milliseconds(300)));
}

TEST_F(BroadcastTest, RequestArrivingOnAnotherAdapterIsNotAnswered) {
    BootReplyServer server(Address("192.168.1.1"), "/srv/fw/gw_image.bin");
    ASSERT_TRUE(server.Start().listening);
    const auto gateway = BootLoaderSocket(*facing);
    const auto stranger = BootLoaderSocket(*other);
    stranger->SendTo(BootRequest(), 67, "255.255.255.255");
    EXPECT_TRUE(stranger->Quiet(milliseconds(500)));
    EXPECT_TRUE(gateway->Quiet(milliseconds(50)));
}

TEST_F(BroadcastTest, BootLoaderSimulatorFetchesTheImageThroughTheRecoverProgram) {
    const auto dir = std::filesystem::temp_directory_path() / ("vx-bcast-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const Bytes image = RandomBytes(200'000, 3);
    std::ofstream(dir / "gw_image.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    std::ofstream(dir / "param.ini") << "code=gw_image.bin\n";
    const std::string log = (dir / "recover.log").string();
    const std::string rc = (dir / "recover.rc").string();
    const std::string script =
        std::string("(") + VORNALIX_RECOVER_PROGRAM + " 192.168.1.1 " + (dir / "gw_image.bin").string() + " > " + log +
        " 2>&1; echo $? > " + rc + ") & sleep 0.3; ip netns exec " + facing->nameSpace + " " + VORNALIX_BOOTLOADER_SIM +
        " --interface " + facing->gatewayInterface +
        " --param-ini --blksize 1024 --interval-ms 500 --expect-size 200000; s=$?; wait; exit $s";
    std::string simulator;
    EXPECT_EQ(RunCommand("sh -c '" + script + "'", &simulator), 0) << simulator;
    EXPECT_NE(simulator.find("yiaddr 192.168.1.2 siaddr 192.168.1.1 file GW_IMAGE.BIN"), std::string::npos)
        << simulator;
    EXPECT_NE(simulator.find("tftp PARAM.INI 18 bytes"), std::string::npos) << simulator;
    EXPECT_NE(simulator.find("verified"), std::string::npos) << simulator;
    std::ifstream rcIn(rc);
    int code = -1;
    rcIn >> code;
    EXPECT_EQ(code, 0);
    std::ifstream logIn(log);
    const std::string printed((std::istreambuf_iterator<char>(logIn)), std::istreambuf_iterator<char>());
    EXPECT_NE(printed.find("peer: From host \"192.168.1.1\" to Gateway \"192.168.1.2\" \n"), std::string::npos)
        << printed;
    EXPECT_NE(printed.find("progress: 10/10\nresult: the firmware was transferred\n"), std::string::npos) << printed;
    std::filesystem::remove_all(dir);
}
