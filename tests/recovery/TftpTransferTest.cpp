#include "recovery/TftpTransfer.h"

#include "res/Resources.h"
#include "support/TftpFixture.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

using namespace vornalix::recovery;
using namespace vornalix::recovery::test;
using std::chrono::milliseconds;

namespace {

class TftpReadTest : public TftpFixture {
protected:
    // Sends the opening read request to port 69 and returns DATA 1 (or whatever came).
    std::optional<Datagram> Open(const UdpPeer& client, const std::string& name,
                                 const std::vector<std::string>& options = {}) {
        client.SendTo(Request(1, name, options), 69);
        return client.Receive();
    }
};

} // namespace

TEST_F(TftpReadTest, ThousandBytesGoAsTwoBlocksAndSuccessIsReported) {
    const Bytes content = RandomBytes(1000);
    WriteFile("Image.bin", content);
    Start();
    const UdpPeer client;
    const auto data1 = Open(client, "Image.bin");
    ASSERT_TRUE(data1);
    EXPECT_EQ(data1->opcode(), 3);
    EXPECT_EQ(data1->block(), 1);
    EXPECT_EQ(data1->dataSize(), 512u);
    EXPECT_NE(data1->port(), 69);
    client.SendTo(AckPacket(1), data1->from);
    const auto data2 = client.Receive();
    ASSERT_TRUE(data2);
    EXPECT_EQ(data2->block(), 2);
    EXPECT_EQ(data2->dataSize(), 488u);
    EXPECT_EQ(data2->port(), data1->port());
    EXPECT_EQ(Bytes(data2->bytes.begin() + 4, data2->bytes.end()), Bytes(content.begin() + 512, content.end()));
    EXPECT_FALSE(page.WaitForFinish(milliseconds(100)));
    client.SendTo(AckPacket(2), data1->from);
    EXPECT_EQ(page.WaitForFinish(milliseconds(2000)), TransferOutcome::Succeeded);

    const std::vector<std::string> expected = {
        "title:" + vornalix::res::LoadString(vornalix::res::StringId::UpdatingFirmwareTitle),
        "invalidate",
        "peer:From host \"127.0.0.1\" to Gateway \"127.0.0.1\" ",
        "status:" + vornalix::res::LoadString(vornalix::res::StringId::UpdatingFirmware),
        "update",
        "range:0,2",
        "step:1",
        "pos:1",
        "disable",
        "pos:2",
        "finish:succeeded",
    };
    EXPECT_EQ(page.Events(), expected);
    EXPECT_EQ(vornalix::res::LoadString(vornalix::res::StringId::UpdatingFirmwareTitle), "Updating the Firmware");
}

TEST_F(TftpReadTest, ExactMultipleOfTheBlockSizeEndsWithAnEmptyBlock) {
    WriteFile("Image.bin", RandomBytes(1024));
    Start();
    const UdpPeer client;
    const auto data1 = Open(client, "Image.bin");
    ASSERT_TRUE(data1);
    client.SendTo(AckPacket(1), data1->from);
    const auto data2 = client.Receive();
    ASSERT_TRUE(data2);
    EXPECT_EQ(data2->dataSize(), 512u);
    client.SendTo(AckPacket(2), data1->from);
    const auto data3 = client.Receive();
    ASSERT_TRUE(data3);
    EXPECT_EQ(data3->block(), 3);
    EXPECT_EQ(data3->dataSize(), 0u);
    EXPECT_FALSE(page.WaitForFinish(milliseconds(50)));
    client.SendTo(AckPacket(3), data1->from);
    EXPECT_EQ(page.WaitForFinish(milliseconds(2000)), TransferOutcome::Succeeded);
}

TEST_F(TftpReadTest, EmptyFileIsOneEmptyBlockShownComplete) {
    WriteFile("Image.bin", {});
    Start();
    const UdpPeer client;
    const auto data1 = Open(client, "Image.bin");
    ASSERT_TRUE(data1);
    EXPECT_EQ(data1->block(), 1);
    EXPECT_EQ(data1->dataSize(), 0u);
    client.SendTo(AckPacket(1), data1->from);
    EXPECT_EQ(page.WaitForFinish(milliseconds(2000)), TransferOutcome::Succeeded);
    EXPECT_EQ(page.EventsStartingWith("range:"), std::vector<std::string>{"range:0,1"});
    EXPECT_DOUBLE_EQ(page.Bar().Fraction(), 1.0);
}

struct ProgressCase {
    int blocks;
    std::string range;
    std::vector<int> positionsAfterBlock; // block count at which each position was set
    int lastPosition;
};

void PrintTo(const ProgressCase& c, std::ostream* out) {
    *out << c.blocks << " blocks";
}

class TftpProgressTest : public TftpReadTest, public testing::WithParamInterface<ProgressCase> {};

TEST_P(TftpProgressTest, StepsFollowTheBlocks) {
    const ProgressCase& c = GetParam();
    WriteFile("Image.bin", RandomBytes(static_cast<std::size_t>(c.blocks) * 512 - 100));
    Start();
    const UdpPeer client;
    client.SendTo(Request(1, "Image.bin"), 69);
    std::vector<int> stepAt;
    Bytes content;
    // The session moves the bar right after it sent a block; give it a moment to do so before noting which
    // positions belong to this block.
    const auto noteStepsUpTo = [&](int block) {
        const auto due = static_cast<std::size_t>(std::count_if(
            c.positionsAfterBlock.begin(), c.positionsAfterBlock.end(), [&](int at) { return at <= block; }));
        const auto until = std::chrono::steady_clock::now() + milliseconds(1000);
        while (page.EventsStartingWith("pos:").size() < due && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        const auto positions = page.EventsStartingWith("pos:");
        while (stepAt.size() < positions.size())
            stepAt.push_back(block);
    };
    for (int block = 1; block <= c.blocks; ++block) {
        const auto data = client.Receive();
        ASSERT_TRUE(data);
        ASSERT_EQ(data->block(), block);
        noteStepsUpTo(block);
        client.SendTo(AckPacket(static_cast<std::uint16_t>(block)), data->from);
    }
    ASSERT_EQ(page.WaitForFinish(milliseconds(2000)), TransferOutcome::Succeeded);
    noteStepsUpTo(c.blocks);
    EXPECT_EQ(page.EventsStartingWith("range:"), std::vector<std::string>{c.range});
    EXPECT_EQ(stepAt, c.positionsAfterBlock);
    EXPECT_EQ(page.EventsStartingWith("pos:").back(), "pos:" + std::to_string(c.lastPosition));
    EXPECT_DOUBLE_EQ(page.Bar().Fraction(), 1.0);
}

INSTANTIATE_TEST_SUITE_P(Blocks, TftpProgressTest,
                         testing::Values(ProgressCase{100, "range:0,10", {10, 20, 30, 40, 50, 60, 70, 80, 90, 100}, 10},
                                         ProgressCase{7, "range:0,7", {1, 2, 3, 4, 5, 6, 7}, 7},
                                         ProgressCase{
                                             25, "range:0,10", {2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24}, 12}),
                         [](const auto& info) { return "Blocks" + std::to_string(info.param.blocks); });

TEST_F(TftpReadTest, RepeatedAckBringsTheFollowingBlockAgain) {
    const Bytes content = RandomBytes(5 * 512 + 10);
    WriteFile("Image.bin", content);
    Start();
    const UdpPeer client;
    auto data = Open(client, "Image.bin");
    for (std::uint16_t block = 1; block <= 3; ++block) {
        ASSERT_TRUE(data);
        client.SendTo(AckPacket(block), data->from);
        data = client.Receive();
    }
    ASSERT_TRUE(data);
    ASSERT_EQ(data->block(), 4);
    client.SendTo(AckPacket(3), data->from);
    const auto again = client.Receive();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->bytes, data->bytes);
    EXPECT_TRUE(client.Quiet(milliseconds(100))); // nothing is resent without an ACK
}

TEST_F(TftpReadTest, AckOfAnEarlierBlockAfterTheFinalOneDoesNotComplete) {
    WriteFile("Image.bin", RandomBytes(700));
    Start();
    const UdpPeer client;
    const auto data1 = Open(client, "Image.bin");
    ASSERT_TRUE(data1);
    client.SendTo(AckPacket(1), data1->from);
    ASSERT_TRUE(client.Receive()); // final DATA 2, lost on the way
    client.SendTo(AckPacket(1), data1->from);
    const auto resent = client.Receive();
    ASSERT_TRUE(resent);
    EXPECT_EQ(resent->block(), 2);
    EXPECT_FALSE(page.WaitForFinish(milliseconds(100)));
    client.SendTo(AckPacket(2), data1->from);
    EXPECT_EQ(page.WaitForFinish(milliseconds(2000)), TransferOutcome::Succeeded);
}

TEST_F(TftpReadTest, OptionsCountOnlyInARequestRepeatedToTheSession) {
    const Bytes content = RandomBytes(3000);
    WriteFile("Image.bin", content);
    Start();
    const UdpPeer client;
    const auto data1 = Open(client, "Image.bin", {"blksize", "4096"});
    ASSERT_TRUE(data1);
    EXPECT_EQ(data1->opcode(), 3);
    EXPECT_EQ(data1->dataSize(), 512u);
    client.SendTo(Request(1, "Image.bin", {"blksize", "4096"}), data1->from);
    const auto oack = client.Receive();
    ASSERT_TRUE(oack);
    const Bytes expected = {0,   6, 'b', 'l', 'k', 's', 'i', 'z', 'e', 0, '1', '0', '2',
                            '4', 0, 't', 'i', 'm', 'e', 'o', 'u', 't', 0, '5', 0};
    EXPECT_EQ(oack->bytes, expected);
    client.SendTo(AckPacket(0), data1->from);
    const auto big1 = client.Receive();
    ASSERT_TRUE(big1);
    EXPECT_EQ(big1->block(), 1);
    EXPECT_EQ(big1->dataSize(), 1024u);
    EXPECT_EQ(Bytes(big1->bytes.begin() + 4, big1->bytes.end()), Bytes(content.begin(), content.begin() + 1024));
}

TEST_F(TftpReadTest, TsizeAloneIsAnsweredWithBlockSizeAndTimeout) {
    WriteFile("Image.bin", RandomBytes(3000));
    Start();
    const UdpPeer client;
    const auto data1 = Open(client, "Image.bin");
    ASSERT_TRUE(data1);
    client.SendTo(Request(1, "Image.bin", {"tsize", "0"}), data1->from);
    const auto oack = client.Receive();
    ASSERT_TRUE(oack);
    const Bytes expected = {0,   6, 'b', 'l', 'k', 's', 'i', 'z', 'e', 0, '5', '1',
                            '2', 0, 't', 'i', 'm', 'e', 'o', 'u', 't', 0, '5', 0};
    EXPECT_EQ(oack->bytes, expected);
}

TEST_F(TftpReadTest, OptionNamesInCapitalsAreTaken) {
    WriteFile("Image.bin", RandomBytes(3000));
    Start();
    const UdpPeer client;
    const auto data1 = Open(client, "IMAGE.BIN");
    ASSERT_TRUE(data1);
    client.SendTo(Request(1, "IMAGE.BIN", {"BLKSIZE", "800", "TIMEOUT", "99"}), data1->from);
    const auto oack = client.Receive();
    ASSERT_TRUE(oack);
    EXPECT_EQ(oack->bytes, TftpPacket::OptionAck(800, 60));
}

TEST_F(TftpReadTest, MissingFileGetsErrorZeroThenFailsAfterSilence) {
    Start();
    const UdpPeer client;
    const auto start = std::chrono::steady_clock::now();
    const auto error = Open(client, "nofile.bin");
    ASSERT_TRUE(error);
    EXPECT_EQ(error->opcode(), 5);
    EXPECT_EQ(error->block(), 0);
    EXPECT_EQ(error->text(), "Open File \"nofile.bin\" Error");
    EXPECT_EQ(error->bytes.size(), 4 + error->text().size() + 1);
    EXPECT_EQ(page.WaitForFinish(milliseconds(5000)), TransferOutcome::Failed);
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(1900)); // 2 waits of 1 s
}

TEST_F(TftpReadTest, NamesLeavingTheFolderAreRefused) {
    WriteFile("Image.bin", RandomBytes(10));
    std::ofstream(folder / "secret.txt") << "secret";
    Start();
    const UdpPeer client;
    for (const std::string name : {"../secret.txt", "/etc/passwd", "..\\secret.txt"}) {
        const auto error = Open(client, name);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->opcode(), 5);
        EXPECT_EQ(error->text(), "Open File \"" + name + "\" Error");
    }
    client.SendTo(Request(2, "../planted.txt"), 69);
    const auto refused = client.Receive();
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->block(), 1);
    EXPECT_EQ(refused->text(), "Can not create file \"../planted.txt\"");
    EXPECT_FALSE(std::filesystem::exists(folder / "planted.txt"));
}

// Each stray starts a session that ends by silence; the newer one has the last word, once.
TEST_F(TftpReadTest, StrayPacketsOnPort69StartSessionsThatFail) {
    Start();
    const UdpPeer client;
    client.SendTo(DataPacket(0x4142, Text("junk")), 69); // block number "AB"
    const auto error = client.Receive();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->opcode(), 5);
    EXPECT_EQ(error->block(), 1);
    EXPECT_EQ(error->text(), "Can not create file \"ABjunk\"");
    client.SendTo(AckPacket(4), 69);
    EXPECT_TRUE(client.Quiet(milliseconds(300)));
    EXPECT_EQ(page.WaitForFinish(milliseconds(5000)), TransferOutcome::Failed);
    EXPECT_TRUE(server->WaitForSessions(milliseconds(3000)));
    EXPECT_EQ(page.Finishes().size(), 1u);
}

// Whatever comes to the session's port from anyone but the requester's address and port, whatever its length,
// is not part of the transfer: nothing answers it, and the transfer goes on to its success.
struct StrayCase {
    std::string name;
    const char* from; // the sender's address; its port is its own, never the requester's
    Bytes datagram;
};

void PrintTo(const StrayCase& c, std::ostream* out) {
    *out << c.name;
}

class TftpStrayTest : public TftpReadTest, public testing::WithParamInterface<StrayCase> {};

TEST_P(TftpStrayTest, DatagramFromAnyoneButTheRequesterIsIgnored) {
    WriteFile("Image.bin", RandomBytes(2000));
    Start();
    const UdpPeer client;
    const UdpPeer stray(GetParam().from);
    const auto data1 = Open(client, "Image.bin");
    ASSERT_TRUE(data1);
    stray.SendTo(GetParam().datagram, data1->from);
    EXPECT_TRUE(stray.Quiet(milliseconds(200)));
    EXPECT_TRUE(client.Quiet(milliseconds(50)));
    for (std::uint16_t block = 1; block <= 4; ++block) {
        client.SendTo(AckPacket(block), data1->from);
        if (block < 4) {
            const auto next = client.Receive();
            ASSERT_TRUE(next);
            EXPECT_EQ(next->block(), block + 1);
        }
    }
    EXPECT_EQ(page.WaitForFinish(milliseconds(2000)), TransferOutcome::Succeeded);
}

INSTANTIATE_TEST_SUITE_P(Senders, TftpStrayTest,
                         testing::Values(StrayCase{"AckFromAnotherHost", "127.0.0.2", AckPacket(1)},
                                         StrayCase{"EmptyFromAnotherHost", "127.0.0.2", {}},
                                         StrayCase{"OversizedFromAnotherHost", "127.0.0.2", Bytes(3000, 4)},
                                         StrayCase{"EmptyFromTheRequestersAddress", "127.0.0.1", {}},
                                         StrayCase{"OversizedFromTheRequestersAddress", "127.0.0.1", Bytes(2049, 4)}),
                         [](const auto& info) { return info.param.name; });

// A requester that gives the transfer up, or only repeats itself, ends its session: at once after its ERROR,
// after the silence limit from its last new ACK when it only sends old ones.
struct StallCase {
    std::string name;
    Bytes repeated; // sent to the session port every 300 ms after DATA 2 (after ACK 1)
    milliseconds endsWithin;
};

void PrintTo(const StallCase& c, std::ostream* out) {
    *out << c.name;
}

class TftpStallTest : public TftpReadTest, public testing::WithParamInterface<StallCase> {};

TEST_P(TftpStallTest, SessionEndsWithoutNewProgress) {
    WriteFile("Image.bin", RandomBytes(5000));
    Start(); // 2 s of silence
    const UdpPeer client;
    const auto data1 = Open(client, "Image.bin");
    ASSERT_TRUE(data1);
    client.SendTo(AckPacket(1), data1->from);
    ASSERT_TRUE(client.Receive());
    const auto lastProgress = std::chrono::steady_clock::now();
    std::optional<TransferOutcome> outcome;
    while (!outcome && std::chrono::steady_clock::now() - lastProgress < milliseconds(5000)) {
        client.SendTo(GetParam().repeated, data1->from);
        outcome = page.WaitForFinish(milliseconds(300));
    }
    const auto took = std::chrono::steady_clock::now() - lastProgress;
    EXPECT_EQ(outcome, TransferOutcome::Failed);
    EXPECT_LT(took, GetParam().endsWithin);
    EXPECT_TRUE(server->WaitForSessions(milliseconds(500)));
}

INSTANTIATE_TEST_SUITE_P(Requester, TftpStallTest,
                         testing::Values(StallCase{"SendsError", {0, 5, 0, 0, 'q', 0}, milliseconds(1000)},
                                         StallCase{"RepeatsAnOldAck", AckPacket(1), milliseconds(2700)},
                                         StallCase{"RepeatsAnOlderAck", AckPacket(0), milliseconds(2700)}),
                         [](const auto& info) { return info.param.name; });

// The last block went out and its ACK does not come: the block goes out again after every receive wait within
// the silence limit. A requester that acknowledges one of the copies completes the transfer; one that stays
// silent leaves it sent, not confirmed, never failed.
class TftpLastAckTest : public TftpReadTest, public testing::WithParamInterface<bool> {};

TEST_P(TftpLastAckTest, LastBlockIsResentUntilAcknowledged) {
    const bool acknowledges = GetParam();
    const Bytes content = RandomBytes(700);
    WriteFile("Image.bin", content);
    Start({1, 3, std::chrono::microseconds(1000)});
    const UdpPeer client;
    const auto data1 = Open(client, "Image.bin");
    ASSERT_TRUE(data1);
    client.SendTo(AckPacket(1), data1->from);
    const auto last = client.Receive();
    ASSERT_TRUE(last);
    ASSERT_EQ(last->block(), 2);
    const auto sent = std::chrono::steady_clock::now();
    const auto again = client.Receive(milliseconds(1500));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->bytes, last->bytes);
    EXPECT_GE(std::chrono::steady_clock::now() - sent, milliseconds(900));
    if (acknowledges) {
        client.SendTo(AckPacket(2), data1->from);
        EXPECT_EQ(page.WaitForFinish(milliseconds(1000)), TransferOutcome::Succeeded);
        EXPECT_TRUE(client.Quiet(milliseconds(1500)));
        return;
    }
    const auto onceMore = client.Receive(milliseconds(1500));
    ASSERT_TRUE(onceMore);
    EXPECT_EQ(onceMore->bytes, last->bytes);
    EXPECT_EQ(page.WaitForFinish(milliseconds(2000)), TransferOutcome::SentNotConfirmed);
    EXPECT_GE(std::chrono::steady_clock::now() - sent, milliseconds(2900));
    EXPECT_TRUE(client.Quiet(milliseconds(100)));
}

INSTANTIATE_TEST_SUITE_P(Requester, TftpLastAckTest, testing::Bool(),
                         [](const auto& info) { return info.param ? "AcknowledgesACopy" : "StaysSilent"; });

TEST_F(TftpReadTest, OversizedDatagramEndsTheSessionAsFailed) {
    WriteFile("Image.bin", RandomBytes(2000));
    Start({20, 5, std::chrono::microseconds(1000)});
    const UdpPeer client;
    const auto data1 = Open(client, "Image.bin");
    ASSERT_TRUE(data1);
    client.SendTo(Bytes(2049, 4), data1->from);
    EXPECT_EQ(page.WaitForFinish(milliseconds(3000)), TransferOutcome::Failed);
}

TEST_F(TftpReadTest, ParamIniNamingTheCodeReportsNothing) {
    const std::string withCode = "[boot]\nCode=image.bin\n";
    WriteFile("param.ini", Text(withCode));
    Start();
    const UdpPeer client;
    client.SendTo(Request(1, "PARAM.INI"), 69);
    const auto served = ReadAll(client);
    ASSERT_TRUE(served);
    EXPECT_EQ(*served, Text(withCode));
    EXPECT_FALSE(page.WaitForFinish(milliseconds(1500)));
    EXPECT_TRUE(server->WaitForSessions(milliseconds(2000)));
    EXPECT_FALSE(page.EventsStartingWith("pos:").empty());

    WriteFile("param.ini", Text("[boot]\nimage=fw.bin\n"));
    const UdpPeer second;
    second.SendTo(Request(1, "param.ini"), 69);
    ASSERT_TRUE(ReadAll(second));
    EXPECT_EQ(page.WaitForFinish(milliseconds(2000)), TransferOutcome::Succeeded);
}

TEST_F(TftpReadTest, SixRequestsRunFiveSessionsAndTheSixthWaits) {
    WriteFile("Image.bin", RandomBytes(600));
    Start({3, 2, std::chrono::microseconds(1000)});
    std::vector<std::unique_ptr<UdpPeer>> clients;
    std::vector<Datagram> first;
    for (int i = 0; i < 6; ++i) {
        clients.push_back(std::make_unique<UdpPeer>());
        clients.back()->SendTo(Request(1, "Image.bin"), 69);
    }
    int answered = 0;
    int waiting = -1;
    for (int i = 0; i < 6; ++i) {
        if (auto data = clients[static_cast<std::size_t>(i)]->Receive(milliseconds(500))) {
            ++answered;
            first.push_back(*data);
        } else {
            waiting = i;
        }
    }
    EXPECT_EQ(answered, 5);
    ASSERT_GE(waiting, 0);
    EXPECT_EQ(page.EventsStartingWith("title:").size(), 6u); // every session shows its texts before waiting
    // One session ends: the waiting one goes ahead.
    const auto& done = first.front();
    std::size_t owner = 0;
    for (std::size_t i = 0; i < clients.size(); ++i)
        if (static_cast<int>(i) != waiting) {
            owner = i;
            break;
        }
    clients[owner]->SendTo(AckPacket(1), done.from);
    ASSERT_TRUE(clients[owner]->Receive());
    clients[owner]->SendTo(AckPacket(2), done.from);
    const auto late = clients[static_cast<std::size_t>(waiting)]->Receive(milliseconds(2000));
    ASSERT_TRUE(late);
    EXPECT_EQ(late->block(), 1);
}

TEST_F(TftpReadTest, ResentRequestStartsASecondSessionOnAnotherPort) {
    const Bytes content = RandomBytes(1500);
    WriteFile("Image.bin", content);
    Start();
    const UdpPeer client;
    client.SendTo(Request(1, "Image.bin"), 69);
    client.SendTo(Request(1, "Image.bin"), 69);
    const auto a = client.Receive();
    const auto b = client.Receive();
    ASSERT_TRUE(a && b);
    EXPECT_NE(a->port(), b->port());
    EXPECT_EQ(a->bytes, b->bytes);
}
