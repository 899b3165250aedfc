// Debian's TFTP clients against our server: curl, atftp and tftp-hpa, directly and through a lossy relay.
#include "support/LossyRelay.h"
#include "support/TftpFixture.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <thread>
#include <vector>

using namespace vornalix::recovery;
using namespace vornalix::recovery::test;
using std::chrono::milliseconds;

namespace {

class RealPeersTest : public TftpFixture {
protected:
    void SetUp() override {
        TftpFixture::SetUp();
        if (IsSkipped())
            return;
        content = RandomBytes(150'000, 5);
        WriteFile("Image.bin", content);
        Start({2, 2, std::chrono::microseconds(1000)});
    }

    std::string Out(const char* name) const { return (folder / name).string(); }
    Bytes ReadOut(const char* name) const {
        std::ifstream in(folder / name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void ExpectFetched(const std::string& command, const char* out) {
        std::string log;
        ASSERT_EQ(RunCommand(command, &log), 0) << command << "\n" << log;
        EXPECT_TRUE(ReadOut(out) == content) << command << "\n" << log;
        EXPECT_EQ(page.WaitForFinish(milliseconds(3000)), TransferOutcome::Succeeded);
    }

    Bytes content;
};

} // namespace

TEST_F(RealPeersTest, CurlFetchesTheImage) {
    ExpectFetched("curl -sS --max-time 60 -o " + Out("curl.bin") + " tftp://127.0.0.1/IMAGE.BIN", "curl.bin");
}

TEST_F(RealPeersTest, CurlWithBlockSizeOptionFetchesTheImage) {
    ExpectFetched("curl -sS --max-time 60 --tftp-blksize 1024 -o " + Out("curl.bin") + " tftp://127.0.0.1/image.bin",
                  "curl.bin");
}

TEST_F(RealPeersTest, AtftpFetchesTheImage) {
    ExpectFetched("atftp -g -r IMAGE.BIN -l " + Out("atftp.bin") + " 127.0.0.1", "atftp.bin");
}

TEST_F(RealPeersTest, TftpHpaFetchesTheImage) {
    ExpectFetched("tftp -m binary 127.0.0.1 -c get IMAGE.BIN " + Out("hpa.bin"), "hpa.bin");
}

TEST_F(RealPeersTest, TftpHpaPutsAFile) {
    const Bytes upload = RandomBytes(40'000, 17);
    std::ofstream(folder / "local.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(upload.data()), static_cast<std::streamsize>(upload.size()));
    std::string log;
    ASSERT_EQ(RunCommand("tftp -m binary 127.0.0.1 -c put " + Out("local.bin") + " uploaded.bin", &log), 0) << log;
    EXPECT_TRUE(server->WaitForSessions(milliseconds(2000)));
    EXPECT_TRUE(ReadFile("uploaded.bin") == upload);
    EXPECT_TRUE(page.Finishes().empty());
}

// Ten runs at once, each with its own server, page and relay that loses 10 % of the datagrams each way and copies
// 10 % of the server's; the clients (tftp-hpa and atftp, in turn) resend after 1 s, and in every third run the client's
// last ACK is lost as well. Every file arrives whole, and no run whose client has every byte ends as failed: it
// succeeds, or ends as sent, not confirmed.
TEST_F(RealPeersTest, LossyRelayRunsThatDeliverEveryByteNeverEndAsFailed) {
    constexpr int kRuns = 10;
    content = RandomBytes(20'000, 23);
    WriteFile("Image.bin", content);
    const int blocks = static_cast<int>(content.size() / 512 + 1);
    struct Run {
        std::shared_ptr<RecordingPage> page = std::make_shared<RecordingPage>();
        std::unique_ptr<TftpServer> server;
        std::unique_ptr<LossyRelay> relay;
        std::string output, log;
        int exit = -1;
    };
    // Only new ACKs hold a session: the silence leaves room for a few lost resends in a row.
    const TftpTimings timings{1, 8, std::chrono::microseconds(1000)};
    std::vector<Run> runs(kRuns);
    std::vector<std::thread> clients;
    for (int i = 0; i < kRuns; ++i) {
        Run& run = runs[static_cast<std::size_t>(i)];
        const std::string serverAddress = "127.0.0." + std::to_string(20 + i);
        const std::string relayAddress = "127.0.1." + std::to_string(20 + i);
        run.server = std::make_unique<TftpServer>(Address(serverAddress.c_str()),
                                                  (folder / "fw" / "Image.bin").string(), run.page, timings);
        ASSERT_TRUE(run.server->Start().listening);
        // The server's datagrams are copied, not the client's: tftp-hpa follows whichever port answered last, so
        // a copied request (a twin session) would lead it astray.
        run.relay = std::make_unique<LossyRelay>(relayAddress.c_str(), 69, serverAddress.c_str(), 69, 0.10,
                                                 static_cast<unsigned>(42 + i), 0.10, 0.0);
        if (i % 3 == 0)
            run.relay->LoseFinalAcks();
        run.output = Out(("run" + std::to_string(i) + ".bin").c_str());
        const std::string command =
            i % 2 == 0 ? "printf 'binary\\nrexmt 1\\ntimeout 60\\nget IMAGE.BIN " + run.output +
                             "\\nquit\\n' | timeout 120 tftp " + relayAddress
                       : "timeout 120 atftp --tftp-timeout 1 -g -r IMAGE.BIN -l " + run.output + " " + relayAddress;
        clients.emplace_back([&run, command] { run.exit = RunCommand(command, &run.log); });
    }
    for (std::thread& client : clients)
        client.join();
    std::map<std::string, int> outcomes;
    for (int i = 0; i < kRuns; ++i) {
        Run& run = runs[static_cast<std::size_t>(i)];
        const bool whole = ReadOut(("run" + std::to_string(i) + ".bin").c_str()) == content;
        EXPECT_EQ(run.exit, 0) << "run " << i << "\n" << run.log;
        EXPECT_TRUE(whole) << "run " << i << "\n" << run.log;
        const auto outcome = run.page->WaitForFinish(milliseconds(12000));
        ASSERT_TRUE(outcome) << "run " << i;
        ++outcomes[OutcomeName(*outcome)];
        if (whole) {
            EXPECT_NE(outcome, TransferOutcome::Failed) << "run " << i;
        }
        // Stop-and-wait: one DATA per block; copies may add at most as many again, every loss one resend, and
        // the last block goes out once more per receive wait while its ACK is missing.
        EXPECT_LE(run.relay->serverData(), 2 * blocks + run.relay->dropped() + timings.receiveTries) << "run " << i;
        EXPECT_GE(run.relay->serverData(), blocks);
        run.server->Stop();
        EXPECT_TRUE(run.server->WaitForSessions(milliseconds(12000)));
    }
    for (const auto& [name, count] : outcomes)
        RecordProperty(name, count);
    // The runs that lost their last ACK ended unconfirmed.
    EXPECT_GE(outcomes["sent-not-confirmed"], (kRuns + 2) / 3);
    EXPECT_EQ(outcomes["failed"], 0);
}
