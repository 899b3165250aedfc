// Write requests, large images, and how sessions treat the page and the servers.
#include "recovery/BootReplyServer.h"
#include "recovery/TftpTransfer.h"

#include "support/TftpFixture.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace vornalix::recovery;
using namespace vornalix::recovery::test;
using std::chrono::milliseconds;

namespace {

class TftpSessionTest : public TftpFixture {};

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST_F(TftpSessionTest, WriteOf1500BytesIsAcknowledgedBlockByBlockAndStored) {
    Start();
    const Bytes content = RandomBytes(1500, 7);
    const UdpPeer client;
    client.SendTo(Request(2, "upload.bin"), 69);
    const auto ack0 = client.Receive();
    ASSERT_TRUE(ack0);
    EXPECT_EQ(ack0->bytes, AckPacket(0));
    for (std::uint16_t block = 1; block <= 3; ++block) {
        const std::size_t from = (block - 1) * 512u;
        const std::size_t to = std::min<std::size_t>(from + 512, content.size());
        client.SendTo(DataPacket(block, Bytes(content.begin() + static_cast<long>(from),
                                              content.begin() + static_cast<long>(to))),
                      ack0->from);
        const auto ack = client.Receive();
        ASSERT_TRUE(ack);
        EXPECT_EQ(ack->bytes, AckPacket(block));
    }
    // A completed write ends its session at once and reports nothing.
    EXPECT_TRUE(server->WaitForSessions(milliseconds(500)));
    EXPECT_TRUE(page.Finishes().empty());
    EXPECT_EQ(ReadFile("upload.bin"), content);
    EXPECT_EQ(FolderEntries(folder / "fw"), (std::vector<std::string>{"Image.bin", "upload.bin"}));
}

// What a killed run was receiving goes when the server starts; a write announced larger than the folder's file
// system can take is refused.
TEST_F(TftpSessionTest, LeftoverReceivesGoAndTheFreeSpaceIsKept) {
    WriteFile(".vornalix-receive-Ab12Cd", RandomBytes(700));
    Start();
    EXPECT_FALSE(std::filesystem::exists(folder / "fw" / ".vornalix-receive-Ab12Cd"));
    const UdpPeer client;
    client.SendTo(Request(2, "small.bin"), 69);
    const auto ack0 = client.Receive();
    ASSERT_TRUE(ack0);
    client.SendTo(DataPacket(1, Text("abc")), ack0->from);
    EXPECT_TRUE(client.Receive());
    EXPECT_TRUE(server->WaitForSessions(milliseconds(500)));
    EXPECT_EQ(ReadFile("small.bin"), Text("abc"));

    client.SendTo(Request(2, "huge.bin"), 69);
    const auto accepted = client.Receive();
    ASSERT_TRUE(accepted);
    client.SendTo(Request(2, "huge.bin", {"tsize", "1000000000000000"}), accepted->from);
    const auto refused = client.Receive();
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->opcode(), 5);
    EXPECT_EQ(refused->block(), 3);
    EXPECT_EQ(FolderEntries(folder / "fw"), (std::vector<std::string>{"Image.bin", "small.bin"}));
}

TEST_F(TftpSessionTest, RepeatedDataIsAcknowledgedAgainAndWrittenOnce) {
    Start();
    const UdpPeer client;
    client.SendTo(Request(2, "twice.bin"), 69);
    const auto ack0 = client.Receive();
    ASSERT_TRUE(ack0);
    const Bytes block1 = RandomBytes(512, 3);
    client.SendTo(DataPacket(1, block1), ack0->from);
    ASSERT_TRUE(client.Receive());
    client.SendTo(DataPacket(1, block1), ack0->from);
    const auto again = client.Receive();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->bytes, AckPacket(1));
    client.SendTo(DataPacket(2, Text("end")), ack0->from);
    ASSERT_TRUE(client.Receive());
    Bytes expected = block1;
    expected.insert(expected.end(), {'e', 'n', 'd'});
    EXPECT_TRUE(server->WaitForSessions(milliseconds(500)));
    EXPECT_EQ(ReadFile("twice.bin"), expected);
}

TEST_F(TftpSessionTest, PartialWriteLeavesTheExistingFileAlone) {
    WriteFile("param.ini", Text("original"));
    Start();
    const UdpPeer client;
    client.SendTo(Request(2, "PARAM.INI"), 69);
    const auto ack0 = client.Receive();
    ASSERT_TRUE(ack0);
    client.SendTo(DataPacket(1, RandomBytes(512)), ack0->from);
    ASSERT_TRUE(client.Receive());
    // The writer goes silent.
    EXPECT_EQ(page.WaitForFinish(milliseconds(5000)), TransferOutcome::Failed);
    EXPECT_TRUE(server->WaitForSessions(milliseconds(1000)));
    EXPECT_EQ(ReadFile("param.ini"), Text("original"));
    EXPECT_EQ(FolderEntries(folder / "fw"), (std::vector<std::string>{"Image.bin", "param.ini"}));
}

TEST_F(TftpSessionTest, WriteOverTheServedFirmwareIsRefused) {
    const Bytes firmware = RandomBytes(700);
    WriteFile("Image.bin", firmware);
    Start();
    const UdpPeer client;
    client.SendTo(Request(2, "IMAGE.BIN"), 69);
    const auto error = client.Receive();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->opcode(), 5);
    EXPECT_EQ(error->block(), 1);
    EXPECT_EQ(error->text(), "Can not create file \"IMAGE.BIN\"");
    EXPECT_EQ(ReadFile("Image.bin"), firmware);
}

TEST_F(TftpSessionTest, WriteWithOptionsOnTheSessionPortGetsAnOptionAck) {
    Start();
    const UdpPeer client;
    client.SendTo(Request(2, "big.bin", {"blksize", "1024"}), 69);
    const auto ack0 = client.Receive();
    ASSERT_TRUE(ack0);
    EXPECT_EQ(ack0->bytes, AckPacket(0)); // the opening request is not negotiated
    client.SendTo(Request(2, "big.bin", {"blksize", "1024"}), ack0->from);
    const auto oack = client.Receive();
    ASSERT_TRUE(oack);
    EXPECT_EQ(oack->bytes, TftpPacket::OptionAck(1024, 5));
    const Bytes content = RandomBytes(1500, 9);
    client.SendTo(DataPacket(1, Bytes(content.begin(), content.begin() + 1024)), ack0->from);
    ASSERT_TRUE(client.Receive());
    client.SendTo(DataPacket(2, Bytes(content.begin() + 1024, content.end())), ack0->from);
    ASSERT_TRUE(client.Receive());
    EXPECT_TRUE(server->WaitForSessions(milliseconds(500)));
    EXPECT_EQ(ReadFile("big.bin"), content);
}

// 70,000 blocks of 512 bytes: block numbers wrap from 65535 to 0 and the file position keeps counting.
TEST_F(TftpSessionTest, ImageOf70000BlocksCrossesTheWrapIntact) {
    const std::size_t size = 70000u * 512u + 123u;
    const Bytes content = RandomBytes(size, 11);
    WriteFile("Image.bin", content);
    Start({2, 2, std::chrono::microseconds(0)});
    const UdpPeer client;
    client.SendTo(Request(1, "Image.bin"), 69);
    Bytes received;
    received.reserve(size);
    std::uint32_t blocks = 0;
    bool sawWrap = false;
    for (;;) {
        const auto data = client.Receive();
        ASSERT_TRUE(data) << "after block " << blocks;
        ASSERT_EQ(data->block(), static_cast<std::uint16_t>(blocks + 1));
        if (blocks + 1 == 65536)
            sawWrap = data->block() == 0;
        received.insert(received.end(), data->bytes.begin() + 4, data->bytes.end());
        ++blocks;
        client.SendTo(AckPacket(data->block()), data->from);
        if (data->dataSize() < 512)
            break;
    }
    EXPECT_TRUE(sawWrap);
    EXPECT_EQ(blocks, 70001u);
    EXPECT_TRUE(received == content);
    EXPECT_EQ(page.WaitForFinish(milliseconds(3000)), TransferOutcome::Succeeded);
    EXPECT_EQ(page.EventsStartingWith("pos:").size(), 10u);
    EXPECT_EQ(page.Bar().pos(), 10);
}

// The boot loader resent its request before the first DATA reached it and took the other session's answer:
// the session it left alone goes quiet instead of failing a transfer that is still running, also when the
// requester answers it with ERROR 5 "Unknown transfer ID" as RFC 1350 says.
class TftpTwinTest : public TftpFixture, public testing::WithParamInterface<bool> {};

TEST_P(TftpTwinTest, SessionLeftForItsTwinDoesNotFailTheTransfer) {
    WriteFile("Image.bin", RandomBytes(6 * 512 + 1));
    Start();
    const UdpPeer client;
    client.SendTo(Request(1, "Image.bin"), 69);
    client.SendTo(Request(1, "Image.bin"), 69);
    const auto taken = client.Receive();
    const auto left = client.Receive();
    ASSERT_TRUE(taken && left);
    ASSERT_NE(taken->port(), left->port());
    if (GetParam()) {
        Bytes unknownTransfer{0, 5, 0, 5};
        const Bytes text = Text("Unknown transfer ID");
        unknownTransfer.insert(unknownTransfer.end(), text.begin(), text.end());
        unknownTransfer.push_back(0);
        client.SendTo(unknownTransfer, left->from);
    }
    // A slow transfer that outlasts the other session's 2 s of silence.
    for (std::uint16_t block = 1; block <= 7; ++block) {
        client.SendTo(AckPacket(block), taken->from);
        if (block < 7) {
            auto next = client.Receive();
            ASSERT_TRUE(next);
            ASSERT_EQ(next->block(), block + 1);
        }
        std::this_thread::sleep_for(milliseconds(400));
    }
    EXPECT_EQ(page.WaitForFinish(milliseconds(2000)), TransferOutcome::Succeeded);
    EXPECT_TRUE(server->WaitForSessions(milliseconds(4000)));
    EXPECT_EQ(page.Finishes(), std::vector{TransferOutcome::Succeeded});
}

INSTANTIATE_TEST_SUITE_P(Requester, TftpTwinTest, testing::Bool(),
                         [](const auto& info) { return info.param ? "AnswersWithUnknownTransferId" : "Silent"; });

// A boot loader repeated its request for a param.ini that names the image, took one session's answer and left the
// twin alone; no transfer from its address runs when the twin's silence ends. The twin must not fail the run while
// another requester transfers (which then succeeds), nor while a request waits for a place.
class TftpTwinTimeoutTest : public TftpFixture, public testing::WithParamInterface<bool> {};

TEST_P(TftpTwinTimeoutTest, TwinThatTimesOutDoesNotFailTheRun) {
    const bool othersWaitForAPlace = GetParam();
    WriteFile("param.ini", Text("[boot]\ncode=Image.bin\n"));
    WriteFile("Image.bin", RandomBytes(6 * 512 + 1));
    Start(); // 2 s of silence
    const UdpPeer loader;
    loader.SendTo(Request(1, "PARAM.INI"), 69);
    loader.SendTo(Request(1, "PARAM.INI"), 69);
    ASSERT_TRUE(ReadAll(loader)); // one session's answer; the twin's DATA 1 stays unanswered
    std::vector<std::unique_ptr<UdpPeer>> others;
    if (othersWaitForAPlace) {
        // Four strays hold the other places, and a reader waits for one.
        for (const char* address : {"127.0.0.3", "127.0.0.4", "127.0.0.5", "127.0.0.6"}) {
            others.push_back(std::make_unique<UdpPeer>(address));
            others.back()->SendTo(AckPacket(9), 69);
        }
        const UdpPeer reader("127.0.0.7");
        reader.SendTo(Request(1, "param.ini"), 69);
        EXPECT_FALSE(reader.Receive(milliseconds(1000)));
        ASSERT_TRUE(ReadAll(reader, nullptr, milliseconds(4000)));
    } else {
        // A slow reader at another address outlasts the twin.
        const UdpPeer reader("127.0.0.2");
        reader.SendTo(Request(1, "Image.bin"), 69);
        for (std::uint16_t block = 1; block <= 7; ++block) {
            const auto data = reader.Receive();
            ASSERT_TRUE(data);
            ASSERT_EQ(data->block(), block);
            std::this_thread::sleep_for(milliseconds(400));
            reader.SendTo(AckPacket(block), data->from);
        }
    }
    EXPECT_TRUE(server->WaitForSessions(milliseconds(4000)));
    const auto expected =
        othersWaitForAPlace ? std::vector<TransferOutcome>{} : std::vector<TransferOutcome>{TransferOutcome::Succeeded};
    EXPECT_EQ(page.Finishes(), expected);
}

INSTANTIATE_TEST_SUITE_P(While, TftpTwinTimeoutTest, testing::Bool(), [](const auto& info) {
    return info.param ? "ARequestWaitsForAPlace" : "AnotherTransferRuns";
});

// One boot loader alone: the twin of its param.ini (which names the image) times out long before the loader asks
// for the image; nothing ends the run meanwhile, and the image then ends it as transferred.
TEST_F(TftpSessionTest, ParamIniTwinAloneDoesNotFailTheRunBeforeTheImage) {
    WriteFile("param.ini", Text("[boot]\ncode=Image.bin\n"));
    WriteFile("Image.bin", RandomBytes(3 * 512 + 1));
    Start(); // 2 s of silence
    const UdpPeer loader;
    loader.SendTo(Request(1, "PARAM.INI"), 69);
    loader.SendTo(Request(1, "PARAM.INI"), 69);
    ASSERT_TRUE(ReadAll(loader));
    EXPECT_TRUE(server->WaitForSessions(milliseconds(4000)));
    EXPECT_EQ(page.Finishes(), std::vector<TransferOutcome>{});
    const UdpPeer image;
    image.SendTo(Request(1, "IMAGE.BIN"), 69);
    ASSERT_TRUE(ReadAll(image));
    EXPECT_TRUE(server->WaitForSessions(milliseconds(4000)));
    EXPECT_EQ(page.Finishes(), std::vector<TransferOutcome>{TransferOutcome::Succeeded});
}

// The session keeps the page it reports to alive after the server and every other owner let go of it.
TEST_F(TftpSessionTest, SessionThatOutlivesTheServerKeepsItsPage) {
    WriteFile("Image.bin", RandomBytes(2000));
    Start();
    const UdpPeer client;
    client.SendTo(Request(1, "Image.bin"), 69);
    const auto data1 = client.Receive();
    ASSERT_TRUE(data1);
    const std::weak_ptr<TftpSessionContext> context = server->context;
    const std::weak_ptr<RecordingPage> held = sharedPage;
    server.reset();
    sharedPage.reset();
    ASSERT_FALSE(held.expired());
    for (std::uint16_t block = 1; block <= 3; ++block) {
        client.SendTo(AckPacket(block), data1->from);
        ASSERT_TRUE(client.Receive()); // the session still serves its requester
    }
    client.SendTo(AckPacket(4), data1->from);
    const auto deadline = std::chrono::steady_clock::now() + milliseconds(2000);
    while (!context.expired() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(milliseconds(5));
    EXPECT_TRUE(held.expired());
    EXPECT_TRUE(context.expired());
}

// The page stops both servers from the session's thread inside FinishTransfer, while the page's own thread
// cancels at the same moment: every Stop returns once, nothing deadlocks.
TEST_F(TftpSessionTest, FinishTransferStopsBothServersWhileTheUserCancels) {
    WriteFile("Image.bin", RandomBytes(300));
    BootReplyServer bootServer(Address("127.0.0.1"), (folder / "fw" / "Image.bin").string());
    ASSERT_TRUE(bootServer.Start().listening);
    std::atomic<int> finishes{0};
    page.onFinish = [&](TransferOutcome) {
        bootServer.Stop();
        server->Stop();
        ++finishes;
    };
    Start();
    const UdpPeer client;
    client.SendTo(Request(1, "Image.bin"), 69);
    const auto data1 = client.Receive();
    ASSERT_TRUE(data1);
    std::thread cancel([&] {
        bootServer.Stop();
        server->Stop();
    });
    client.SendTo(AckPacket(1), data1->from);
    EXPECT_EQ(page.WaitForFinish(milliseconds(3000)), TransferOutcome::Succeeded);
    cancel.join();
    EXPECT_EQ(finishes, 1);
    EXPECT_FALSE(bootServer.Status().listening);
    EXPECT_FALSE(server->Status().listening);
}

TEST_F(TftpSessionTest, PortInUseAndAbsentAddressAreReported) {
    Start();
    TftpServer second(Address("127.0.0.1"), (folder / "fw" / "Image.bin").string(), sharedPage);
    const ListenStatus busy = second.Start();
    EXPECT_EQ(busy.failure, ListenFailure::PortInUse) << busy.reason;
    EXPECT_NE(busy.reason.find("69"), std::string::npos);
    server->Stop();

    TftpServer absent(Address("192.0.2.7"), (folder / "fw" / "Image.bin").string(), sharedPage);
    EXPECT_EQ(absent.Start().failure, ListenFailure::AddressNotPresent);
}
