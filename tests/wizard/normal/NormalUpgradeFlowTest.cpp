// The normal upgrade flow's page sequence with scripted pages.
#include "wizard/normal/NormalUpgradeFlow.h"
#include "hostnet/fake/FakeIpHelper.h"
#include "res/Resources.h"

#include <gmock/gmock.h>

#include <deque>

using namespace vornalix;
using namespace vornalix::wizard;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr int kBack = IDC_BACK;
constexpr int kNext = common::IDOK;
constexpr int kCancel = common::IDCANCEL;
constexpr int kFailed = 101;
constexpr int kSucceeded = 105;

// One page the script expects next: its kind ('A'ddress, 'F'irmware, 'I'nfo, 'U'pload,
// 'O'utcome, 'D'one), its result and, for the address and firmware pages, the field text it
// leaves ("" keeps the text it was given).
struct Step {
    char kind;
    int result;
    std::string field;
};

class ScriptedPages;

template <class Page> class Scripted : public Page {
public:
    template <class... Args>
    Scripted(ScriptedPages& pages, Step step, Args&&... args)
        : Page(std::forward<Args>(args)...), pages(pages), step(step) {}
    int DoModal() override;
    ScriptedPages& pages;
    Step step;
};

class ScriptedPages : public NormalFlowPages {
public:
    std::deque<Step> steps;
    // What each page was given: "A url", "F path", "I", "U firmwarePath", "O title|text|layout", "D text|layout".
    std::vector<std::string> shown;
    hostnet::FakeIpHelper ipHelper;
    std::vector<std::string> ipCallsWhenShown; // the helper's calls as the last page opened
    web::GatewayHttpSession* session = nullptr;

    Step Next(char kind) {
        if (steps.empty()) {
            ADD_FAILURE() << "no step left for page " << kind;
            return {kind, kCancel, ""};
        }
        Step step = steps.front();
        steps.pop_front();
        EXPECT_EQ(step.kind, kind) << "after " << ::testing::PrintToString(shown);
        return step;
    }
    void Record(std::string what) {
        shown.push_back(std::move(what));
        ipCallsWhenShown = ipHelper.calls;
    }

    std::unique_ptr<wizard::GatewayAddressPage> CreateGatewayAddressPage(web::GatewayHttpSession& s,
                                                                         const std::string& url) override {
        session = &s;
        return std::make_unique<Scripted<wizard::GatewayAddressPage>>(*this, Next('A'), s, url);
    }
    std::unique_ptr<wizard::FirmwareFilePage> CreateFirmwareFilePage(const std::string& path) override {
        return std::make_unique<Scripted<wizard::FirmwareFilePage>>(*this, Next('F'), path);
    }
    std::unique_ptr<wizard::GatewayInfoPage> CreateGatewayInfoPage(web::GatewayHttpSession& s) override {
        return std::make_unique<Scripted<wizard::GatewayInfoPage>>(*this, Next('I'), s);
    }
    std::unique_ptr<wizard::UploadProgressPage> CreateUploadProgressPage(web::GatewayHttpSession& s) override {
        return std::make_unique<Scripted<wizard::UploadProgressPage>>(*this, Next('U'), s);
    }
    std::unique_ptr<OutcomePage> CreateOutcomePage(int fontHeight, const std::string& title, const std::string& text,
                                                   int layout) override {
        Record("O " + std::to_string(fontHeight) + "|" + title + "|" + text + "|" + std::to_string(layout));
        return std::make_unique<Scripted<OutcomePage>>(*this, Next('O'), fontHeight, title, text, layout);
    }
    std::unique_ptr<FinalPage> CreateFinalPage(const std::string& text, int layout) override {
        Record("D " + text + "|" + std::to_string(layout));
        return std::make_unique<Scripted<FinalPage>>(*this, Next('D'), text, layout);
    }
};

template <class Page> int Scripted<Page>::DoModal() {
    if constexpr (std::is_same_v<Page, wizard::GatewayAddressPage>) {
        pages.Record("A " + this->urlText);
        if (!step.field.empty())
            this->urlText = step.field;
    } else if constexpr (std::is_same_v<Page, wizard::FirmwareFilePage>) {
        pages.Record("F " + this->pathText);
        if (!step.field.empty())
            this->pathText = step.field;
    } else if constexpr (std::is_same_v<Page, wizard::GatewayInfoPage>) {
        pages.Record("I");
    } else if constexpr (std::is_same_v<Page, wizard::UploadProgressPage>) {
        pages.Record("U " + pages.session->firmwarePath);
    }
    return step.result;
}

struct FlowRun {
    int result;
    std::string urlCopy, firmwarePath, gatewayUrl;
};

class NormalUpgradeFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        pages.ipHelper.adapters = {{4, {"10.1.1.2"}}, {9, {"192.168.1.33", "172.16.0.1"}}, {12, {"192.168.1.40"}}};
        pages.ipHelper.interfaces = {{4, L"eth0"}, {9, L"eth1"}, {12, L"eth2"}};
    }
    FlowRun Start(std::deque<Step> steps, std::uint16_t osVersion = 0x0501, std::string url = "http://192.168.1.1/",
                  std::string firmware = "") {
        pages.steps = std::move(steps);
        FlowRun run{0, std::move(url), std::move(firmware), "unchanged"};
        NormalFlowServices services(pages.ipHelper, osVersion);
        run.result = RunNormalUpgradeFlow(pages, run.urlCopy, run.firmwarePath, run.gatewayUrl, services);
        EXPECT_THAT(pages.steps, IsEmpty()) << "pages the flow never showed";
        return run;
    }
    std::vector<std::string> LeaseCalls() const {
        std::vector<std::string> lease;
        for (const std::string& call : pages.ipHelper.calls)
            if (call.rfind("IpRe", 0) == 0)
                lease.push_back(call);
        return lease;
    }
    ScriptedPages pages;
};

} // namespace

TEST_F(NormalUpgradeFlowTest, SuccessfulRunRenewsTheLeaseOfTheGatewayFacingAdapterAfterExit) {
    FlowRun run = Start({{'A', kNext, "http://192.168.1.1:8080/"},
                         {'F', kNext, "/images/fw.bin"},
                         {'I', kNext, ""},
                         {'U', kSucceeded, ""},
                         {'D', kCancel, ""}});
    EXPECT_EQ(run.result, 0);
    EXPECT_THAT(pages.shown, ElementsAre("A http://192.168.1.1/", "F ", "I", "U /images/fw.bin",
                                         "D " + res::LoadString(vornalix::res::StringId::UpgradeSucceededText) + "|2"));
    EXPECT_EQ(run.urlCopy, "http://192.168.1.1:8080/");
    EXPECT_EQ(run.gatewayUrl, "http://192.168.1.1:8080/");
    EXPECT_EQ(run.firmwarePath, "/images/fw.bin");
    // The first adapter on 192.168.1, found when the address page closed; the lease only after Exit.
    EXPECT_THAT(pages.ipCallsWhenShown, ElementsAre("Load", "GetAdaptersInfo", "Unload"));
    EXPECT_THAT(LeaseCalls(), ElementsAre("IpReleaseAddress 9", "IpRenewAddress 9"));
}

TEST_F(NormalUpgradeFlowTest, BackOnTheAddressPageGoesToTheModePageWithThePagesAddress) {
    // Never accepted: the address it was shown with.
    FlowRun run = Start({{'A', kBack, ""}});
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.gatewayUrl, "http://192.168.1.1/");
    // The address of the last attempt with Next.
    pages.shown.clear();
    run = Start({{'A', kBack, "http://10.9.9.9/"}});
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.gatewayUrl, "http://10.9.9.9/");
    EXPECT_EQ(run.urlCopy, "http://192.168.1.1/");
    EXPECT_THAT(LeaseCalls(), IsEmpty());
}

TEST_F(NormalUpgradeFlowTest, CancelOnAnyPageBeforeTheUploadEndsTheWizard) {
    EXPECT_EQ(Start({{'A', kCancel, ""}}).result, 0);
    EXPECT_EQ(Start({{'A', kNext, ""}, {'F', kCancel, "/x.bin"}}).firmwarePath, "");
    FlowRun run = Start({{'A', kNext, ""}, {'F', kNext, "/x.bin"}, {'I', kCancel, ""}});
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.firmwarePath, "/x.bin");
    EXPECT_THAT(LeaseCalls(), IsEmpty());
}

TEST_F(NormalUpgradeFlowTest, BackChainShowsTheLastChosenPathAndTheLastAcceptedAddress) {
    FlowRun run = Start({{'A', kNext, "http://192.168.1.5/"},
                         {'F', kNext, "/first.bin"},
                         {'I', kBack, ""},
                         {'F', kBack, "/typed-then-back.bin"},
                         {'A', kNext, ""},
                         {'F', kNext, ""},
                         {'I', kCancel, ""}},
                        0x0501, "http://192.168.1.1/", "/start.bin");
    EXPECT_EQ(run.result, 0);
    EXPECT_THAT(pages.shown, ElementsAre("A http://192.168.1.1/", "F /start.bin", "I", "F /first.bin",
                                         "A http://192.168.1.5/", "F /first.bin", "I"));
    EXPECT_EQ(run.firmwarePath, "/first.bin");
}

TEST_F(NormalUpgradeFlowTest, CancelOnTheUploadGoesBackToTheInformationPage) {
    FlowRun run = Start({{'A', kNext, ""},
                         {'F', kNext, "/fw.bin"},
                         {'I', kNext, ""},
                         {'U', kCancel, ""},
                         {'I', kNext, ""},
                         {'U', 77, ""},
                         {'I', kCancel, ""}});
    EXPECT_EQ(run.result, 0);
    EXPECT_THAT(pages.shown, ElementsAre("A http://192.168.1.1/", "F ", "I", "U /fw.bin", "I", "U /fw.bin", "I"));
}

TEST_F(NormalUpgradeFlowTest, RetryAfterAFailureQueriesTheGatewayAgainWithThePathUnchanged) {
    std::string failed = "O 40|" + res::LoadString(vornalix::res::StringId::UpgradeFailedTitle) + "|" +
                         res::LoadString(vornalix::res::StringId::UpgradeFailedText) + "|2";
    FlowRun run = Start({{'A', kNext, ""},
                         {'F', kNext, "/fw.bin"},
                         {'I', kNext, ""},
                         {'U', kFailed, ""},
                         {'O', kNext, ""},
                         {'I', kNext, ""},
                         {'U', kFailed, ""},
                         {'O', kCancel, ""}});
    EXPECT_EQ(run.result, 0);
    EXPECT_THAT(pages.shown,
                ElementsAre("A http://192.168.1.1/", "F ", "I", "U /fw.bin", failed, "I", "U /fw.bin", failed));
    EXPECT_EQ(run.firmwarePath, "/fw.bin");
    // Exit on the failure page leaves the lease alone.
    EXPECT_THAT(LeaseCalls(), IsEmpty());
}

TEST_F(NormalUpgradeFlowTest, RetryOnTheSuccessPageGoesBackToTheInformationPage) {
    FlowRun run = Start({{'A', kNext, ""},
                         {'F', kNext, "/fw.bin"},
                         {'I', kNext, ""},
                         {'U', kSucceeded, ""},
                         {'D', kNext, ""},
                         {'I', kCancel, ""}});
    EXPECT_EQ(run.result, 0);
    EXPECT_THAT(LeaseCalls(), IsEmpty());
}

TEST_F(NormalUpgradeFlowTest, AddressWithoutASubnetRenewsNoAdapter) {
    const char* urls[] = {"http://gateway/", "http://gateway.lan", "http://10.0.0.1/", "x.y"};
    for (const char* url : urls) {
        pages.ipHelper.calls.clear();
        Start(
            {{'A', kNext, url}, {'F', kNext, "/fw.bin"}, {'I', kNext, ""}, {'U', kSucceeded, ""}, {'D', kCancel, ""}});
        // The release and renewal run for index 0, which no interface has.
        EXPECT_THAT(pages.ipHelper.calls, Contains("GetInterfaceInfo")) << url;
        EXPECT_THAT(LeaseCalls(), IsEmpty()) << url;
    }
}

TEST_F(NormalUpgradeFlowTest, VersionFourNeverTouchesTheLease) {
    FlowRun run =
        Start({{'A', kNext, ""}, {'F', kNext, "/fw.bin"}, {'I', kNext, ""}, {'U', kSucceeded, ""}, {'D', kCancel, ""}},
              0x0400);
    EXPECT_EQ(run.result, 0);
    EXPECT_THAT(pages.ipHelper.calls, IsEmpty());
}

TEST(SubnetPrefix, CutAfterTheSchemeBeforeTheLastDot) {
    EXPECT_EQ(SubnetPrefix("http://192.168.1.1/"), "192.168.1");
    EXPECT_EQ(SubnetPrefix("http://192.168.1.1:8080/"), "192.168.1");
    EXPECT_EQ(SubnetPrefix("http://gateway/"), "");
    EXPECT_EQ(SubnetPrefix("ab.cdefghij"), "");
    EXPECT_EQ(SubnetPrefix("http://.x"), "");
    EXPECT_EQ(SubnetPrefix("http://a.b"), "a");
    EXPECT_EQ(SubnetPrefix(""), "");
}
