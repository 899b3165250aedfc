// The normal upgrade flow with its real pages against the gateway simulator.
#include "GatewaySim.h"
#include "ModalScript.h"
#include "PageDriver.h"
#include "hostnet/fake/FakeIpHelper.h"
#include "res/Resources.h"
#include "wizard/normal/NormalUpgradeFlow.h"

#include <gmock/gmock.h>

using namespace vornalix;
using namespace vornalix::wizard;
using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::Not;
using vornalix::testing::PromptScope;
using vornalix::web::test::GatewaySim;
using vornalix::wizard::test::When;

namespace {

// The real pages, each worked by hand as a user would once it is up.
class DrivenPages : public NormalFlowPages {
public:
    DrivenPages(const GatewaySim& sim, std::string firmware) : sim(sim), firmware(std::move(firmware)) {}

    std::unique_ptr<wizard::GatewayAddressPage> CreateGatewayAddressPage(web::GatewayHttpSession& session,
                                                                         const std::string& urlText) override {
        session.timings.reachabilityLimit = 300ms;
        session.timings.restartSettle = 50ms;
        session.timings.restartCheckDelay = 0ms;
        auto page = NormalFlowPages::CreateGatewayAddressPage(session, urlText);
        Once(*page, [this](ui::Dialog& d) {
            d.SetItemText(wizard::GatewayAddressPage::IDC_URL, sim.Url("/"));
            d.Command(common::IDOK);
        });
        return page;
    }
    std::unique_ptr<wizard::FirmwareFilePage> CreateFirmwareFilePage(const std::string& pathText) override {
        auto page = NormalFlowPages::CreateFirmwareFilePage(pathText);
        Once(*page, [this](ui::Dialog& d) {
            d.SetItemText(wizard::FirmwareFilePage::IDC_PATH, firmware);
            d.Command(common::IDOK);
        });
        return page;
    }
    std::unique_ptr<wizard::GatewayInfoPage> CreateGatewayInfoPage(web::GatewayHttpSession& session) override {
        auto page = NormalFlowPages::CreateGatewayInfoPage(session);
        ui::Dialog* d = page.get();
        When(
            *d, [d] { return !d->ItemText(wizard::GatewayInfoPage::IDC_HARDWARE).empty(); },
            [this, d] {
                shown.push_back("info " + d->ItemText(wizard::GatewayInfoPage::IDC_HARDWARE));
                d->Command(common::IDOK);
            });
        return page;
    }
    std::unique_ptr<wizard::UploadProgressPage> CreateUploadProgressPage(web::GatewayHttpSession& session) override {
        shown.push_back("upload");
        return NormalFlowPages::CreateUploadProgressPage(session);
    }
    std::unique_ptr<OutcomePage> CreateOutcomePage(int fontHeight, const std::string& title, const std::string& text,
                                                   int layout) override {
        auto page = NormalFlowPages::CreateOutcomePage(fontHeight, title, text, layout);
        Once(*page, [this](ui::Dialog& d) { Exit(d, "outcome " + static_cast<OutcomePage&>(d).BannerTitle()); });
        return page;
    }
    std::unique_ptr<FinalPage> CreateFinalPage(const std::string& text, int layout) override {
        auto page = NormalFlowPages::CreateFinalPage(text, layout);
        Once(*page, [this](ui::Dialog& d) { Exit(d, "final " + d.ItemText(IDC_FINAL_MESSAGE)); });
        return page;
    }

    std::vector<std::string> shown;
    std::vector<std::string> leaseCallsAtExit;
    hostnet::FakeIpHelper ipHelper;

private:
    void Once(ui::Dialog& page, std::function<void(ui::Dialog&)> action) {
        ui::Dialog* d = &page;
        When(
            *d, [d] { return d->IsVisible(); }, [d, action] { action(*d); });
    }
    void Exit(ui::Dialog& d, std::string what) {
        shown.push_back(std::move(what));
        leaseCallsAtExit = ipHelper.calls;
        d.Command(common::IDCANCEL);
    }
    const GatewaySim& sim;
    std::string firmware;
};

void GatewayFacingAdapter(hostnet::FakeIpHelper& ipHelper) {
    ipHelper.adapters = {{3, {"10.0.0.4"}}, {7, {"127.0.0.9"}}};
    ipHelper.interfaces = {{3, L"eth0"}, {7, L"eth1"}};
}

} // namespace

TEST(NormalUpgradeEndToEnd, SuccessfulUpgradeRenewsTheLeaseAfterExit) {
    GatewaySim sim({"--program-ms", "0", "--restart-ms", "200"});
    PromptScope prompts;
    std::string firmware = sim.WriteFile("image.bin", std::string(20000, 'I'));
    DrivenPages pages(sim, firmware);
    GatewayFacingAdapter(pages.ipHelper);
    std::string urlCopy = "http://192.168.1.1/", firmwarePath, gatewayUrl;
    NormalFlowServices services(pages.ipHelper, 0);
    EXPECT_EQ(RunNormalUpgradeFlow(pages, urlCopy, firmwarePath, gatewayUrl, services), 0);
    EXPECT_EQ(pages.shown,
              (std::vector<std::string>{"info 1.02", "upload",
                                        "final " + res::LoadString(vornalix::res::StringId::UpgradeSucceededText)}));
    EXPECT_EQ(urlCopy, sim.Url("/"));
    EXPECT_EQ(gatewayUrl, sim.Url("/"));
    EXPECT_EQ(firmwarePath, firmware);
    EXPECT_EQ(sim.Image(), std::string(20000, 'I'));
    EXPECT_THAT(pages.leaseCallsAtExit, Not(Contains("IpReleaseAddress 7")));
    EXPECT_THAT(pages.ipHelper.calls, Contains("IpReleaseAddress 7"));
    EXPECT_THAT(pages.ipHelper.calls, Contains("IpRenewAddress 7"));
    EXPECT_EQ(prompts.prompt.Count(), 0u);
}

TEST(NormalUpgradeEndToEnd, RefusedUploadShowsTheFailurePageAndLeavesTheLease) {
    GatewaySim sim({"--status-upload", "500"});
    PromptScope prompts;
    DrivenPages pages(sim, sim.WriteFile("image.bin", std::string(4000, 'I')));
    GatewayFacingAdapter(pages.ipHelper);
    std::string urlCopy = "http://192.168.1.1/", firmwarePath, gatewayUrl;
    NormalFlowServices services(pages.ipHelper, 0);
    EXPECT_EQ(RunNormalUpgradeFlow(pages, urlCopy, firmwarePath, gatewayUrl, services), 0);
    EXPECT_EQ(pages.shown,
              (std::vector<std::string>{"info 1.02", "upload",
                                        "outcome " + res::LoadString(vornalix::res::StringId::UpgradeFailedTitle)}));
    for (const std::string& call : pages.ipHelper.calls) {
        EXPECT_THAT(call, Not(::testing::StartsWith("IpRelease")));
        EXPECT_THAT(call, Not(::testing::StartsWith("IpRenew")));
    }
    EXPECT_EQ(prompts.prompt.Count(), 0u);
}
