#include "wizard/normal/GatewayAddressPage.h"
#include "GatewaySim.h"
#include "ModalScript.h"
#include "PageDriver.h"

#include <gmock/gmock.h>

using namespace vornalix;
using namespace vornalix::web;
using namespace vornalix::wizard;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using vornalix::testing::PromptScope;
using vornalix::testing::RunModal;
using vornalix::web::test::GatewaySim;
using vornalix::wizard::test::When;

namespace {

constexpr int kUrl = GatewayAddressPage::IDC_URL;
constexpr const char* kHttpOnly =
    "Error: can only use URLs beginning with http://.\nPlease reinput the correct Gateway's URL.";
// Nothing listens on port 1 of the loopback: the connection is refused at once.
constexpr const char* kRefusedUrl = "http://127.0.0.1:1/";

} // namespace

TEST(GatewayAddressPage, EnterInTheAddressAcceptsAReachableGateway) {
    GatewaySim sim;
    PromptScope prompts;
    GatewayHttpSession session;
    GatewayAddressPage page(session, "http://192.168.1.1/");
    std::string shown;
    int result = RunModal(page, [&](ui::Dialog& d) {
        shown = d.ItemText(kUrl);
        d.SetItemText(kUrl, sim.Url("/"));
        d.FocusItem(kUrl);
        d.PressEnter();
    });
    EXPECT_EQ(shown, "http://192.168.1.1/");
    EXPECT_EQ(result, common::IDOK);
    EXPECT_EQ(page.urlText, sim.Url("/"));
    EXPECT_EQ(session.gatewayUrl, sim.Url("/"));
    EXPECT_EQ(session.serverName, "127.0.0.1");
    EXPECT_EQ(session.serverPort, sim.Port());
    EXPECT_EQ(prompts.prompt.Count(), 0u);
    ASSERT_EQ(sim.Requests(1).size(), 1u);
    EXPECT_THAT(sim.Requests()[0], HasSubstr("GET / "));
}

TEST(GatewayAddressPage, OnlyHttpAddressesAndBackKeepsTheLastTextOfNext) {
    PromptScope prompts;
    GatewayHttpSession session;
    GatewayAddressPage page(session, "http://192.168.1.1/");
    bool openAfterRefusal = false;
    int result = RunModal(page, [&](ui::Dialog& d) {
        for (const char* url : {"https://192.168.1.1/", "ftp://192.168.1.1/", "192.168.1.1"}) {
            d.SetItemText(kUrl, url);
            d.Command(common::IDOK);
        }
        openAfterRefusal = d.IsVisible() && d.ItemText(kUrl) == "192.168.1.1";
        // Back takes nothing from the edit.
        d.SetItemText(kUrl, "http://typed.but.not.sent/");
        d.Command(wizard::IDC_BACK);
    });
    EXPECT_EQ(result, wizard::IDC_BACK);
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_EQ(page.urlText, "192.168.1.1");
    ASSERT_EQ(prompts.prompt.Count(), 3u);
    for (const auto& box : prompts.prompt.Boxes()) {
        EXPECT_EQ(box.text, kHttpOnly);
        EXPECT_EQ(box.type, common::MB_OK | common::MB_ICONEXCLAMATION);
    }
    EXPECT_EQ(session.gatewayUrl, "");
}

TEST(GatewayAddressPage, RefusedConnectionKeepsThePageOpenWhateverTheAnswer) {
    PromptScope prompts;
    prompts.prompt.Answer(common::IDRETRY);
    prompts.prompt.Answer(common::IDCANCEL);
    GatewayHttpSession session;
    GatewayAddressPage page(session, kRefusedUrl);
    bool open = false;
    int result = RunModal(page, [&](ui::Dialog& d) {
        d.Command(common::IDOK); // Retry: no second attempt
        d.Command(common::IDOK); // a second press tests again
        open = d.IsVisible();
        d.Command(common::IDCANCEL);
    });
    EXPECT_TRUE(open);
    EXPECT_EQ(result, common::IDCANCEL);
    ASSERT_EQ(prompts.prompt.Count(), 2u);
    for (const auto& box : prompts.prompt.Boxes()) {
        EXPECT_THAT(box.text, StartsWith("Error: ( "));
        EXPECT_EQ(box.type, common::MB_RETRYCANCEL | common::MB_ICONEXCLAMATION);
    }
    EXPECT_EQ(page.urlText, kRefusedUrl);
    EXPECT_EQ(session.serverPort, 1);
}

TEST(GatewayAddressPage, EscapeAndTheCloseBoxCancel) {
    PromptScope prompts;
    GatewayHttpSession session;
    // Both give the Cancel command.
    GatewayAddressPage escaped(session, "http://192.168.1.1/");
    EXPECT_EQ(RunModal(escaped, [](ui::Dialog& d) { d.Command(common::IDCANCEL); }), common::IDCANCEL);
    EXPECT_EQ(prompts.prompt.Count(), 0u);
}

TEST(GatewayAddressPage, PastedBlanksAreTrimmedAndCancelGivesUpAWaitingCheck) {
    PromptScope prompts;
    {
        // A gateway that never answers: the page keeps handling events, Next and Back are held,
        // and Cancel ends the check and the page without a message.
        GatewaySim sim({"--fault", "hang"});
        GatewayHttpSession session;
        GatewayAddressPage page(session, "http://192.168.1.1/");
        bool held = false;
        std::chrono::steady_clock::time_point start;
        int result = RunModal(page, [&](ui::Dialog& d) {
            When(
                d, [&d] { return !d.IsItemEnabled(common::IDOK); },
                [&] {
                    held = !d.IsItemEnabled(wizard::IDC_BACK) && d.IsItemEnabled(common::IDCANCEL);
                    d.Command(common::IDCANCEL);
                });
            d.SetItemText(kUrl, " " + sim.Url("/") + " ");
            start = std::chrono::steady_clock::now();
            d.Command(common::IDOK);
        });
        EXPECT_EQ(result, common::IDCANCEL);
        EXPECT_TRUE(held);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_EQ(prompts.prompt.Count(), 0u);
    }
    GatewaySim sim;
    GatewayHttpSession session;
    GatewayAddressPage page(session, "http://192.168.1.1/");
    int result = RunModal(page, [&](ui::Dialog& d) {
        d.SetItemText(kUrl, " \t" + sim.Url("/") + "  ");
        d.Command(common::IDOK);
    });
    EXPECT_EQ(result, common::IDOK);
    EXPECT_EQ(page.urlText, sim.Url("/"));
    EXPECT_EQ(session.gatewayUrl, sim.Url("/"));
    EXPECT_EQ(prompts.prompt.Count(), 0u);
}
