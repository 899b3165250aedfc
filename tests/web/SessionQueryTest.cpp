// System-information query against the simulator.
#include "GatewaySim.h"
#include "WebFakes.h"

#include "common/fake/ScriptedPrompt.h"
#include "res/Resources.h"
#include "web/GatewayHttpSession.h"

#include <gtest/gtest.h>

namespace vornalix::web {
namespace {

using namespace std::chrono_literals;
using test::GatewaySim;
using test::ScriptedPasswords;

class SessionQueryTest : public testing::Test {
protected:
    void SetUp() override { res::OverrideLanguage(res::Language::English); }
    void Connect(const GatewaySim& sim) {
        session.serverName = "127.0.0.1";
        session.serverPort = sim.Port();
    }
    int Query() { return session.QuerySystemInfo(hardware, software, prompt, passwords); }

    GatewayHttpSession session;
    common::ScriptedPrompt prompt;
    ScriptedPasswords passwords;
    std::string hardware = "stale";
    std::string software = "stale";
};

TEST_F(SessionQueryTest, DefaultUserWithEmptyPasswordReadsBothVersions) {
    GatewaySim sim({"--hardware", "1.01", "--software", "R1.10 WEB Aug. 27, 2001"});
    Connect(sim);
    ASSERT_EQ(Query(), 0);
    EXPECT_EQ(hardware, "1.01");
    EXPECT_EQ(software, "R1.10 WEB Aug. 27, 2001");
    EXPECT_EQ(session.hardwareVersion, "1.01");
    EXPECT_EQ(session.softwareVersion, "R1.10 WEB Aug. 27, 2001");
    EXPECT_TRUE(passwords.offered.empty());
    EXPECT_EQ(prompt.Count(), 0u);
    // The challenged request carried "default" with the empty password.
    auto requests = sim.Requests(2);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(sim.RequestBytes(2).find("Authorization: Basic ZGVmYXVsdDo=\r\n"), std::string::npos);
}

class JapanesePages : public SessionQueryTest, public testing::WithParamInterface<const char*> {};

TEST_P(JapanesePages, YieldBothVersions) {
    GatewaySim sim({"--language", GetParam(), "--hardware", "2.00", "--software", "R2.01 WEB"});
    Connect(sim);
    ASSERT_EQ(Query(), 0);
    EXPECT_EQ(hardware, "2.00");
    EXPECT_EQ(software, "R2.01 WEB");
}

INSTANTIATE_TEST_SUITE_P(Encodings, JapanesePages, testing::Values("ja", "ja-utf8"),
                         [](const auto& info) { return info.index == 0 ? "ShiftJis" : "Utf8"; });

TEST_F(SessionQueryTest, EnglishLabelsWinOverJapaneseOnes) {
    GatewaySim probe;
    std::string page = "<tr><td>\x83\x6e\x81\x5b\x83\x68\x83\x45\x83\x46\x83\x41\x81\x45\x83\x6f\x81\x5b\x83\x57"
                       "\x83\x87\x83\x93</td><td>9.99</td></tr>\n"
                       "<tr><td>Hardware Version</td><td>1.01</td></tr>\n"
                       "<tr><td>Software Version</td>\n<td>R1.10</td></tr>\n";
    GatewaySim sim({"--info-page", probe.WriteFile("both.htm", page)});
    Connect(sim);
    ASSERT_EQ(Query(), 0);
    EXPECT_EQ(hardware, "1.01");
    EXPECT_EQ(software, "R1.10");
}

TEST_F(SessionQueryTest, TagsSplitOverLinesAndAValueWithoutLineFeed) {
    GatewaySim probe;
    std::string page = "<table><tr><td>Hardware Version</td><td\r\n class=\"v\">1.01</td></tr>\r\n"
                       "<tr><td>Software Version</td><td>R1.10</td></tr></table>";
    GatewaySim sim({"--info-page", probe.WriteFile("split.htm", page)});
    Connect(sim);
    ASSERT_EQ(Query(), 0);
    EXPECT_EQ(hardware, "1.01");
    // The last value of the page has no line feed after it.
    EXPECT_EQ(software, "");
    EXPECT_EQ(prompt.Count(), 0u);
}

TEST_F(SessionQueryTest, PageCutOffInsideATagDoesNotBlankTheNextQuery) {
    GatewaySim probe;
    std::string page = "Hardware Version 1.01\nSoftware Version R1.10\n<a href=\"cut";
    GatewaySim sim({"--info-page", probe.WriteFile("cut.htm", page)});
    Connect(sim);
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(Query(), 0);
        EXPECT_EQ(hardware, "1.01") << "run " << run;
        EXPECT_EQ(software, "R1.10") << "run " << run;
    }
}

TEST_F(SessionQueryTest, WrongPasswordIsAskedFourTimesThenDenied) {
    GatewaySim sim({"--password", "secret"});
    Connect(sim);
    for (int i = 0; i < 5; ++i)
        passwords.answers.push_back({PasswordChoice::Retry, "default", "wrong" + std::to_string(i)});
    EXPECT_EQ(Query(), -1);
    EXPECT_EQ(passwords.offered,
              (std::vector<std::string>{"default:", "default:wrong0", "default:wrong1", "default:wrong2"}));
    auto boxes = prompt.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Access denied: Invalid password\n");
    EXPECT_EQ(boxes[0].type, common::MB_OK | common::MB_ICONEXCLAMATION);
}

TEST_F(SessionQueryTest, CredentialsFromThePromptAreUsed) {
    GatewaySim sim({"--user", "admin", "--password", "secret", "--hardware", "3.0"});
    Connect(sim);
    passwords.answers.push_back({PasswordChoice::Retry, "admin", "nope"});
    passwords.answers.push_back({PasswordChoice::Retry, "admin", "secret"});
    ASSERT_EQ(Query(), 0);
    EXPECT_EQ(hardware, "3.0");
    EXPECT_EQ(passwords.offered.size(), 2u);
    EXPECT_EQ(prompt.Count(), 0u);
}

TEST_F(SessionQueryTest, GivingUpIsAccessDenied) {
    GatewaySim sim({"--password", "secret"});
    Connect(sim);
    passwords.answers.push_back({PasswordChoice::GiveUp, "", ""});
    EXPECT_EQ(Query(), -1);
    EXPECT_EQ(passwords.offered.size(), 1u);
    ASSERT_EQ(prompt.Count(), 1u);
    EXPECT_EQ(prompt.Boxes()[0].text, "Access denied: Invalid password\n");
}

TEST_F(SessionQueryTest, OtherStatusFailsAndKeepsTheConnection) {
    GatewaySim sim({"--status-info", "404"});
    Connect(sim);
    EXPECT_EQ(Query(), -1);
    EXPECT_EQ(Query(), -1);
    auto boxes = prompt.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Error: fail to access Gateway!\n");
    auto requests = sim.Requests(4);
    ASSERT_EQ(requests.size(), 4u);
    for (const std::string& line : requests)
        EXPECT_NE(line.find(" conn=1 "), std::string::npos) << line;
}

TEST_F(SessionQueryTest, NetworkFailureShowsTheTimeOutText) {
    GatewaySim sim({"--fault", "refuse"});
    Connect(sim);
    EXPECT_EQ(Query(), -1);
    ASSERT_EQ(prompt.Count(), 1u);
    EXPECT_EQ(prompt.Boxes()[0].text, session.ConnectionFailureText());
    EXPECT_NE(prompt.Boxes()[0].text.find("Qel Gateway: 127.0.0.1\n"), std::string::npos);
}

struct EndlessCase {
    const char* fault;
    const char* opening;
    int waits; // least number of wait hook calls
};

class EndlessPages : public SessionQueryTest, public testing::WithParamInterface<EndlessCase> {};

// A page that never ends fails within the limit (a fast one sooner, at the size cap, told as an
// answer that is not understood), and the caller's wait hook runs meanwhile: all along the limit
// for a trickling page. How often it runs while a fast page pours in depends on how fast the
// client reads (posix/SessionWaitHookTest.cpp).
TEST_P(EndlessPages, FailWithinTheLimitWhileTheCallerKeepsWaiting) {
    GatewaySim sim({"--fault", GetParam().fault});
    Connect(sim);
    session.timings.infoLimit = 1000ms;
    int waits = 0;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(session.QuerySystemInfo(hardware, software, prompt, passwords, [&] { return ++waits > 0; }), -1);
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, 2500ms);
    EXPECT_GE(waits, GetParam().waits);
    ASSERT_EQ(prompt.Count(), 1u);
    EXPECT_EQ(prompt.Boxes()[0].text.rfind(std::string(GetParam().opening) + "\n\n", 0), 0u) << prompt.Boxes()[0].text;
    EXPECT_NE(prompt.Boxes()[0].text.find("Qel Gateway: 127.0.0.1\n"), std::string::npos);
    EXPECT_EQ(GatewayTimings{}.infoLimit, 20000ms);
}

INSTANTIATE_TEST_SUITE_P(Faults, EndlessPages,
                         testing::Values(EndlessCase{"trickle-info", "Error: The operation timed out!", 5},
                                         EndlessCase{"endless-info",
                                                     "The gateway's answer could not be understood "
                                                     "(HTTP protocol error).",
                                                     1}),
                         [](const auto& info) { return info.index == 0 ? "Trickling" : "Fast"; });

TEST_F(SessionQueryTest, WaitHookGivingUpEndsTheQueryWithoutMessage) {
    GatewaySim sim({"--fault", "hang"});
    Connect(sim);
    int waits = 0;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(session.QuerySystemInfo(hardware, software, prompt, passwords, [&] { return ++waits < 10; }), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    EXPECT_EQ(prompt.Count(), 0u);
}

TEST_F(SessionQueryTest, SilentGatewayFailsAfterTheStallLimit) {
    GatewaySim sim({"--fault", "hang"});
    Connect(sim);
    session.timings.stallLimit = std::chrono::seconds(1);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Query(), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    ASSERT_EQ(prompt.Count(), 1u);
    EXPECT_EQ(prompt.Boxes()[0].text, session.ConnectionFailureText());
    EXPECT_EQ(GatewayTimings{}.stallLimit, std::chrono::seconds(60));
}

TEST_F(SessionQueryTest, ExplicitPortIsUsedByLaterRequests) {
    GatewaySim sim;
    ASSERT_EQ(session.CheckGatewayUrl("http://127.0.0.1:" + std::to_string(sim.Port()) + "/index.htm", prompt), 0);
    ASSERT_EQ(Query(), 0);
    auto requests = sim.Requests(3);
    ASSERT_EQ(requests.size(), 3u);
    for (int n = 1; n <= 3; ++n)
        EXPECT_NE(sim.RequestBytes(n).find("\r\nHost: 127.0.0.1:" + std::to_string(sim.Port()) + "\r\n"),
                  std::string::npos);
}

} // namespace
} // namespace vornalix::web
