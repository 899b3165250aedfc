// The wait hook of the information query while a page pours in: it runs between the reads of the
// answer, not only while the network is idle. This needs a client that reads faster than the
// simulator sends (6.4 MB/s) even on a busy machine. Under Wine every read is a round trip to the
// wineserver: on a loaded machine the client falls behind and the library then takes the page in
// one or two calls.
#include "GatewaySim.h"
#include "WebFakes.h"

#include "common/fake/ScriptedPrompt.h"
#include "res/Resources.h"
#include "web/GatewayHttpSession.h"

#include <gtest/gtest.h>

namespace vornalix::web {
namespace {

using namespace std::chrono_literals;

TEST(SessionWaitHookTest, RunsWhileAFastPageIsRead) {
    res::OverrideLanguage(res::Language::English);
    test::GatewaySim sim({"--fault", "endless-info"});
    GatewayHttpSession session;
    session.serverName = "127.0.0.1";
    session.serverPort = sim.Port();
    session.timings.infoLimit = 1000ms;
    common::ScriptedPrompt prompt;
    test::ScriptedPasswords passwords;
    std::string hardware, software;
    int waits = 0;
    EXPECT_EQ(session.QuerySystemInfo(hardware, software, prompt, passwords, [&] { return ++waits > 0; }), -1);
    EXPECT_GE(waits, 5);
    ASSERT_EQ(prompt.Count(), 1u);
    EXPECT_EQ(prompt.Boxes()[0].text.rfind("The gateway's answer could not be understood", 0), 0u);
}

} // namespace
} // namespace vornalix::web
