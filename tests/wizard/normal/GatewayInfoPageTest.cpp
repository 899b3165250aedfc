#include "wizard/normal/GatewayInfoPage.h"
#include "GatewaySim.h"
#include "ModalScript.h"
#include "PageDriver.h"
#include "WebFakes.h"
#include "wizard/normal/DialogPasswordPrompt.h"
#include "wizard/normal/PasswordDialog.h"

#include "ui/GuiThread.h"

#include <gmock/gmock.h>

#include <atomic>
#include <functional>
#include <thread>
#include <utility>

using namespace vornalix;
using namespace vornalix::web;
using namespace vornalix::wizard;
using vornalix::testing::PromptScope;
using vornalix::testing::RunModal;
using vornalix::web::test::GatewaySim;
using vornalix::web::test::ScriptedPasswords;
using vornalix::wizard::test::ModalWindow;
using vornalix::wizard::test::When;
using vornalix::wizard::test::WhenAnywhere;

namespace {

constexpr int kHardware = GatewayInfoPage::IDC_HARDWARE;
constexpr int kSoftware = GatewayInfoPage::IDC_SOFTWARE;

void PointAt(GatewayHttpSession& session, std::uint16_t port) {
    session.serverName = "127.0.0.1";
    session.serverPort = port;
}

// Presses button once the page shows the versions.
std::function<void(ui::Dialog&)> OnceQueried(int button) {
    return [button](ui::Dialog& d) {
        When(
            d, [&d] { return !d.ItemText(kHardware).empty(); }, [&d, button] { d.Command(button); });
    };
}

} // namespace

TEST(GatewayInfoPage, ShowsTheVersionsOnceTheQueryRan) {
    GatewaySim sim({"--hardware", "2.00", "--software", "R2.05 WEB Jan. 9, 2003"});
    PromptScope prompts;
    GatewayHttpSession session;
    PointAt(session, sim.Port());
    ScriptedPasswords passwords;
    GatewayInfoPage page(session, passwords);
    EXPECT_EQ(RunModal(page, OnceQueried(common::IDOK)), common::IDOK);
    EXPECT_EQ(page.ItemText(kHardware), "2.00");
    EXPECT_EQ(page.ItemText(kSoftware), "R2.05 WEB Jan. 9, 2003");
    EXPECT_EQ(page.hardwareText, "2.00");
    EXPECT_EQ(session.softwareVersion, "R2.05 WEB Jan. 9, 2003");
    EXPECT_TRUE(passwords.offered.empty());
    EXPECT_EQ(prompts.prompt.Count(), 0u);
}

TEST(GatewayInfoPage, BackOrEnterAfterTheQuery) {
    // The query holds Next and Back while the page comes up; Enter afterwards is Next, not Cancel (which
    // would end the wizard).
    const std::pair<std::function<void(ui::Dialog&)>, int> cases[] = {
        {OnceQueried(wizard::IDC_BACK), wizard::IDC_BACK},
        {[](ui::Dialog& d) {
             When(
                 d, [&d] { return !d.ItemText(kHardware).empty(); },
                 [&d] {
                     EXPECT_EQ(d.FocusedItem(), common::IDOK);
                     d.PressEnter();
                 });
         },
         common::IDOK},
    };
    for (const auto& [script, expected] : cases) {
        GatewaySim sim;
        PromptScope prompts;
        GatewayHttpSession session;
        PointAt(session, sim.Port());
        ScriptedPasswords passwords;
        GatewayInfoPage page(session, passwords);
        EXPECT_EQ(RunModal(page, script), expected);
    }
}

TEST(GatewayInfoPage, FailedQueryEndsThePageWithCancel) {
    struct Case {
        std::vector<std::string> switches;
        bool reachable;
        std::string text;
    } cases[] = {
        {{"--status-info", "404"}, true, "Error: fail to access Gateway!\n"},
        {{"--password", "secret"}, true, "Access denied: Invalid password\n"},
        {{}, false, ""},
    };
    for (const auto& c : cases) {
        GatewaySim sim(c.switches);
        PromptScope prompts;
        GatewayHttpSession session;
        PointAt(session, c.reachable ? sim.Port() : 1);
        ScriptedPasswords passwords; // gives up at once
        GatewayInfoPage page(session, passwords);
        EXPECT_EQ(RunModal(page, [](ui::Dialog&) {}), common::IDCANCEL);
        ASSERT_EQ(prompts.prompt.Count(), 1u);
        EXPECT_EQ(prompts.prompt.Boxes()[0].text, c.reachable ? c.text : session.ConnectionFailureText());
        EXPECT_EQ(prompts.prompt.Boxes()[0].type, common::MB_OK | common::MB_ICONEXCLAMATION);
        EXPECT_EQ(page.ItemText(kHardware), "");
        EXPECT_EQ(page.ItemText(kSoftware), "");
    }
}

TEST(GatewayInfoPage, PasswordDialogAsksAgainAfterARefusal) {
    GatewaySim sim({"--password", "secret"});
    PromptScope prompts;
    GatewayHttpSession session;
    PointAt(session, sim.Port());
    GatewayInfoPage page(session); // the wizard's own password dialog
    std::string offeredUser, offeredPassword;
    int result = RunModal(page, [&](ui::Dialog& d) {
        When(
            d, [] { return ModalWindow<PasswordDialog>() != nullptr; },
            [&] {
                PasswordDialog* dialog = ModalWindow<PasswordDialog>();
                offeredUser = dialog->ItemText(PasswordDialog::IDC_USER_NAME);
                offeredPassword = dialog->ItemText(PasswordDialog::IDC_PASSWORD);
                dialog->SetItemText(PasswordDialog::IDC_PASSWORD, "secret");
                dialog->PressEnter();
            });
        OnceQueried(common::IDOK)(d);
    });
    EXPECT_EQ(result, common::IDOK);
    EXPECT_EQ(offeredUser, "default");
    EXPECT_EQ(offeredPassword, "");
    EXPECT_EQ(page.hardwareText, "1.02");
    EXPECT_EQ(prompts.prompt.Count(), 0u);
}

TEST(DialogPasswordPrompt, AnswersFromAnotherThreadOnTheGuiThread) {
    DialogPasswordPrompt prompt;
    struct Case {
        bool accept;
        PasswordChoice choice;
        std::string user, password;
    } cases[] = {
        {true, PasswordChoice::Retry, "admin", "pw"},
        {false, PasswordChoice::GiveUp, "default", "old"},
    };
    for (const auto& c : cases) {
        bool onGuiThread = false;
        auto watch = WhenAnywhere([] { return ModalWindow<PasswordDialog>() != nullptr; },
                                  [&] {
                                      PasswordDialog* dialog = ModalWindow<PasswordDialog>();
                                      onGuiThread = ui::OnGuiThread();
                                      dialog->SetItemText(PasswordDialog::IDC_USER_NAME, "admin");
                                      dialog->SetItemText(PasswordDialog::IDC_PASSWORD, "pw");
                                      dialog->Command(c.accept ? common::IDOK : common::IDCANCEL);
                                  });
        std::string user = "default", password = "old";
        std::atomic<bool> answered{false};
        PasswordChoice choice{};
        std::thread asker([&] {
            choice = prompt.AskPassword(user, password);
            answered = true;
        });
        ui::WaitPumping([&] { return answered.load(); });
        asker.join();
        EXPECT_TRUE(onGuiThread);
        EXPECT_EQ(choice, c.choice);
        EXPECT_EQ(user, c.user);
        EXPECT_EQ(password, c.password);
    }
}

TEST(GatewayInfoPage, WhileTheQueryWaitsThePageRepaintsHoldsNextAndBackAndCancelGivesUp) {
    {
        // An answer that trickles on for ever: the page handles events all along and reports a failure.
        GatewaySim sim({"--fault", "trickle-info"});
        PromptScope prompts;
        GatewayHttpSession session;
        PointAt(session, sim.Port());
        session.timings.infoLimit = std::chrono::milliseconds(1000);
        ScriptedPasswords passwords;
        GatewayInfoPage page(session, passwords);
        int ticks = 0, heldTicks = 0;
        // Looks every 10 ms whether the page handles events and holds its buttons.
        auto ticker = WhenAnywhere(
            [&] {
                ++ticks;
                heldTicks += !page.IsItemEnabled(common::IDOK) && !page.IsItemEnabled(wizard::IDC_BACK);
                return false;
            },
            [] {});
        EXPECT_EQ(RunModal(page, [](ui::Dialog&) {}), common::IDCANCEL);
        EXPECT_GE(heldTicks, 10) << ticks;
        ASSERT_EQ(prompts.prompt.Count(), 1u);
        EXPECT_THAT(prompts.prompt.Boxes()[0].text, ::testing::StartsWith("Error: The operation timed out!\n\n"));
        EXPECT_TRUE(page.IsItemEnabled(common::IDOK));
    }
    // A gateway that never answers: Cancel ends the query and the page at once, without a message.
    GatewaySim sim({"--fault", "hang"});
    PromptScope prompts;
    GatewayHttpSession session;
    PointAt(session, sim.Port());
    ScriptedPasswords passwords;
    GatewayInfoPage page(session, passwords);
    const auto start = std::chrono::steady_clock::now();
    int result = RunModal(page, [](ui::Dialog& d) {
        When(
            d, [&d] { return !d.IsItemEnabled(common::IDOK); }, [&d] { d.Command(common::IDCANCEL); });
    });
    EXPECT_EQ(result, common::IDCANCEL);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(prompts.prompt.Count(), 0u);
    EXPECT_EQ(page.ItemText(kHardware), "");
}
