// vornalix-recover: exit codes and what it prints.
#include "support/PrivateNetwork.h"
#include "support/UdpPeer.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

using namespace vornalix::recovery::test;
using std::chrono::milliseconds;

namespace {

class RecoverProgramTest : public testing::Test {
protected:
    void SetUp() override {
        VORNALIX_REQUIRE_PRIVATE_NETWORK();
        // A parameterised test's name holds a '/': one folder, not a folder left behind around another.
        std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '-');
        dir = std::filesystem::temp_directory_path() / ("vx-recover-" + std::to_string(getpid()) + name);
        std::filesystem::create_directories(dir);
        firmware = (dir / "fw.bin").string();
        std::ofstream(firmware) << "firmware";
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    int Run(const std::string& arguments, std::string* output) {
        return RunCommand(std::string(VORNALIX_RECOVER_PROGRAM) + " " + arguments, output);
    }

    std::filesystem::path dir;
    std::string firmware;
};

} // namespace

TEST_F(RecoverProgramTest, CannotStartIsExitTwoWithTheReason) {
    std::string output;
    EXPECT_EQ(Run("", &output), 2);
    EXPECT_NE(output.find("usage:"), std::string::npos);
    EXPECT_EQ(Run("300.1.1.1 " + firmware, &output), 2);
    EXPECT_EQ(Run("127.0.0.1 " + (dir / "missing.bin").string(), &output), 2);
    EXPECT_NE(output.find("cannot read the firmware file"), std::string::npos) << output;
    EXPECT_EQ(Run("192.0.2.1 " + firmware, &output), 2);
    EXPECT_NE(output.find("no network adapter holds the address 192.0.2.1"), std::string::npos) << output;

    const UdpPeer holder("127.0.0.1", 69);
    EXPECT_EQ(Run("127.0.0.1 " + firmware, &output), 2);
    EXPECT_NE(output.find("UDP port 69"), std::string::npos) << output;
    EXPECT_NE(output.find("already uses this port"), std::string::npos) << output;
}

TEST_F(RecoverProgramTest, InterruptStopsBothServersCleanly) {
    const std::string script =
        std::string(VORNALIX_RECOVER_PROGRAM) + " 127.0.0.1 " + firmware + " & p=$!; sleep 0.5; kill -INT $p; wait $p";
    std::string output;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunCommand("sh -c '" + script + "'", &output), 130) << output;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_NE(
        output.find("title: Restart the Qel Gateway\nstatus: Unplug and plug the power cord to the Qel Gateway.\n"),
        std::string::npos)
        << output;
    EXPECT_NE(output.find("interrupted"), std::string::npos) << output;
}

// A request, and then silence: for a file that does not exist (ERROR 0 at once), the transfer fails after 20 s;
// for the firmware, whose only block is then sent again every 4 s, it ends as sent, not confirmed, with exit 3.
struct SilenceCase {
    const char* name;
    int exitCode;
    const char* result;
};

class RecoverSilenceTest : public RecoverProgramTest, public testing::WithParamInterface<SilenceCase> {};

TEST_P(RecoverSilenceTest, RequesterSilentForTwentySecondsEndsTheRun) {
    const std::string log = (dir / "log").string();
    const std::string script = std::string(VORNALIX_RECOVER_PROGRAM) + " 127.0.0.1 " + firmware + " > " + log +
                               " 2>&1 & p=$!; sleep 0.3; printf \"\\000\\001" + GetParam().name +
                               "\\000octet\\000\" > /dev/udp/127.0.0.1/69; wait $p";
    std::string output;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunCommand("bash -c '" + script + "'", &output), GetParam().exitCode) << output;
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::seconds(19));
    EXPECT_LT(took, std::chrono::seconds(24));
    std::ifstream in(log);
    const std::string printed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(printed.find(std::string("\nresult: ") + GetParam().result), std::string::npos) << printed;
}

INSTANTIATE_TEST_SUITE_P(
    Requests, RecoverSilenceTest,
    testing::Values(SilenceCase{"NOFILE.BIN", 1, "the transfer failed\n"},
                    SilenceCase{"FW.BIN", 3, "the firmware was sent, but the gateway did not confirm the last part"}),
    [](const auto& info) {
        return info.param.exitCode == 1 ? "MissingFileFails" : "UnacknowledgedImageIsNotConfirmed";
    });

// An adapter named instead of an address: one without an IPv4 address gets a link-local address for the run from
// the helper, recorded under /run/vornalix while it is there and gone afterwards; --no-host-changes refuses to
// add one.
TEST_F(RecoverProgramTest, AdapterWithoutAddressGetsATemporaryLinkLocalAddress) {
    std::string output;
    EXPECT_EQ(Run("--help", &output), 0);
    EXPECT_NE(output.find("usage:"), std::string::npos);
    EXPECT_NE(output.find("--no-host-changes"), std::string::npos);
    EXPECT_NE(output.find("--helper-fd N"), std::string::npos);

    ASSERT_EQ(RunCommand("ip link add vxr0 type veth peer name vxr1 && ip link set vxr1 up && ip link set vxr0 up"), 0);
    const std::string runDir = "/run/vornalix";
    EXPECT_EQ(RunCommand(std::string(VORNALIX_RECOVER_PROGRAM) + " --no-host-changes vxr0 " + firmware, &output), 2);
    EXPECT_NE(output.find("vxr0 has no IPv4 address"), std::string::npos) << output;
    EXPECT_EQ(RunCommand(std::string(VORNALIX_RECOVER_PROGRAM) + " nosuch0 " + firmware, &output), 2);
    EXPECT_NE(output.find("neither an IPv4 address nor the name of a network adapter"), std::string::npos);

    const std::string log = (dir / "log").string();
    const std::string script = std::string(VORNALIX_RECOVER_PROGRAM) + " vxr0 " + firmware + " > " + log +
                               " 2>&1 & p=$!; sleep 2.5; ip -4 -o addr show dev vxr0; cat " + runDir +
                               "/*; kill -TERM $p; wait $p";
    EXPECT_EQ(RunCommand("sh -c '" + script + "'", &output), 143) << output;
    EXPECT_NE(output.find("inet 169.254."), std::string::npos) << output;
    EXPECT_NE(output.find("vxr0 169.254."), std::string::npos) << output;
    std::ifstream in(log);
    const std::string printed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(printed.find("listening: BOOTP on 169.254."), std::string::npos) << printed;
    EXPECT_NE(printed.find("restored: vxr0 as it was before"), std::string::npos) << printed;
    EXPECT_EQ(RunCommand("ip -4 -o addr show dev vxr0", &output), 0);
    EXPECT_EQ(output, "");
    EXPECT_TRUE(!std::filesystem::exists(runDir) || std::filesystem::is_empty(runDir));
    RunCommand("ip link del vxr0");
}
