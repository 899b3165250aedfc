// The adapter helper's control protocol: which request lines it takes (everything else is refused),
// and replies with their descriptors over a real socket pair.
#include "hostnet/linux/HelperProtocol.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace vornalix::hostnet::helper;

namespace {

struct RequestCase {
    std::string line;
    bool accepted;
    std::string name = "";
    const char* address = nullptr;
};

void PrintTo(const RequestCase& c, std::ostream* out) {
    *out << '"' << c.line << '"' << (c.accepted ? " accepted" : " refused");
}

class RequestLine : public testing::TestWithParam<RequestCase> {};

} // namespace

TEST_P(RequestLine, IsTakenOnlyInItsStrictForm) {
    const RequestCase& c = GetParam();
    const auto request = ParseRequest(c.line);
    ASSERT_EQ(request.has_value(), c.accepted);
    if (!c.accepted)
        return;
    if (c.name.empty()) {
        EXPECT_EQ(request->kind, Request::Kind::End);
    } else {
        EXPECT_EQ(request->kind, c.line.rfind("open", 0) == 0 ? Request::Kind::Open : Request::Kind::Hold);
        EXPECT_EQ(request->interfaceName, c.name);
        EXPECT_EQ(request->address, c.address == nullptr ? 0u : inet_addr(c.address));
    }
    EXPECT_EQ(FormatRequest(*request), c.line + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RequestLine,
    testing::Values(RequestCase{"end", true}, RequestCase{"hold eth0", true, "eth0"},
                    RequestCase{"hold enx001122334455", true, "enx001122334455"},
                    RequestCase{"hold my_dev-1.2", true, "my_dev-1.2"},
                    RequestCase{"hold eth0 192.168.1.1", true, "eth0", "192.168.1.1"},
                    RequestCase{"open eth0 192.168.1.1", true, "eth0", "192.168.1.1"}, RequestCase{"open eth0", false},
                    RequestCase{"hold lo 0.0.0.1", true, "lo", "0.0.0.1"},
                    RequestCase{"hold eth0 255.255.255.255", true, "eth0", "255.255.255.255"},
                    // Names: too long, a path, the folder names, characters of no interface name.
                    RequestCase{"hold enx0011223344556", false}, RequestCase{"hold ../eth0", false},
                    RequestCase{"hold eth0/x", false}, RequestCase{"hold ..", false}, RequestCase{"hold .", false},
                    RequestCase{"hold eth 0", false}, RequestCase{"hold eth0\t", false},
                    RequestCase{std::string("hold eth0\0x", 11), false}, RequestCase{"hold eth0$", false},
                    // Blanks: doubled, leading, trailing; a carriage return; words missing or in excess.
                    RequestCase{"hold  eth0", false}, RequestCase{" hold eth0", false},
                    RequestCase{"hold eth0 ", false}, RequestCase{"end ", false}, RequestCase{"end\r", false},
                    RequestCase{"hold", false}, RequestCase{"hold ", false}, RequestCase{"", false},
                    RequestCase{"HOLD eth0", false}, RequestCase{"end eth0", false},
                    RequestCase{"hold eth0 10.0.0.1 x", false},
                    // Addresses: four plain decimal octets, not all zero.
                    RequestCase{"hold eth0 256.1.1.1", false}, RequestCase{"hold eth0 1.2.3", false},
                    RequestCase{"hold eth0 1.2.3.4.5", false}, RequestCase{"hold eth0 010.0.0.1", false},
                    RequestCase{"hold eth0 1.2.3.", false}, RequestCase{"hold eth0 1..3.4", false},
                    RequestCase{"hold eth0 0x7f.0.0.1", false}, RequestCase{"hold eth0 +1.2.3.4", false},
                    RequestCase{"hold eth0 0.0.0.0", false}, RequestCase{"hold eth0 1.2.3.4x", false},
                    RequestCase{"hold eth0 " + std::string(kMaxLine, '1'), false},
                    RequestCase{"end" + std::string(kMaxLine, ' '), false}));

TEST(HelperProtocol, RepliesCarryTheirDescriptorsAndLinesStayApart) {
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);

    Held held{
        inet_addr("169.254.7.9"), 16, inet_addr("169.254.7.10"), true, Manager::NetworkManager, pipeFds[0], pipeFds[1]};
    ASSERT_EQ(FormatHeld(held), "held 169.254.7.9 16 169.254.7.10 1 networkmanager\n");
    // Three replies in one write but the descriptors with the first: each line is received by itself.
    const std::string refusal = FormatRefusal({Reason::Enslaved, {"vx b", "br0"}});
    EXPECT_EQ(refusal, "refused enslaved vx?b br0\n");
    ASSERT_TRUE(SendLine(pair[0], FormatHeld(held) + refusal + kEnded, {pipeFds[0], pipeFds[1]}));
    close(pipeFds[0]);
    close(pipeFds[1]);

    std::string line;
    std::vector<int> descriptors;
    ASSERT_TRUE(ReceiveLine(pair[1], line, descriptors, 1000));
    ASSERT_EQ(descriptors.size(), 2u);
    const Reply first = ParseReply(line, descriptors);
    ASSERT_TRUE(first.held.has_value()) << line;
    EXPECT_EQ(first.held->address, held.address);
    EXPECT_EQ(first.held->offered, held.offered);
    EXPECT_EQ(first.held->prefixLength, 16);
    EXPECT_TRUE(first.held->temporary);
    EXPECT_EQ(first.held->manager, Manager::NetworkManager);
    // The descriptors work: what is written into the pipe's end comes out of the other.
    ASSERT_EQ(write(first.held->tftpSocket, "z", 1), 1);
    char octet = 0;
    ASSERT_EQ(read(first.held->bootSocket, &octet, 1), 1);
    EXPECT_EQ(octet, 'z');
    EXPECT_EQ(fcntl(first.held->bootSocket, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
    close(first.held->bootSocket);
    close(first.held->tftpSocket);

    ASSERT_TRUE(ReceiveLine(pair[1], line, descriptors, 1000));
    const Reply second = ParseReply(line, descriptors);
    ASSERT_TRUE(second.refusal.has_value()) << line;
    EXPECT_EQ(second.refusal->reason, Reason::Enslaved);
    EXPECT_EQ(second.refusal->words, (std::vector<std::string>{"vx?b", "br0"}));
    ASSERT_TRUE(ReceiveLine(pair[1], line, descriptors, 1000));
    EXPECT_TRUE(ParseReply(line, descriptors).ended);

    // A "held" without its two descriptors is no reply; nor is an unknown reason.
    EXPECT_FALSE(ParseReply("held 169.254.7.9 16 169.254.7.10 1 none", {}).held.has_value());
    EXPECT_FALSE(ParseReply("refused tired", {}).refusal.has_value());

    // Nothing more comes within the time; a line longer than kMaxLine, and the end of the stream, fail.
    EXPECT_FALSE(ReceiveLine(pair[1], line, descriptors, 50));
    ASSERT_TRUE(SendLine(pair[0], std::string(kMaxLine + 1, 'x') + "\n"));
    EXPECT_FALSE(ReceiveLine(pair[1], line, descriptors, 1000));
    close(pair[0]);
    char rest[256];
    while (read(pair[1], rest, sizeof rest) > 0) {
    }
    EXPECT_FALSE(ReceiveLine(pair[1], line, descriptors, 1000));
    close(pair[1]);
}
