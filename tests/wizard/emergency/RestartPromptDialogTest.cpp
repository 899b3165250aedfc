#include "wizard/emergency/RestartPromptDialog.h"
#include "ModalScript.h"
#include "common/fake/ScriptedPrompt.h"
#include "hostnet/MediaSenseGuard.h"
#include "hostnet/fake/FakeSystemControl.h"
#include "hostnet/fake/MemoryRegistry.h"
#include "res/Resources.h"
#include "ui/DialogColors.h"
#include "wizard/emergency/DialogRestartPrompt.h"
#include "wizard/emergency/PlatformMediaSense.h"

#include "ui/DialogBackend.h"
#include <gmock/gmock.h>

using namespace vornalix;
using namespace vornalix::hostnet;
using namespace vornalix::wizard;
using vornalix::testing::RunModal;

namespace {

constexpr ui::Color kGrey{192, 192, 192};
constexpr ui::Color kCyan{128, 255, 255};
using Calls = std::vector<std::string>;

class RestartPromptDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        res::OverrideLanguage(res::Language::English);
        ui::SetDialogColors(ui::StartupBackground(), ui::kBlack);
    }

    // Runs a prompt and does action once it is open; returns the result.
    int Run(int mode, std::uint16_t version, const std::function<void(ui::Dialog&)>& action, int messageId = 110) {
        RestartPromptDialog dialog(res::LoadString(messageId), mode, system, version);
        return RunModal(dialog, action);
    }

    FakeSystemControl system;
};

TEST_F(RestartPromptDialogTest, ModeOneShowsOnlyClose) {
    bool checked = false;
    const int result = Run(
        1, 0x0501,
        [&](ui::Dialog& d) {
            EXPECT_EQ(d.ItemText(RestartPromptDialog::kMessage),
                      res::LoadString(vornalix::res::StringId::MediaSenseCreateFailed));
            EXPECT_TRUE(d.IsItemShown(common::IDOK));
            EXPECT_FALSE(d.IsItemShown(RestartPromptDialog::kRestartNow));
            EXPECT_FALSE(d.IsItemShown(RestartPromptDialog::kRestartLater));
            checked = true;
            d.Command(common::IDOK);
        },
        111);
    EXPECT_TRUE(checked);
    EXPECT_EQ(result, common::IDOK);
    EXPECT_TRUE(system.calls.empty());
}

TEST_F(RestartPromptDialogTest, ModeTwoShowsRestartButtonsOnly) {
    const int result = Run(2, 0x0501, [](ui::Dialog& d) {
        EXPECT_EQ(d.ItemText(RestartPromptDialog::kMessage),
                  res::LoadString(vornalix::res::StringId::MediaSenseEnabledRestart));
        EXPECT_FALSE(d.IsItemShown(common::IDOK));
        EXPECT_TRUE(d.IsItemShown(RestartPromptDialog::kRestartNow));
        EXPECT_TRUE(d.IsItemShown(RestartPromptDialog::kRestartLater));
        d.Command(RestartPromptDialog::kRestartLater);
    });
    EXPECT_EQ(result, common::IDOK);
    EXPECT_TRUE(system.calls.empty()); // Restart Later does not reboot
}

TEST_F(RestartPromptDialogTest, OtherModesKeepTheTemplatesButtons) {
    Run(0, 0x0501, [](ui::Dialog& d) {
        EXPECT_TRUE(d.IsItemShown(common::IDOK));
        EXPECT_FALSE(d.IsItemShown(RestartPromptDialog::kRestartNow));
        d.EndDialog(common::IDOK);
    });
}

TEST_F(RestartPromptDialogTest, EveryWayOutEndsWithOne) {
    for (int mode : {1, 2}) {
        EXPECT_EQ(Run(mode, 0x0501, [](ui::Dialog& d) { d.PressEnter(); }), common::IDOK) << mode;
        // Escape and the close box.
        EXPECT_EQ(Run(mode, 0x0501, [](ui::Dialog& d) { d.Command(common::IDCANCEL); }), common::IDOK) << mode;
    }
    // Enter with the focus on Restart Now still only closes.
    EXPECT_EQ(Run(2, 0x0501,
                  [](ui::Dialog& d) {
                      d.FocusItem(RestartPromptDialog::kRestartNow);
                      d.PressEnter();
                  }),
              common::IDOK);
    EXPECT_TRUE(system.calls.empty());
}

TEST_F(RestartPromptDialogTest, MessageIsExchangedBackOnClose) {
    RestartPromptDialog dialog("first", 1, system, 0);
    RunModal(dialog, [](ui::Dialog& d) {
        d.SetItemText(RestartPromptDialog::kMessage, "second");
        d.Command(common::IDOK);
    });
    EXPECT_EQ(dialog.Message(), "second");
}

TEST_F(RestartPromptDialogTest, RestartNowOnVersion5EnablesPrivilegeThenReboots) {
    const int result = Run(2, 0x0500, [](ui::Dialog& d) { d.Command(RestartPromptDialog::kRestartNow); });
    EXPECT_EQ(result, common::IDOK);
    EXPECT_EQ(system.calls, (Calls{"OpenProcessToken 0x28", "LookupPrivilegeValue SeShutdownPrivilege",
                                   "AdjustTokenPrivileges SeShutdownPrivilege 2", "ExitWindowsEx 2 0", "CloseToken"}));
}

TEST_F(RestartPromptDialogTest, RestartNowOnWindowsMeRebootsDirectly) {
    Run(2, 0x045A, [](ui::Dialog& d) { d.Command(RestartPromptDialog::kRestartNow); });
    EXPECT_EQ(system.calls, (Calls{"ExitWindowsEx 2 0"}));
}

TEST_F(RestartPromptDialogTest, RestartNowOnWindows98AndLinuxDoesNothing) {
    for (std::uint16_t version : {0x040A, 0x0000})
        EXPECT_EQ(Run(2, version, [](ui::Dialog& d) { d.Command(RestartPromptDialog::kRestartNow); }), common::IDOK);
    EXPECT_TRUE(system.calls.empty());
}

TEST_F(RestartPromptDialogTest, GreyWhileOpenCyanBeforeAndAfter) {
    EXPECT_EQ(ui::DialogBackground(), kCyan);
    Run(1, 0, [&](ui::Dialog& d) {
        EXPECT_EQ(ui::DialogBackground(), kGrey);
        EXPECT_EQ(ui::DialogText(), ui::kBlack);
        d.Command(common::IDOK);
    });
    EXPECT_EQ(ui::DialogBackground(), kCyan);
}

// The guard's prompt as the Qt dialog: Yes to the question, then Restart Later.
TEST_F(RestartPromptDialogTest, GuardShowsTheDialogForItsRestartRequest) {
    MemoryRegistry registry;
    registry.AddKey(kTcpipParametersKey);
    common::ScriptedPrompt questions;
    DialogRestartPrompt restartPrompt(system, 0x0501);
    MediaSenseGuard guard(registry, questions, restartPrompt, 0x0501);
    std::string shownText;
    bool closeShown = true;
    ui::PostToGuiThread([&] {
        ui::Dialog* prompt = ui::ActiveModalDialog();
        ASSERT_NE(prompt, nullptr);
        shownText = prompt->ItemText(RestartPromptDialog::kMessage);
        closeShown = prompt->IsItemShown(common::IDOK);
        prompt->Command(RestartPromptDialog::kRestartLater);
    });
    EXPECT_EQ(guard.DisableMediaSenseNt5(), 0);
    EXPECT_EQ(shownText, res::LoadString(vornalix::res::StringId::MediaSenseEnabledRestart));
    EXPECT_FALSE(closeShown);
    EXPECT_TRUE(system.calls.empty());
    EXPECT_EQ(ui::DialogBackground(), kCyan);
}

} // namespace

namespace {

// On Linux the version word is 0: the wizard's guard asks nothing and shows nothing.
TEST_F(RestartPromptDialogTest, PlatformGuardDoesNothingOnLinux) {
    vornalix::testing::PromptScope scope;
    PlatformMediaSense guard;
    EXPECT_EQ(guard.DisableMediaSenseNt5(), 1);
    EXPECT_EQ(guard.DisableMediaSenseMe(), 1);
    EXPECT_EQ(guard.RestoreMediaSenseNt5(), 1);
    EXPECT_EQ(guard.RestoreMediaSenseMe(), 1);
    EXPECT_EQ(scope.prompt.Count(), 0u);
    EXPECT_EQ(ui::ActiveModalDialog(), nullptr);
}

} // namespace
