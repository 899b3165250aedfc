#include "ModalScript.h"
#include "app/wizard/CommandLine.h"
#include "app/wizard/WizardApp.h"
#include "res/Resources.h"
#include "ui/DialogColors.h"
#include "wizard/WelcomePage.h"

#include <gmock/gmock.h>

#include <deque>

using namespace vornalix;
using namespace vornalix::wizard;
using namespace vornalix::app;
using vornalix::testing::PromptScope;
using vornalix::testing::RunModal;

namespace {

// A mode page that does not show itself: it ends with the scripted result and mode.
class ScriptedModePage : public ModePage {
public:
    ScriptedModePage(int result, int chosenMode) : result(result), chosenMode(chosenMode) {}
    int DoModal() override {
        InitializeForDisplay();
        initialMode = IsItemChecked(IDC_EMERGENCY) ? 1 : 0;
        if (chosenMode == 1)
            Command(IDC_EMERGENCY);
        return result;
    }
    int result, chosenMode;
    int initialMode = -1;
};

class ScriptedFactory : public PageFactory {
public:
    struct Step {
        int result;
        int mode;
    };
    std::deque<Step> steps;
    std::vector<int> initialModes;

    std::unique_ptr<ModePage> CreateModePage() override {
        Step step = steps.empty() ? Step{common::IDCANCEL, 0} : steps.front();
        if (!steps.empty())
            steps.pop_front();
        auto page = std::make_unique<ScriptedModePage>(step.result, step.mode);
        pages.push_back(page.get());
        return page;
    }
    std::vector<ScriptedModePage*> pages; // valid while each page lives
};

class RecordingWelcome : public WelcomePage {
public:
    using WelcomePage::WelcomePage;
    struct Call {
        char flow; // 'N' or 'E'
        std::string url, firmware;
    };
    std::vector<Call> calls;
    std::deque<int> results;
    std::function<void(std::string& url, std::string& firmware)> normalEdits;
    std::function<void(std::string& firmware)> emergencyEdits;
    bool hiddenDuringFlows = true;

    int RunNormalUpgrade(std::string& urlCopy, std::string& firmwarePath) override {
        calls.push_back({'N', urlCopy, firmwarePath});
        hiddenDuringFlows &= !IsVisible();
        if (normalEdits)
            normalEdits(urlCopy, firmwarePath);
        return Next();
    }
    int RunEmergencyUpgrade(std::string& firmwarePath) override {
        calls.push_back({'E', "", firmwarePath});
        hiddenDuringFlows &= !IsVisible();
        if (emergencyEdits)
            emergencyEdits(firmwarePath);
        return Next();
    }
    int Next() {
        int r = results.empty() ? 0 : results.front();
        if (!results.empty())
            results.pop_front();
        return r;
    }
};

int PressNext(WelcomePage& page) {
    return RunModal(page, [](ui::Dialog& d) { d.Command(common::IDOK); });
}

} // namespace

TEST(WelcomeLoop, CancelOnTheModePageEndsTheWizard) {
    ScriptedFactory factory;
    factory.steps = {{common::IDCANCEL, 1}};
    RecordingWelcome welcome(factory);
    EXPECT_EQ(PressNext(welcome), common::IDOK);
    EXPECT_TRUE(welcome.calls.empty());
    EXPECT_TRUE(factory.steps.empty());
}

TEST(WelcomeLoop, ModeChoosesTheFlowAndAFinishedFlowEndsTheWizard) {
    ScriptedFactory factory;
    factory.steps = {{common::IDOK, 0}};
    RecordingWelcome welcome(factory);
    welcome.results = {0};
    EXPECT_EQ(PressNext(welcome), common::IDOK);
    ASSERT_EQ(welcome.calls.size(), 1u);
    EXPECT_EQ(welcome.calls[0].flow, 'N');
    EXPECT_EQ(welcome.calls[0].url, "http://192.168.1.1/");
    EXPECT_EQ(welcome.calls[0].url.size(), 19u);
    EXPECT_EQ(welcome.calls[0].firmware, "");
    EXPECT_TRUE(welcome.hiddenDuringFlows);

    ScriptedFactory emergencyFactory;
    emergencyFactory.steps = {{common::IDOK, 1}};
    RecordingWelcome emergency(emergencyFactory);
    emergency.results = {0};
    PressNext(emergency);
    ASSERT_EQ(emergency.calls.size(), 1u);
    EXPECT_EQ(emergency.calls[0].flow, 'E');
}

TEST(WelcomeLoop, BackToTheModePageCarriesTheContextOver) {
    ScriptedFactory factory;
    factory.steps = {{common::IDOK, 0}, {common::IDOK, 1}, {common::IDOK, 0}, {common::IDCANCEL, 0}};
    RecordingWelcome welcome(factory);
    welcome.results = {-1, -1, -1};
    welcome.normalEdits = [&welcome](std::string& url, std::string& firmware) {
        // The normal flow updates the gateway address and the firmware path it was given.
        welcome.gatewayUrl = "http://10.0.0.138/";
        url = welcome.gatewayUrl;
        if (firmware.empty())
            firmware = "/home/user/qel-2.bin";
    };
    welcome.emergencyEdits = [](std::string& firmware) { firmware += ".emergency"; };
    PressNext(welcome);
    ASSERT_EQ(welcome.calls.size(), 3u);
    EXPECT_EQ(welcome.calls[0].url, "http://192.168.1.1/");
    EXPECT_EQ(welcome.calls[1].flow, 'E');
    EXPECT_EQ(welcome.calls[1].firmware, "/home/user/qel-2.bin");
    EXPECT_EQ(welcome.calls[2].url, "http://10.0.0.138/");
    EXPECT_EQ(welcome.calls[2].firmware, "/home/user/qel-2.bin.emergency");
    EXPECT_EQ(welcome.gatewayUrl, "http://10.0.0.138/");
}

TEST(WelcomeLoop, EveryPassShowsANewModePageWithNormalSelected) {
    ScriptedFactory factory;
    factory.steps = {{common::IDOK, 1}, {common::IDOK, 1}, {common::IDCANCEL, 0}};
    std::vector<int> initialModes;
    RecordingWelcome welcome(factory);
    welcome.results = {-1, -1};
    welcome.emergencyEdits = [&](std::string&) {
        initialModes.push_back(static_cast<ScriptedModePage*>(factory.pages.back())->initialMode);
    };
    PressNext(welcome);
    EXPECT_EQ(factory.pages.size(), 3u);
    EXPECT_EQ(initialModes, (std::vector<int>{0, 0}));
}

TEST(WelcomeLoop, CancelOnTheWelcomePageEndsAtOnce) {
    ScriptedFactory factory;
    RecordingWelcome welcome(factory);
    EXPECT_EQ(RunModal(welcome, [](ui::Dialog& d) { d.Command(common::IDCANCEL); }), common::IDCANCEL);
    EXPECT_TRUE(factory.pages.empty());
}

namespace {

class TestApp : public WizardApp {
public:
    bool socketsWork = true;
    int welcomePages = 0;

protected:
    bool StartSockets() override { return socketsWork; }
    std::unique_ptr<WelcomePage> CreateWelcomePage() override {
        ++welcomePages;
        struct CancellingWelcome : WelcomePage {
            using WelcomePage::WelcomePage;
            int DoModal() override {
                InitializeForDisplay();
                return common::IDCANCEL;
            }
        };
        return std::make_unique<CancellingWelcome>(pageFactory);
    }
};

} // namespace

TEST(StartUp, WithoutSocketsOnlyTheMessageIsShown) {
    PromptScope prompts;
    TestApp app;
    app.socketsWork = false;
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.welcomePages, 0);
    ASSERT_EQ(prompts.prompt.Count(), 1u);
    EXPECT_EQ(prompts.prompt.Boxes()[0].text, SocketStartupFailureText());
    EXPECT_EQ(prompts.prompt.Boxes()[0].type, common::MB_OK | common::MB_ICONEXCLAMATION);
}

TEST(StartUp, SetsTheColoursAndShowsTheWelcomePage) {
    PromptScope prompts;
    ui::SetDialogColors({1, 2, 3}, {4, 5, 6});
    TestApp app;
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.welcomePages, 1);
    EXPECT_EQ(ui::DialogBackground(), (ui::Color{128, 255, 255}));
    EXPECT_EQ(ui::DialogText(), (ui::Color{0, 0, 0}));
    EXPECT_EQ(prompts.prompt.Count(), 0u);
}

TEST(StartUp, TheFirmwareNameIsTheWholeCommandLineJoinedWithSingleBlanks) {
    char program[] = "vornalix", first[] = "My", second[] = "Firmware  R1.30.bin", empty[] = "";
    char* none[] = {program, nullptr};
    EXPECT_EQ(app::FirmwareNameFromArguments(1, none), "");
    char* one[] = {program, second, nullptr};
    EXPECT_EQ(app::FirmwareNameFromArguments(2, one), "Firmware  R1.30.bin");
    char* split[] = {program, first, second, nullptr};
    EXPECT_EQ(app::FirmwareNameFromArguments(3, split), "My Firmware  R1.30.bin");
    char* withEmpty[] = {program, first, empty, second, nullptr};
    EXPECT_EQ(app::FirmwareNameFromArguments(4, withEmpty), "My  Firmware  R1.30.bin");
}
