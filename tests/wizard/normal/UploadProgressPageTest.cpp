#include "wizard/normal/UploadProgressPage.h"
#include "GatewaySim.h"
#include "ModalScript.h"
#include "res/Resources.h"
#include "web/UploadStatus.h"

#include <gmock/gmock.h>

using namespace vornalix;
using namespace vornalix::web;
using namespace vornalix::wizard;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::Pair;
using vornalix::testing::PromptScope;
using vornalix::testing::RunModal;
using vornalix::web::test::GatewaySim;

namespace {

// Records what the page shows after each report it handles, and tries to end the page early.
class WatchedPage : public UploadProgressPage {
public:
    using UploadProgressPage::UploadProgressPage;
    int OnUploadStatus(int code) override {
        int handled = UploadProgressPage::OnUploadStatus(code);
        seen.push_back({bannerTitle, ItemText(IDC_STATUS)});
        cancelEnabled.push_back(IsItemEnabled(common::IDCANCEL));
        if (code == Programming && tryToEnd) {
            // Escape, the close box and Cancel give the Cancel command.
            Command(common::IDCANCEL);
            PressEnter();
            openAfterTrying = IsVisible();
        }
        return handled;
    }
    std::vector<std::pair<std::string, std::string>> seen;
    std::vector<bool> cancelEnabled;
    bool tryToEnd = false;
    bool openAfterTrying = false;
};

void ShortTimings(GatewayHttpSession& session, std::uint16_t port) {
    session.serverName = "127.0.0.1";
    session.serverPort = port;
    session.timings.reachabilityLimit = 300ms;
    session.timings.restartSettle = 50ms;
    session.timings.restartCheckDelay = 0ms;
}

} // namespace

TEST(UploadProgressPage, SuccessfulRunShowsEachStageAndEndsWith105) {
    GatewaySim sim({"--program-ms", "300", "--restart-ms", "200"});
    PromptScope prompts;
    GatewayHttpSession session;
    ShortTimings(session, sim.Port());
    std::string image(50000, 'F');
    session.firmwarePath = sim.WriteFile("image.bin", image);
    WatchedPage page(session);
    page.tryToEnd = true;
    int result = page.DoModal();
    EXPECT_EQ(result, UploadProgressPage::kUploadSucceeded);
    using res::LoadString;
    EXPECT_THAT(page.seen, ElementsAre(Pair(LoadString(vornalix::res::StringId::UploadingTitle),
                                            "File: " + session.firmwarePath + "\n\t" +
                                                LoadString(vornalix::res::StringId::IsBeingUploaded)),
                                       Pair(LoadString(vornalix::res::StringId::UpdatingTitle),
                                            LoadString(vornalix::res::StringId::ProgrammingFlash)),
                                       Pair(LoadString(vornalix::res::StringId::RestartingTitle),
                                            LoadString(vornalix::res::StringId::Restarting)),
                                       Pair(LoadString(vornalix::res::StringId::RestartingTitle),
                                            LoadString(vornalix::res::StringId::CheckingRestart)),
                                       Pair(LoadString(vornalix::res::StringId::RestartingTitle),
                                            LoadString(vornalix::res::StringId::CheckingRestart))));
    EXPECT_EQ(LoadString(vornalix::res::StringId::UploadingTitle), "Uploading the Firmware");
    // Escape, Enter, Cancel and the close box while the worker runs leave the page open.
    EXPECT_TRUE(page.openAfterTrying);
    EXPECT_THAT(page.cancelEnabled, ::testing::Each(false));
    EXPECT_EQ(page.ItemProgress(UploadProgressPage::IDC_PROGRESS).pos(), 100);
    EXPECT_EQ(page.ProgressBar().high(), 100);
    EXPECT_EQ(page.ProgressBar().step(), 1);
    EXPECT_EQ(sim.Image(), image);
    EXPECT_EQ(prompts.prompt.Count(), 0u);
    EXPECT_FALSE(page.WorkerRunning());
}

TEST(UploadProgressPage, RefusedUploadEndsWith101RightAfterUploading) {
    GatewaySim sim({"--status-upload", "500"});
    PromptScope prompts;
    GatewayHttpSession session;
    ShortTimings(session, sim.Port());
    session.firmwarePath = sim.WriteFile("image.bin", std::string(3000, 'x'));
    WatchedPage page(session);
    EXPECT_EQ(page.DoModal(), UploadProgressPage::kUploadFailed);
    ASSERT_EQ(page.seen.size(), 2u);
    EXPECT_EQ(page.seen[0].first, res::LoadString(vornalix::res::StringId::UploadingTitle));
    EXPECT_EQ(page.seen[1].first, res::LoadString(vornalix::res::StringId::UploadingTitle));
    EXPECT_EQ(prompts.prompt.Count(), 0u);
}

TEST(UploadProgressPage, UnknownCodesAreIgnored) {
    GatewayHttpSession session;
    UploadProgressPage page(session);
    page.InitializeForDisplay();
    for (int code : {0, 99, 106, 1025, -101}) {
        EXPECT_EQ(page.OnUploadStatus(code), 0) << code;
        EXPECT_EQ(page.BannerTitle(), res::LoadString(vornalix::res::StringId::PleaseWait));
        EXPECT_EQ(page.ItemText(UploadProgressPage::IDC_STATUS), "");
    }
    EXPECT_EQ(page.OnUploadStatus(CheckingRestart), 1);
    // The restart check keeps the title it finds.
    EXPECT_EQ(page.BannerTitle(), res::LoadString(vornalix::res::StringId::PleaseWait));
    EXPECT_EQ(page.ItemText(UploadProgressPage::IDC_STATUS), res::LoadString(vornalix::res::StringId::CheckingRestart));
}
