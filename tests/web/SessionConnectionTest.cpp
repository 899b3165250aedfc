// Address check and reachability test against the simulator.
#include "GatewaySim.h"

#include "common/fake/ScriptedPrompt.h"
#include "res/Resources.h"
#include "web/GatewayHttpSession.h"

#include <gtest/gtest.h>

namespace vornalix::web {
namespace {

using namespace std::chrono_literals;
using common::ScriptedPrompt;
using test::GatewaySim;

constexpr const char* kTimedOut =
    "Error: The operation timed out!\n\nCould not connect to the Qel Gateway: 127.0.0.1\n\n"
    "Please ensure that you entered the correct web Address (URL). ";

class SessionConnectionTest : public testing::Test {
protected:
    void SetUp() override { res::OverrideLanguage(res::Language::English); }
    GatewayHttpSession session;
    ScriptedPrompt prompt;
};

class AnyStatusAnswers : public SessionConnectionTest, public testing::WithParamInterface<int> {};

TEST_P(AnyStatusAnswers, CountsAsReachable) {
    GatewaySim sim({"--status-root", std::to_string(GetParam())});
    EXPECT_EQ(session.CheckGatewayUrl(sim.Url("/"), prompt), 0);
    EXPECT_EQ(prompt.Count(), 0u);
    EXPECT_EQ(session.gatewayUrl, sim.Url("/"));
    EXPECT_EQ(session.serverName, "127.0.0.1");
    EXPECT_EQ(session.serverPort, sim.Port());
    auto requests = sim.Requests(1);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_NE(requests[0].find("GET / " + std::to_string(GetParam())), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Statuses, AnyStatusAnswers, testing::Values(200, 401, 404, 500));

TEST_F(SessionConnectionTest, RefusedConnectionShowsCurlCodeAndEitherButtonFails) {
    GatewaySim sim({"--fault", "refuse"});
    for (int answer : {common::IDRETRY, common::IDCANCEL}) {
        prompt.Answer(answer);
        EXPECT_EQ(session.CheckGatewayUrl(sim.Url("/"), prompt), -1);
    }
    auto boxes = prompt.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.type, common::MB_RETRYCANCEL | common::MB_ICONEXCLAMATION);
        EXPECT_EQ(box.text.rfind("Error: ( 7 ) \n", 0), 0u) << box.text;
        EXPECT_GT(box.text.size(), std::string("Error: ( 7 ) \n").size());
    }
}

TEST_F(SessionConnectionTest, BlanksAroundTheAddressAreIgnored) {
    GatewaySim sim;
    EXPECT_EQ(session.CheckGatewayUrl(" \t" + sim.Url("/") + " ", prompt), 0);
    EXPECT_EQ(prompt.Count(), 0u);
    EXPECT_EQ(session.gatewayUrl, sim.Url("/"));
    EXPECT_EQ(session.serverPort, sim.Port());
}

struct FailureCase {
    const char* fault;
    int code;
    const char* english;
    const char* japanese;
};

class FailureClasses : public SessionConnectionTest, public testing::WithParamInterface<FailureCase> {};

// The box tells the class of the failure in the UI language; libcurl's own words stay out of it.
TEST_P(FailureClasses, AreToldInPlainWords) {
    GatewaySim sim({"--fault", GetParam().fault});
    for (auto [language, sentence] : {std::pair{res::Language::English, GetParam().english},
                                      std::pair{res::Language::Japanese, GetParam().japanese}}) {
        res::OverrideLanguage(language);
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(session.CheckGatewayUrl(sim.Url("/"), prompt), -1);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
        ASSERT_GE(prompt.Count(), 1u);
        EXPECT_EQ(prompt.Boxes().back().text, "Error: ( " + std::to_string(GetParam().code) + " ) \n" + sentence);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FailureClasses,
    testing::Values(FailureCase{"refuse", 7,
                                "The gateway refused the connection: nothing answers at this address and port.",
                                "ゲートウェイが接続を拒否しました。このアドレスとポートで応答するものがありません。"},
                    FailureCase{"garbage", 1, "The gateway's answer could not be understood (HTTP protocol error).",
                                "ゲートウェイの応答を解釈できませんでした (HTTP プロトコル エラー)。"},
                    FailureCase{"huge-header", 27,
                                "The gateway's answer could not be understood (HTTP protocol error).",
                                "ゲートウェイの応答を解釈できませんでした (HTTP プロトコル エラー)。"}),
    [](const auto& info) { return info.index == 0   ? "Refused"
                                  : info.index == 1 ? "Garbage"
                                                    : "HugeHeader"; });

TEST_F(SessionConnectionTest, SilentGatewayIsAbortedAfterEachLimit) {
    GatewaySim sim({"--fault", "hang"});
    session.serverName = "127.0.0.1";
    session.serverPort = sim.Port();
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(session.RunWithTimeout(&GatewayHttpSession::TestConnection, 3, 300ms, prompt), -1);
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 900ms);
    EXPECT_LT(elapsed, 1500ms);
    auto boxes = prompt.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kTimedOut);
    EXPECT_EQ(boxes[0].type, common::MB_OK | common::MB_ICONEXCLAMATION);
    EXPECT_EQ(session.lastError, kTimedOut);
    // Every attempt got its own connection: the aborted one was closed.
    EXPECT_EQ(sim.Accepts(3), 3u);
}

TEST_F(SessionConnectionTest, AddressCheckUsesTheSettingForItsLimit) {
    GatewaySim sim({"--fault", "hang"});
    session.timings.reachabilityLimit = 200ms;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(session.CheckGatewayUrl(sim.Url("/"), prompt), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 800ms);
    ASSERT_EQ(prompt.Count(), 1u);
    EXPECT_EQ(prompt.Boxes()[0].text, kTimedOut);
    EXPECT_EQ(GatewayTimings{}.reachabilityLimit, 5000ms);
}

TEST_F(SessionConnectionTest, AddressCheckCallsTheWaitHookAndStopsWhenItGivesUp) {
    GatewaySim sim({"--fault", "hang"});
    int waits = 0;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(session.CheckGatewayUrl(sim.Url("/"), prompt, [&] { return ++waits < 10; }), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_EQ(waits, 10);
    EXPECT_EQ(prompt.Count(), 0u);
}

TEST_F(SessionConnectionTest, RetryOnTheLastAttemptEndsWithoutFurtherMessage) {
    GatewaySim refused({"--fault", "refuse"});
    session.serverName = "127.0.0.1";
    session.serverPort = refused.Port();
    prompt.Answer(common::IDRETRY);
    prompt.Answer(common::IDRETRY);
    EXPECT_EQ(session.RunWithTimeout(&GatewayHttpSession::TestConnection, 2, 1000ms, prompt), -1);
    // Retry after the last attempt ends without a further message.
    EXPECT_EQ(prompt.Count(), 2u);
}

TEST_F(SessionConnectionTest, NonHttpUrlIsRefusedWithoutTraffic) {
    GatewaySim sim;
    for (std::string url : {"https://127.0.0.1:" + std::to_string(sim.Port()) + "/",
                            "ftp://127.0.0.1:" + std::to_string(sim.Port()) + "/", std::string("127.0.0.1")}) {
        EXPECT_EQ(session.CheckGatewayUrl(url, prompt), -1) << url;
    }
    auto boxes = prompt.Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    for (const auto& box : boxes) {
        EXPECT_EQ(box.text,
                  "Error: can only use URLs beginning with http://.\nPlease reinput the correct Gateway's URL.");
        EXPECT_EQ(box.type, common::MB_OK | common::MB_ICONEXCLAMATION);
    }
    EXPECT_TRUE(session.gatewayUrl.empty());
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(sim.Log().empty());
}

TEST_F(SessionConnectionTest, ConnectionIsReusedBetweenRequests) {
    GatewaySim sim;
    ASSERT_EQ(session.CheckGatewayUrl(sim.Url("/"), prompt), 0);
    ASSERT_EQ(session.CheckGatewayUrl(sim.Url("/"), prompt), 0);
    auto requests = sim.Requests(2);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[0].find("conn=1 "), std::string::npos);
    EXPECT_NE(requests[1].find("conn=1 "), std::string::npos);
}

} // namespace
} // namespace vornalix::web
