// A whole emergency upgrade with the real pages: the adapter list of the test's namespace, the transfer to the
// boot-loader simulator behind a veth pair, the TEST LED check and the completion page's Exit.
#include "ModalScript.h"
#include "hostnet/fake/FakeIpHelper.h"
#include "res/Resources.h"
#include "support/GatewayLink.h"
#include "support/PrivateNetwork.h"
#include "support/UdpPeer.h"
#include "wizard/emergency/EmergencyUpgradeFlow.h"

#include "ui/DialogBackend.h"
#include "ui/GuiThread.h"
#include <gmock/gmock.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

using namespace vornalix;
using namespace vornalix::wizard;
using namespace vornalix::recovery::test;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

class RecordingMediaSense : public hostnet::MediaSenseControl {
public:
    int DisableMediaSenseNt5() override { return Record("DisableNt5"); }
    int DisableMediaSenseMe() override { return Record("DisableMe"); }
    int RestoreMediaSenseNt5() override { return Record("RestoreNt5"); }
    int RestoreMediaSenseMe() override { return Record("RestoreMe"); }
    int Record(const char* call) {
        calls.emplace_back(call);
        return 1;
    }
    std::vector<std::string> calls;
};

// The real pages, each driven as a user would once its modal loop runs.
class DrivenPages : public wizard::EmergencyFlowPages {
public:
    explicit DrivenPages(GatewayLink& link) : link(link) {}

    std::unique_ptr<wizard::FirmwareAdapterPage>
    CreateFirmwareAdapterPage(const std::string& path, int selection, hostnet::MediaSenseControl& mediaSense) override {
        auto page = EmergencyFlowPages::CreateFirmwareAdapterPage(path, selection, mediaSense);
        page->Link()->Post([this](ui::Dialog& p) {
            for (int i = 0; i < p.ListCount(wizard::FirmwareAdapterPage::IDC_ADAPTERS); ++i)
                adapterLines.push_back(p.ListItem(wizard::FirmwareAdapterPage::IDC_ADAPTERS, i));
            p.Command(common::IDOK);
        });
        return page;
    }
    std::unique_ptr<wizard::EmergencyTransferPage> CreateEmergencyTransferPage(const std::string& path,
                                                                               std::uint32_t address) override {
        auto page = EmergencyFlowPages::CreateEmergencyTransferPage(path, address);
        page->Link()->Post([this](ui::Dialog&) {
            gateway = std::thread([this] {
                simulatorExit = link.RunInGateway(std::string(VORNALIX_BOOTLOADER_SIM) + " --interface " +
                                                      link.gatewayInterface + " --interval-ms 300",
                                                  &simulator);
            });
        });
        return page;
    }
    std::unique_ptr<wizard::OutcomePage> CreateOutcomePage(int fontHeight, const std::string& title,
                                                           const std::string& text, int layout) override {
        auto page = PageFactory::CreateOutcomePage(fontHeight, title, text, layout);
        outcomes.push_back(title);
        // Next on the TEST LED check, Exit on the completion page.
        const int command = layout == wizard::kLayoutRetryNext ? wizard::IDC_OUTCOME_NEXT : common::IDCANCEL;
        page->Link()->Post([command](ui::Dialog& p) { p.Command(command); });
        return page;
    }

    GatewayLink& link;
    std::vector<std::string> adapterLines;
    std::vector<std::string> outcomes;
    std::thread gateway;
    std::string simulator;
    int simulatorExit = -1;
};

} // namespace

TEST(EmergencyUpgradeEndToEnd, BootLoaderGetsTheFirmwareAndTheLeaseOfTheChosenAdapterIsRenewed) {
    if (!MayCreateNamespaces())
        GTEST_SKIP() << "needs the test runner's private namespace";
    GatewayLink link("e", {"192.168.1.1/24"});
    ASSERT_TRUE(link.ok()) << link.setupLog;
    const auto folder = std::filesystem::temp_directory_path() / ("vx-emergency-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string firmware = (folder / "gw_image.bin").string();
    const Bytes image = RandomBytes(100'000, 5);
    std::ofstream(firmware, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));

    vornalix::testing::PromptScope prompts; // the power-cycle reminder of Exit
    DrivenPages pages(link);
    hostnet::FakeIpHelper ipHelper;
    ipHelper.adapters = {{3, {"10.0.0.1"}}, {7, {"192.168.1.1"}}};
    ipHelper.interfaces = {{3, L"eth0"}, {7, L"eth1"}};
    RecordingMediaSense mediaSense;
    std::vector<long> sleeps;
    wizard::EmergencyFlowServices services(ipHelper, 0, mediaSense,
                                           [&](std::chrono::milliseconds pause) { sleeps.push_back(pause.count()); });
    std::string path = firmware;
    int result = wizard::RunEmergencyUpgradeFlow(pages, path, services);
    if (pages.gateway.joinable())
        pages.gateway.join();
    std::filesystem::remove_all(folder);

    EXPECT_EQ(result, 0);
    EXPECT_THAT(pages.adapterLines, ElementsAre(link.hostInterface.substr(0, 20) + " (IP:192.168.1.1)"));
    EXPECT_EQ(pages.simulatorExit, 0) << pages.simulator;
    EXPECT_THAT(pages.simulator, HasSubstr("file GW_IMAGE.BIN"));
    EXPECT_THAT(pages.outcomes, ElementsAre(res::LoadString(vornalix::res::StringId::CheckStatusTitle),
                                            res::LoadString(vornalix::res::StringId::UpdateCompleteTitle)));
    ASSERT_EQ(prompts.prompt.Count(), 1u);
    EXPECT_EQ(prompts.prompt.Boxes()[0].text, res::LoadString(vornalix::res::StringId::RestartReminder));
    EXPECT_THAT(mediaSense.calls, ElementsAre("DisableNt5", "DisableMe", "RestoreNt5", "RestoreMe"));
    EXPECT_THAT(sleeps, ElementsAre(10, 10, 10, 5000, 10));
    EXPECT_THAT(ipHelper.calls, ::testing::Contains("IpReleaseAddress 7"));
    EXPECT_THAT(ipHelper.calls, ::testing::Contains("IpRenewAddress 7"));
}
