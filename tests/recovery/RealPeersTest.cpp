// Debian's TFTP clients against our server: curl, atftp and tftp-hpa, directly and through a lossy relay.
#include "support/LossyRelay.h"
#include "support/TftpFixture.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

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
        EXPECT_EQ(page.WaitForFinish(milliseconds(3000)), true);
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

TEST_F(RealPeersTest, LossyRelayStillYieldsIdenticalFiles) {
    // 10% of the datagrams are lost and 10% copied, each way; the clients resend after 1 s.
    content = RandomBytes(30'000, 23);
    WriteFile("Image.bin", content);
    const int blocks = static_cast<int>(content.size() / 512 + 1);
    const LossyRelay relay("127.0.0.3", 69, "127.0.0.1", 69, 0.10, 42, 0.10);
    std::string log;
    ASSERT_EQ(RunCommand("printf 'binary\\nrexmt 1\\ntimeout 60\\nget IMAGE.BIN " + Out("hpa.bin") +
                             "\\nquit\\n' | timeout 120 tftp 127.0.0.3",
                         &log),
              0)
        << log;
    EXPECT_TRUE(ReadOut("hpa.bin") == content) << log;
    ASSERT_EQ(
        RunCommand("timeout 120 atftp --tftp-timeout 1 -g -r IMAGE.BIN -l " + Out("atftp.bin") + " 127.0.0.3", &log), 0)
        << log;
    EXPECT_TRUE(ReadOut("atftp.bin") == content) << log;
    EXPECT_GT(relay.dropped(), 0);
    EXPECT_GT(relay.duplicated(), 0);
    RecordProperty("blocks", 2 * blocks);
    RecordProperty("data", relay.serverData());
    RecordProperty("dropped", relay.dropped());
    RecordProperty("copied", relay.duplicated());
    // Stop-and-wait: one DATA per block; copies may add at most as many again, and every loss one resend.
    EXPECT_LE(relay.serverData(), 2 * (2 * blocks) + relay.dropped())
        << relay.dropped() << " dropped, " << relay.duplicated() << " copied";
    EXPECT_GE(relay.serverData(), 2 * blocks);
}
