// Sessions against what a real link and its neighbours do: copied ACKs, strangers on port 69, requests resent
// while waiting for a place, files that shrink under the transfer, names too long to keep whole.
#include "recovery/TftpTransfer.h"

#include "support/TftpFixture.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

using namespace vornalix::recovery;
using namespace vornalix::recovery::test;
using std::chrono::milliseconds;

namespace {

class TftpRobustnessTest : public TftpFixture {};

} // namespace

// Every ACK arrives twice and every copy of a DATA is acknowledged again, as a receiver does. Each answered copy
// would be answered twice in turn; a lost block must still come back when the requester repeats its ACK.
TEST_F(TftpRobustnessTest, CopiedAcksBringOneResendPerIntervalAndDoNotMultiply) {
    constexpr int kBlocks = 60;
    const Bytes content = RandomBytes(kBlocks * 512 - 7, 31);
    WriteFile("Image.bin", content);
    Start();
    const UdpPeer client;
    client.SendTo(Request(1, "Image.bin"), 69);
    const auto data1 = client.Receive();
    ASSERT_TRUE(data1);
    client.SendTo(AckPacket(1), data1->from);
    client.SendTo(AckPacket(1), data1->from);
    for (int copy = 0; copy < 2; ++copy) {
        const auto data2 = client.Receive();
        ASSERT_TRUE(data2);
        EXPECT_EQ(data2->block(), 2);
    }
    // Both copies of DATA 2 "lost": a third ACK 1 at once is a copy, and is not answered.
    client.SendTo(AckPacket(1), data1->from);
    EXPECT_TRUE(client.Quiet(milliseconds(300)));
    // The requester's time-out passes (a fifth of the 5 s "timeout" option): its repeated ACK is answered.
    std::this_thread::sleep_for(milliseconds(800));
    client.SendTo(AckPacket(1), data1->from);
    const auto again = client.Receive();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->block(), 2);

    Bytes received(content.begin(), content.begin() + 1024);
    std::uint16_t expected = 2;
    int dataPackets = 4; // DATA 1 and three times DATA 2
    bool complete = false;
    client.SendTo(AckPacket(2), data1->from);
    client.SendTo(AckPacket(2), data1->from);
    ++expected;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < until && dataPackets < 10 * kBlocks) {
        const auto data = client.Receive(milliseconds(complete ? 300 : 2000));
        if (!data)
            break;
        ++dataPackets;
        if (data->block() != expected) {
            client.SendTo(AckPacket(data->block()), data->from); // a copy: acknowledged once more
            continue;
        }
        received.insert(received.end(), data->bytes.begin() + 4, data->bytes.end());
        client.SendTo(AckPacket(expected), data->from);
        client.SendTo(AckPacket(expected), data->from);
        complete = complete || data->dataSize() < 512;
        ++expected;
    }
    EXPECT_TRUE(complete);
    EXPECT_TRUE(received == content);
    EXPECT_LE(dataPackets, kBlocks * 13 / 10) << "DATA packets for " << kBlocks << " blocks";
    EXPECT_EQ(page.WaitForFinish(milliseconds(2000)), TransferOutcome::Succeeded);
}

// A transfer runs from 127.0.0.1; another host, or the requester's own address from another port (a boot loader
// that repeats its request from a new port), sends port 69 one byte, an unknown opcode, an ACK and a refused
// name. Their sessions end by silence while the transfer still runs, and must not end it.
class TftpStraySessionTest : public TftpFixture, public testing::WithParamInterface<const char*> {};

TEST_P(TftpStraySessionTest, StraySessionsDoNotEndARunningTransfer) {
    WriteFile("Image.bin", RandomBytes(8 * 512 + 3));
    Start();
    const UdpPeer client;
    const UdpPeer stray(GetParam());
    client.SendTo(Request(1, "Image.bin"), 69);
    auto data = client.Receive();
    ASSERT_TRUE(data);
    client.SendTo(AckPacket(1), data->from);
    stray.SendTo(Bytes{7}, 69);
    stray.SendTo(Bytes{0, 9, 'x', 0}, 69);
    stray.SendTo(AckPacket(1), 69);
    stray.SendTo(Request(1, "../outside.bin"), 69);
    // A slow transfer that outlasts the strays' 2 s of silence.
    for (std::uint16_t block = 2; block <= 9; ++block) {
        data = client.Receive();
        ASSERT_TRUE(data);
        ASSERT_EQ(data->block(), block);
        std::this_thread::sleep_for(milliseconds(350));
        client.SendTo(AckPacket(block), data->from);
    }
    EXPECT_EQ(page.WaitForFinish(milliseconds(2000)), TransferOutcome::Succeeded);
    EXPECT_TRUE(server->WaitForSessions(milliseconds(3000)));
    EXPECT_EQ(page.Finishes(), std::vector{TransferOutcome::Succeeded});
}

INSTANTIATE_TEST_SUITE_P(Senders, TftpStraySessionTest, testing::Values("127.0.0.2", "127.0.0.1"),
                         [](const auto& info) {
                             return std::string(info.param) == "127.0.0.1" ? "RequestersAddressOtherPort"
                                                                           : "AnotherHost";
                         });

// The parameter file was fetched and named the firmware; the firmware is not there. That failure ends the
// transfer as failed, whoever was answered before.
TEST_F(TftpRobustnessTest, FailedRequestAfterAnAnsweredOneFailsTheTransfer) {
    WriteFile("param.ini", Text("[boot]\ncode=missing.bin\n"));
    Start();
    const UdpPeer loader;
    loader.SendTo(Request(1, "PARAM.INI"), 69);
    ASSERT_TRUE(ReadAll(loader));
    loader.SendTo(Request(1, "MISSING.BIN"), 69);
    const auto error = loader.Receive();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->opcode(), 5);
    EXPECT_EQ(page.WaitForFinish(milliseconds(5000)), TransferOutcome::Failed);
}

// Five requesters hold the five places; the sixth resends its request while it waits.
TEST_F(TftpRobustnessTest, RequestResentWhileWaitingForAPlaceStartsNoSession) {
    WriteFile("Image.bin", RandomBytes(600));
    Start({3, 2, std::chrono::microseconds(1000)});
    std::vector<std::unique_ptr<UdpPeer>> holders;
    std::vector<Datagram> firsts;
    for (int i = 0; i < 5; ++i) {
        holders.push_back(std::make_unique<UdpPeer>());
        holders.back()->SendTo(Request(1, "Image.bin"), 69);
        const auto data = holders.back()->Receive();
        ASSERT_TRUE(data);
        firsts.push_back(*data);
    }
    const UdpPeer late;
    for (int i = 0; i < 10; ++i) {
        late.SendTo(Request(1, "Image.bin"), 69);
        std::this_thread::sleep_for(milliseconds(30));
    }
    EXPECT_EQ(server->RunningSessions(), 6);
    EXPECT_TRUE(late.Quiet(milliseconds(50)));
    for (std::size_t i = 0; i < holders.size(); ++i) {
        holders[i]->SendTo(AckPacket(1), firsts[i].from);
        ASSERT_TRUE(holders[i]->Receive());
        holders[i]->SendTo(AckPacket(2), firsts[i].from);
    }
    const auto served = late.Receive();
    ASSERT_TRUE(served);
    EXPECT_EQ(served->block(), 1);
    EXPECT_TRUE(late.Quiet(milliseconds(500))); // one session, one answer
}

// The file loses its end while it is served: no short block may tell the requester that the file ends there.
TEST_F(TftpRobustnessTest, FileShrinkingDuringTheTransferFailsIt) {
    WriteFile("Image.bin", RandomBytes(5 * 512 + 100));
    Start();
    const UdpPeer client;
    client.SendTo(Request(1, "Image.bin"), 69);
    auto data = client.Receive();
    ASSERT_TRUE(data);
    std::filesystem::resize_file(folder / "fw" / "Image.bin", 700);
    const sockaddr_in session = data->from;
    for (std::uint16_t block = 1; data && data->opcode() == 3; ++block) {
        EXPECT_TRUE(data->dataSize() == 512 || block == 6) << "block " << block << ": " << data->dataSize();
        client.SendTo(AckPacket(block), session);
        data = client.Receive(milliseconds(500));
    }
    ASSERT_TRUE(data);
    EXPECT_EQ(data->opcode(), 5);
    EXPECT_EQ(page.WaitForFinish(milliseconds(1000)), TransferOutcome::Failed);
}

TEST_F(TftpRobustnessTest, NamesTooLongForTheRequestAreRefusedNotCut) {
    const std::string kept(255, 'a');
    WriteFile(kept, RandomBytes(100));
    Start();
    const UdpPeer client;
    client.SendTo(Request(1, kept + "xyz"), 69);
    const auto read = client.Receive();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->opcode(), 5);
    EXPECT_EQ(read->block(), 0);
    client.SendTo(Request(2, std::string(255, 'b') + "xyz"), 69);
    const auto write = client.Receive();
    ASSERT_TRUE(write);
    EXPECT_EQ(write->opcode(), 5);
    EXPECT_EQ(write->block(), 1);
    EXPECT_FALSE(std::filesystem::exists(folder / "fw" / std::string(255, 'b')));
}
