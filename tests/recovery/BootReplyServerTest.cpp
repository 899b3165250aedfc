#include "recovery/BootReplyServer.h"

#include "support/PrivateNetwork.h"

#include <gtest/gtest.h>
#include <thread>

using namespace vornalix::recovery;
using namespace vornalix::recovery::test;

namespace {

class BootReplyServerTest : public testing::Test {
protected:
    void SetUp() override { VORNALIX_REQUIRE_PRIVATE_NETWORK(); }
};

} // namespace

TEST_F(BootReplyServerTest, StopIsIdempotentAndSafeFromTwoThreads) {
    for (int round = 0; round < 20; ++round) {
        BootReplyServer server(Address("127.0.0.1"), "/srv/fw.bin");
        ASSERT_TRUE(server.Start().listening);
        std::thread other([&] { server.Stop(); });
        server.Stop();
        other.join();
        server.Stop();
        EXPECT_FALSE(server.Status().listening);
    }
    // The port is free again after every stop.
    BootReplyServer again(Address("127.0.0.1"), "/srv/fw.bin");
    EXPECT_TRUE(again.Start().listening);
}

TEST_F(BootReplyServerTest, FailuresToListenAreReportedWithTheirReason) {
    BootReplyServer absent(Address("192.0.2.77"), "/srv/fw.bin");
    const ListenStatus notPresent = absent.Start();
    EXPECT_FALSE(notPresent.listening);
    EXPECT_EQ(notPresent.failure, ListenFailure::AddressNotPresent);
    absent.Stop();

    const vornalix::common::SocketHandle blocker = vornalix::common::OpenUdpSocket(false);
    sockaddr_in port67{};
    port67.sin_family = AF_INET;
    port67.sin_port = htons(67);
    ASSERT_EQ(bind(blocker, reinterpret_cast<sockaddr*>(&port67), sizeof port67), 0);
    BootReplyServer busy(Address("127.0.0.1"), "/srv/fw.bin");
    const ListenStatus inUse = busy.Start();
    EXPECT_FALSE(inUse.listening);
    EXPECT_EQ(inUse.failure, ListenFailure::PortInUse);
    EXPECT_NE(inUse.reason.find("67"), std::string::npos);
    vornalix::common::CloseSocket(blocker);

    BootReplyServer tooLong(Address("127.0.0.1"), "/srv/" + std::string(130, 'f'));
    EXPECT_EQ(tooLong.Start().failure, ListenFailure::NameTooLong);
}
