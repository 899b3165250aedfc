// Replies to requests from chosen source addresses (sent with IP_PKTINFO).
#include "recovery/BootReplyServer.h"

#include "support/PrivateNetwork.h"
#include "support/UdpPeer.h"

#include <arpa/inet.h>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <thread>

using namespace vornalix::recovery;
using namespace vornalix::recovery::test;

namespace {

// Sends from a socket on the wildcard address with the given source address (so the broadcast reply to its
// port comes back to it).
void SendFrom(const UdpPeer& peer, const Bytes& bytes, const char* source, int port = 67) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = inet_addr("127.0.0.1");
    iovec part{const_cast<std::uint8_t*>(bytes.data()), bytes.size()};
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = &to;
    message.msg_namelen = sizeof to;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_spec_dst.s_addr = inet_addr(source);
    std::memcpy(CMSG_DATA(header), &info, sizeof info);
    ASSERT_GT(sendmsg(peer.fd, &message, 0), 0);
}

Bytes BootRequest(std::size_t size = 300) {
    Bytes request = RandomBytes(size, static_cast<unsigned>(size));
    request[0] = 1;
    request[1] = 1;
    request[2] = 6;
    return request;
}

class BootReplyExchangeTest : public testing::Test {
protected:
    void SetUp() override { VORNALIX_REQUIRE_PRIVATE_NETWORK(); }
};

} // namespace

TEST_F(BootReplyExchangeTest, DhcpSizedRequestGets300ByteReplyWithFirstOptionBytes) {
    BootReplyServer server(Address("127.0.0.1"), "/srv/fw/gw_image.bin");
    ASSERT_TRUE(server.Start().listening);
    const UdpPeer client("0.0.0.0", 0);
    const Bytes request = BootRequest(548);
    SendFrom(client, request, "127.0.0.5");
    const auto reply = client.Receive();
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->bytes.size(), 300u);
    EXPECT_EQ(reply->port(), 67);
    EXPECT_EQ(reply->bytes[0], 2);
    EXPECT_EQ(Bytes(reply->bytes.begin() + 236, reply->bytes.end()),
              Bytes(request.begin() + 236, request.begin() + 300));
    EXPECT_EQ(Bytes(reply->bytes.begin() + 1, reply->bytes.begin() + 16),
              Bytes(request.begin() + 1, request.begin() + 16));
    EXPECT_EQ(std::memcmp(&reply->bytes[16], "\x7f\0\0\x02", 4), 0);
    EXPECT_EQ(std::memcmp(&reply->bytes[20], "\x7f\0\0\x01", 4), 0);
    EXPECT_EQ(std::memcmp(&reply->bytes[108], "GW_IMAGE.BIN", 13), 0);
}

TEST_F(BootReplyExchangeTest, ShortRequestIsPaddedWithZeros) {
    BootReplyServer server(Address("127.0.0.1"), "/srv/fw.bin");
    ASSERT_TRUE(server.Start().listening);
    const UdpPeer client("0.0.0.0", 0);
    SendFrom(client, BootRequest(40), "127.0.0.5");
    const auto reply = client.Receive();
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->bytes.size(), 300u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&reply->bytes[108])), "FW.BIN");
    for (std::size_t i = 236; i < 300; ++i)
        EXPECT_EQ(reply->bytes[i], 0) << i;
}

TEST_F(BootReplyExchangeTest, TwoIdenticalRequestsGetTwoIdenticalReplies) {
    BootReplyServer server(Address("127.0.0.1"), "/srv/fw.bin");
    ASSERT_TRUE(server.Start().listening);
    const UdpPeer client("0.0.0.0", 0);
    const Bytes request = BootRequest();
    SendFrom(client, request, "127.0.0.5");
    SendFrom(client, request, "127.0.0.5");
    const auto first = client.Receive();
    const auto second = client.Receive();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->bytes, second->bytes);
}

TEST_F(BootReplyExchangeTest, RequestsFailingTheChecksGetNothing) {
    BootReplyServer server(Address("127.0.0.1"), "/srv/fw.bin");
    ASSERT_TRUE(server.Start().listening);
    const UdpPeer client("0.0.0.0", 0);
    Bytes wrongType = BootRequest();
    wrongType[1] = 6;
    Bytes wrongLength = BootRequest();
    wrongLength[2] = 8;
    Bytes reply = BootRequest();
    reply[0] = 2;
    SendFrom(client, wrongType, "127.0.0.5");
    SendFrom(client, wrongLength, "127.0.0.5");
    SendFrom(client, reply, "127.0.0.5");
    SendFrom(client, BootRequest(), "127.0.0.1");  // from the server's own address
    SendFrom(client, Bytes(3000, 1), "127.0.0.5"); // larger than the receive buffer
    EXPECT_TRUE(client.Quiet(std::chrono::milliseconds(300)));
    // Still answering afterwards.
    SendFrom(client, BootRequest(), "127.0.0.5");
    EXPECT_TRUE(client.Receive());
}
