// Firmware upload, form posts and the whole worker run against the simulator.
#include "GatewaySim.h"
#include "WebFakes.h"

#include "common/fake/ScriptedPrompt.h"
#include "res/Resources.h"
#include "web/GatewayHttpSession.h"
#include "web/UploadStatus.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace vornalix::web {
namespace {

using namespace std::chrono_literals;
using test::GatewaySim;
using test::RecordingSink;

const std::string kLegacyHardware = "1.01";
const std::string kLegacySoftware = "R1.10 WEB Aug. 27, 2001";

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + 7) % 251 + 1);
    return bytes;
}

std::string Header(const std::string& request) {
    return request.substr(0, request.find("\r\n\r\n") + 4);
}

std::string Body(const std::string& request) {
    return request.substr(request.find("\r\n\r\n") + 4);
}

class SessionUploadTest : public testing::Test {
protected:
    void SetUp() override { res::OverrideLanguage(res::Language::English); }
    void Connect(const GatewaySim& sim) {
        session.serverName = "127.0.0.1";
        session.serverPort = sim.Port();
    }
    // Runs the worker's stages through StartUpload and waits for its end.
    std::vector<int> RunWorker() {
        EXPECT_EQ(session.StartUpload(sink, prompt), 0);
        session.JoinWorker();
        return sink.Statuses();
    }
    void FastTimings() {
        session.timings.reachabilityLimit = 300ms;
        // Long enough for the simulator to have gone away (it leaves 50 ms after its answer).
        session.timings.restartSettle = 150ms;
        session.timings.restartCheckDelay = 0ms;
    }

    GatewayHttpSession session;
    common::ScriptedPrompt prompt;
    RecordingSink sink;
};

TEST_F(SessionUploadTest, RequestIsSentByteForByte) {
    GatewaySim sim;
    Connect(sim);
    std::string file = Pattern(5000);
    // The name goes out as it is, backslashes and blanks included (a folder on Windows, part of the name elsewhere).
    std::filesystem::create_directory(sim.Folder() + "/Firmware");
    session.firmwarePath = sim.WriteFile("Firmware\\qel gw.bin", file);
    session.progressPage = &sink;
    ASSERT_EQ(session.UploadFirmware(), 0);

    std::string request = sim.RequestBytes(1);
    std::string boundary = "---------------------------7d12ee23fe0";
    std::string partHeader = "--" + boundary +
                             "\r\nContent-Disposition: form-data; name=\"FirmwareDownload\"; filename=\"" +
                             session.firmwarePath + "\"\r\n\r\n";
    std::string body = partHeader + file + "\r\n--" + boundary + "--\r\n";
    EXPECT_EQ(Body(request), body);
    EXPECT_EQ(body.size(), 160 + session.firmwarePath.size() + file.size());
    EXPECT_EQ(Header(request), "POST /post-query HTTP/1.1\r\n"
                               "Host: 127.0.0.1:" +
                                   std::to_string(sim.Port()) +
                                   "\r\n"
                                   "Accept: text/*\r\n"
                                   "User-Agent: Vornalix\r\n"
                                   "Content-Type: multipart/form-data; boundary=" +
                                   boundary +
                                   "\r\n"
                                   "Content-Length: " +
                                   std::to_string(body.size()) +
                                   "\r\n"
                                   "\r\n");
    EXPECT_EQ(sim.Image(), file);

    // Progress: range 0..100, Cancel disabled, rising to 100.
    EXPECT_EQ(sink.range, std::make_pair(0, 100));
    EXPECT_EQ(sink.step, 1);
    EXPECT_FALSE(sink.cancelEnabled);
    auto positions = sink.Positions();
    ASSERT_FALSE(positions.empty());
    EXPECT_EQ(positions.front(), 0);
    EXPECT_EQ(positions.back(), 100);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
}

TEST_F(SessionUploadTest, LegacyGatewayGetsTheImageZeroFilled) {
    GatewaySim sim({"--hardware", kLegacyHardware, "--software", kLegacySoftware});
    Connect(sim);
    session.hardwareVersion = kLegacyHardware;
    session.softwareVersion = kLegacySoftware;
    std::string file = Pattern(600000);
    session.firmwarePath = sim.WriteFile("legacy.bin", file);
    ASSERT_EQ(session.UploadFirmware(), 0);

    std::string request = sim.RequestBytes(1);
    std::uint64_t declared = 851968 + 160 + session.firmwarePath.size();
    EXPECT_NE(Header(request).find("\r\nContent-Length: " + std::to_string(declared) + "\r\n"), std::string::npos);
    EXPECT_EQ(Body(request).size(), declared);
    EXPECT_EQ(sim.Image(), file + std::string(251968, '\0'));
}

struct Versions {
    const char* hardware;
    const char* software;
};

class NonLegacyGateways : public SessionUploadTest, public testing::WithParamInterface<Versions> {};

TEST_P(NonLegacyGateways, GetTheFileWithoutFill) {
    GatewaySim sim({"--hardware", GetParam().hardware, "--software", GetParam().software});
    Connect(sim);
    session.hardwareVersion = GetParam().hardware;
    session.softwareVersion = GetParam().software;
    std::string file = Pattern(600000);
    session.firmwarePath = sim.WriteFile("new.bin", file);
    ASSERT_EQ(session.UploadFirmware(), 0);
    std::string request = sim.RequestBytes(1);
    std::uint64_t declared = 160 + session.firmwarePath.size() + file.size();
    EXPECT_NE(Header(request).find("\r\nContent-Length: " + std::to_string(declared) + "\r\n"), std::string::npos);
    EXPECT_EQ(sim.Image(), file);
}

INSTANTIATE_TEST_SUITE_P(Versions, NonLegacyGateways,
                         testing::Values(Versions{"1.01", "R1.20 WEB"}, Versions{"1.02", "R1.10 WEB"},
                                         Versions{"", ""}),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST_F(SessionUploadTest, LegacyGatewayRefusesAnOversizedImageBeforeSending) {
    GatewaySim sim({"--hardware", kLegacyHardware, "--software", kLegacySoftware});
    Connect(sim);
    session.hardwareVersion = kLegacyHardware;
    session.softwareVersion = kLegacySoftware;
    session.firmwarePath = sim.WriteFile("big.bin", Pattern(851969));
    EXPECT_EQ(session.StartUpload(sink, prompt), 0);
    session.JoinWorker();
    EXPECT_EQ(sink.Statuses(), (std::vector<int>{Uploading, Failed}));
    ASSERT_EQ(prompt.Count(), 1u);
    EXPECT_NE(prompt.Boxes()[0].text.find("851968"), std::string::npos);
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(sim.Log().empty());
}

TEST_F(SessionUploadTest, EmptyOrMissingFileFailsWithoutTraffic) {
    GatewaySim sim;
    Connect(sim);
    session.firmwarePath = sim.WriteFile("empty.bin", "");
    EXPECT_EQ(RunWorker(), (std::vector<int>{Uploading, Failed}));
    ASSERT_EQ(prompt.Count(), 1u);
    EXPECT_EQ(prompt.Boxes()[0].text, "The firmware file \"" + session.firmwarePath +
                                          "\" is empty (0 bytes).\nPlease choose the firmware image file.");
    EXPECT_EQ(prompt.Boxes()[0].type, common::MB_OK | common::MB_ICONEXCLAMATION);

    session.firmwarePath = sim.Folder() + "/missing.bin";
    EXPECT_EQ(session.UploadFirmware(), -1);
    ASSERT_EQ(prompt.Count(), 2u);
    EXPECT_NE(prompt.Boxes()[1].text.find("missing.bin"), std::string::npos);
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(sim.Log().empty());
}

// Changes the firmware file from the worker's own progress report, once the upload is under way.
class FileChangingSink : public RecordingSink {
public:
    explicit FileChangingSink(std::function<void()> change) : change(std::move(change)) {}
    void SetProgressPos(int position) override {
        RecordingSink::SetProgressPos(position);
        if (position >= 10 && change) {
            change();
            change = nullptr;
        }
    }
    std::function<void()> change;
};

TEST_F(SessionUploadTest, FileThatShrinksDuringTheUploadFailsIt) {
    GatewaySim sim;
    Connect(sim);
    session.firmwarePath = sim.WriteFile("fw.bin", Pattern(4000000));
    FileChangingSink shrinking([&] { std::filesystem::resize_file(session.firmwarePath, 1000000); });
    ASSERT_EQ(session.StartUpload(shrinking, prompt), 0);
    session.JoinWorker();
    EXPECT_EQ(shrinking.Statuses(), (std::vector<int>{Uploading, Failed}));
    ASSERT_EQ(prompt.Count(), 1u);
    EXPECT_NE(prompt.Boxes()[0].text.find(session.firmwarePath), std::string::npos);
    // The gateway never saw a complete body: no zero-filled image was accepted.
    auto requests = sim.Requests(1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_NE(requests[0].find("POST /post-query 0 "), std::string::npos) << requests[0];
}

TEST_F(SessionUploadTest, FileThatGrowsDuringTheUploadIsSentAsMeasured) {
    GatewaySim sim({"--program-ms", "0", "--restart-ms", "200"});
    Connect(sim);
    FastTimings();
    std::string file = Pattern(4000000);
    session.firmwarePath = sim.WriteFile("fw.bin", file);
    FileChangingSink growing([&] { std::ofstream(session.firmwarePath, std::ios::app) << std::string(5000, 'g'); });
    ASSERT_EQ(session.StartUpload(growing, prompt), 0);
    session.JoinWorker();
    EXPECT_EQ(growing.Statuses().back(), Succeeded);
    EXPECT_EQ(sim.Image(), file);
}

TEST_F(SessionUploadTest, StatusOtherThan200Fails) {
    GatewaySim sim({"--status-upload", "500"});
    Connect(sim);
    session.firmwarePath = sim.WriteFile("fw.bin", Pattern(3000));
    EXPECT_EQ(session.UploadFirmware(), -1);
    EXPECT_EQ(prompt.Count(), 0u);
}

TEST_F(SessionUploadTest, DroppedUploadFailsAndTheNextRequestReconnects) {
    GatewaySim sim({"--drop-upload-after", "100000"});
    Connect(sim);
    session.firmwarePath = sim.WriteFile("fw.bin", Pattern(1000000));
    EXPECT_EQ(session.UploadFirmware(), -1);
    EXPECT_EQ(GatewayHttpSession::TestConnection(&session), 0);
    // The dropped connection is not reused: the test ran on a second one.
    auto requests = sim.Requests(2);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(
        std::count_if(requests.begin(), requests.end(),
                      [](const std::string& line) { return line.find(" conn=2 GET / 200") != std::string::npos; }),
        1);
}

TEST_F(SessionUploadTest, EndlessAnswerToTheUploadFails) {
    GatewaySim sim({"--fault", "endless-upload"});
    Connect(sim);
    session.firmwarePath = sim.WriteFile("fw.bin", Pattern(100000));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunWorker(), (std::vector<int>{Uploading, Failed}));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_EQ(sim.Image().size(), 100000u);
}

TEST_F(SessionUploadTest, SilentProgrammingFormFailsAfterOneLimit) {
    GatewaySim sim({"--program-ms", "60000"});
    Connect(sim);
    session.timings.programLimit = 300ms;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(session.ProgramFlash(), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1500ms);
    // The form that reached the gateway is not sent again.
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(sim.Accepts(), 1u);
    EXPECT_EQ(GatewayTimings{}.programLimit, 45000ms);
}

TEST_F(SessionUploadTest, ProgrammingThatFailsTwiceSucceedsTheThirdTime) {
    GatewaySim sim({"--fail-program", "2", "--program-ms", "0"});
    Connect(sim);
    EXPECT_EQ(session.ProgramFlash(), 0);
    EXPECT_EQ(prompt.Count(), 0u);
    auto requests = sim.Requests(3);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_NE(requests[2].find("POST /post-query 200 33"), std::string::npos) << requests[2];
    std::string form = sim.RequestBytes(3);
    EXPECT_EQ(Body(form), "Load=T&ButtonUpgrade=1&POST_END=1");
    // No Content-Type, no Expect; the common lines only.
    EXPECT_EQ(Header(form).find("Content-Type"), std::string::npos);
    EXPECT_EQ(Header(form).find("Expect"), std::string::npos);
    EXPECT_NE(Header(form).find("\r\nAccept: text/*\r\nUser-Agent: Vornalix\r\n"), std::string::npos);
}

TEST_F(SessionUploadTest, ProgrammingThatFailsThreeTimesFails) {
    GatewaySim sim({"--fail-program", "3", "--program-ms", "0"});
    Connect(sim);
    EXPECT_EQ(session.ProgramFlash(), -1);
    EXPECT_EQ(sim.Requests(3).size(), 3u);
}

TEST_F(SessionUploadTest, WholeRunReportsEveryStage) {
    GatewaySim sim({"--program-ms", "50", "--restart-ms", "500"});
    Connect(sim);
    FastTimings();
    session.firmwarePath = sim.WriteFile("fw.bin", Pattern(200000));
    EXPECT_EQ(RunWorker(), (std::vector<int>{Uploading, Programming, Restarting, CheckingRestart, Succeeded}));
    EXPECT_EQ(prompt.Count(), 0u);
    EXPECT_EQ(sink.Positions().back(), 100);
    auto requests = sim.Requests(4);
    ASSERT_GE(requests.size(), 4u);
    EXPECT_NE(requests[1].find("POST /post-query 200 33"), std::string::npos);
    EXPECT_NE(requests[2].find("POST /post-query 200 21"), std::string::npos);
    EXPECT_NE(requests.back().find("GET / 200"), std::string::npos);
}

TEST_F(SessionUploadTest, CredentialsAcceptedByTheQueryGoWithTheUpload) {
    GatewaySim sim({"--protect-upload", "--program-ms", "0", "--restart-ms", "200"});
    Connect(sim);
    FastTimings();
    test::ScriptedPasswords passwords;
    std::string hardware, software;
    ASSERT_EQ(session.QuerySystemInfo(hardware, software, prompt, passwords), 0);
    session.firmwarePath = sim.WriteFile("fw.bin", Pattern(10000));
    EXPECT_EQ(RunWorker().back(), Succeeded);
}

TEST_F(SessionUploadTest, GatewayThatDoesNotComeBackFailsAfterTheAttempts) {
    GatewaySim sim({"--program-ms", "0", "--restart-ms", "60000"});
    Connect(sim);
    FastTimings();
    session.timings.restartSettle = 300ms;
    session.timings.reachabilityLimit = 200ms;
    session.timings.restartAttempts = 3;
    session.firmwarePath = sim.WriteFile("fw.bin", Pattern(1000));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunWorker(), (std::vector<int>{Uploading, Programming, Restarting, CheckingRestart, Failed}));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms);
    ASSERT_EQ(prompt.Count(), 1u);
    EXPECT_EQ(prompt.Boxes()[0].text, session.ConnectionFailureText());
}

TEST_F(SessionUploadTest, GatewayRefusingAfterRestartAsksRetryOrCancel) {
    GatewaySim sim({"--program-ms", "0", "--restart-ms", "60000", "--restart-refuse"});
    Connect(sim);
    FastTimings();
    session.timings.restartCheckDelay = 200ms;
    session.firmwarePath = sim.WriteFile("fw.bin", Pattern(1000));
    prompt.Answer(common::IDRETRY);
    prompt.Answer(common::IDCANCEL);
    EXPECT_EQ(RunWorker().back(), Failed);
    auto boxes = prompt.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].type, common::MB_RETRYCANCEL | common::MB_ICONEXCLAMATION);
    EXPECT_EQ(boxes[0].text.rfind("Error: ( 7 ) \n", 0), 0u) << boxes[0].text;
}

} // namespace
} // namespace vornalix::web
