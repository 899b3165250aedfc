// The emergency upgrade flow's page sequence with scripted pages and recording host services.
#include "wizard/emergency/EmergencyUpgradeFlow.h"
#include "hostnet/fake/FakeIpHelper.h"
#include "res/Resources.h"

#include <gmock/gmock.h>

#include "common/Socket.h"

#include <deque>

using namespace vornalix;
using namespace vornalix::wizard;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr int kBack = IDC_BACK;
constexpr int kNext = common::IDOK;
constexpr int kRetry = common::IDOK;
constexpr int kCancel = common::IDCANCEL;
constexpr int kExit = common::IDCANCEL;
constexpr int kOutcomeNext = IDC_OUTCOME_NEXT;
constexpr int kFinished = common::IDOK;
constexpr int kFailed = 4;
constexpr int kNotConfirmed = 5;

// One page the script expects next: its kind ('A'dapter, 'T'ransfer, 'O'utcome), its result and, for the
// adapter page, the path, list position and adapter address it leaves (an empty path keeps the one it had).
struct Step {
    char kind;
    int result;
    std::string path = {};
    int selection = 0;
    const char* address = "0.0.0.0";
};

class ScriptedPages;

// The scripted pages that exist now.
std::vector<ui::Dialog*>& Live() {
    static std::vector<ui::Dialog*> pages;
    return pages;
}

template <class Page> class Scripted : public Page {
public:
    template <class... Args>
    Scripted(ScriptedPages& pages, Step step, Args&&... args)
        : Page(std::forward<Args>(args)...), pages(pages), step(std::move(step)) {
        Live().push_back(this);
    }
    ~Scripted() override { std::erase(Live(), static_cast<ui::Dialog*>(this)); }
    int DoModal() override;
    ScriptedPages& pages;
    Step step;
};

class RecordingMediaSense : public hostnet::MediaSenseControl {
public:
    int DisableMediaSenseNt5() override { return Record("DisableNt5", 1); }
    int DisableMediaSenseMe() override { return Record("DisableMe", 1); }
    int RestoreMediaSenseNt5() override { return Record("RestoreNt5", 1); }
    int RestoreMediaSenseMe() override { return Record("RestoreMe", 1); }
    int Record(const char* call, int result) {
        calls.emplace_back(call);
        return result;
    }
    std::vector<std::string> calls;
};

class ScriptedPages : public EmergencyFlowPages {
public:
    std::deque<Step> steps;
    // What each page was given: "A path|selection", "T path|address", "O title|layout".
    std::vector<std::string> shown;
    hostnet::MediaSenseControl* mediaSenseGiven = nullptr;
    // The adapter each transfer page was told to hold.
    std::vector<std::string> holds;
    // The message of each outcome page.
    std::vector<std::string> texts;

    Step Next(char kind) {
        if (steps.empty()) {
            ADD_FAILURE() << "no step left for page " << kind;
            return {kind, kCancel};
        }
        Step step = steps.front();
        steps.pop_front();
        EXPECT_EQ(step.kind, kind) << "after " << ::testing::PrintToString(shown);
        return step;
    }

    std::unique_ptr<wizard::FirmwareAdapterPage>
    CreateFirmwareAdapterPage(const std::string& path, int selection, hostnet::MediaSenseControl& mediaSense) override {
        mediaSenseGiven = &mediaSense;
        return std::make_unique<Scripted<wizard::FirmwareAdapterPage>>(*this, Next('A'), path, selection, mediaSense);
    }
    std::unique_ptr<wizard::EmergencyTransferPage> CreateEmergencyTransferPage(const std::string& path,
                                                                               std::uint32_t address) override {
        in_addr dotted{};
        dotted.s_addr = address;
        shown.push_back("T " + path + "|" + inet_ntoa(dotted));
        return std::make_unique<Scripted<wizard::EmergencyTransferPage>>(*this, Next('T'), path, address);
    }
    std::unique_ptr<OutcomePage> CreateOutcomePage(int fontHeight, const std::string& title, const std::string& text,
                                                   int layout) override {
        EXPECT_EQ(fontHeight, 40);
        // The check page may carry a note before its instructions.
        const std::string expected =
            res::LoadString(title == res::LoadString(vornalix::res::StringId::CheckStatusTitle)      ? 121
                            : title == res::LoadString(vornalix::res::StringId::UpdateCompleteTitle) ? 147
                                                                                                     : 116);
        EXPECT_TRUE(text.ends_with(expected)) << text;
        shown.push_back("O " + title + "|" + std::to_string(layout));
        texts.push_back(text);
        return std::make_unique<Scripted<OutcomePage>>(*this, Next('O'), fontHeight, title, text, layout);
    }
};

template <class Page> int Scripted<Page>::DoModal() {
    if constexpr (std::is_same_v<Page, wizard::FirmwareAdapterPage>) {
        pages.shown.push_back("A " + this->pathText + "|" + std::to_string(this->initialSelection));
        if (!step.path.empty())
            this->pathText = step.path;
        this->selectedIndex = step.selection;
        this->selectedAddress = inet_addr(step.address);
        // The adapter at list position n is "ethn" with index n + 1; a link-local address is a temporary one.
        this->selectedAdapter.interfaceName = "eth" + std::to_string(step.selection);
        this->selectedAdapter.interfaceIndex = static_cast<std::uint32_t>(step.selection + 1);
        this->selectedAdapter.temporaryAddress = std::string(step.address).rfind("169.254.", 0) == 0;
    }
    if constexpr (std::is_same_v<Page, wizard::EmergencyTransferPage>)
        pages.holds.push_back(this->HeldAdapter());
    return step.result;
}

const std::string kCheck = "O " + res::LoadString(vornalix::res::StringId::CheckStatusTitle) + "|5";
const std::string kComplete = "O " + res::LoadString(vornalix::res::StringId::UpdateCompleteTitle) + "|4";
const std::string kFailure = "O " + res::LoadString(vornalix::res::StringId::EmergencyFailedTitle) + "|0";

class EmergencyUpgradeFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ipHelper.adapters = {{4, {"10.1.1.2"}}, {9, {"192.168.1.33", "172.16.0.1"}}, {12, {"192.168.1.40"}}};
        ipHelper.interfaces = {{4, L"eth0"}, {9, L"eth1"}, {12, L"eth2"}};
    }
    int Start(std::deque<Step> steps, std::string& firmwarePath, std::uint16_t osVersion = 0x0501) {
        pages.steps = std::move(steps);
        EmergencyFlowServices services(ipHelper, osVersion, mediaSense, [this](std::chrono::milliseconds pause) {
            std::string event = "sleep " + std::to_string(pause.count());
            if (pause == kLeaseDelay)
                event += " after " + ::testing::PrintToString(mediaSense.calls) + " " +
                         std::to_string(LeaseCalls().size()) + " lease calls";
            sleeps.push_back(event);
            if (whileSleeping)
                whileSleeping();
        });
        int result = RunEmergencyUpgradeFlow(pages, firmwarePath, services);
        EXPECT_THAT(pages.steps, IsEmpty()) << "pages the flow never showed";
        // The adapter page checks media sensing through the flow's guard.
        EXPECT_TRUE(pages.mediaSenseGiven == nullptr || pages.mediaSenseGiven == &mediaSense);
        return result;
    }
    std::vector<std::string> LeaseCalls() const {
        std::vector<std::string> lease;
        for (const std::string& call : ipHelper.calls)
            if (call.rfind("IpRe", 0) == 0)
                lease.push_back(call);
        return lease;
    }
    hostnet::FakeIpHelper ipHelper;
    RecordingMediaSense mediaSense;
    std::vector<std::string> sleeps;
    ScriptedPages pages;
    std::function<void()> whileSleeping;
};

} // namespace

TEST_F(EmergencyUpgradeFlowTest, ConfirmedUpdateRestoresMediaSenseThenWaitsThenRenewsTheChosenAdaptersLease) {
    std::string firmware = "/start.bin";
    int result = Start(
        {{'A', kNext, "/fw/gw.bin", 1, "192.168.1.33"}, {'T', kFinished}, {'O', kOutcomeNext}, {'O', kExit}}, firmware);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(firmware, "/fw/gw.bin");
    EXPECT_THAT(pages.shown, ElementsAre("A /start.bin|0", "T /fw/gw.bin|192.168.1.33", kCheck, kComplete));
    // Nt5 first, then Me; five seconds after both and before any lease call; release before renewal.
    EXPECT_THAT(mediaSense.calls, ElementsAre("RestoreNt5", "RestoreMe"));
    EXPECT_THAT(sleeps, ElementsAre("sleep 10", "sleep 10", "sleep 10",
                                    "sleep 5000 after { \"RestoreNt5\", \"RestoreMe\" } 0 lease calls", "sleep 10"));
    EXPECT_THAT(LeaseCalls(), ElementsAre("IpReleaseAddress 9", "IpRenewAddress 9"));
}

// The image went out but the gateway never acknowledged its last part: the check page, as after a success, with
// one sentence before the TEST LED instructions; its Next completes the update as usual.
TEST_F(EmergencyUpgradeFlowTest, TransferSentButNotConfirmedGoesToTheCheckPageWithANote) {
    std::string firmware = "/fw.bin";
    EXPECT_EQ(
        Start({{'A', kNext, "", 1, "192.168.1.33"}, {'T', kNotConfirmed}, {'O', kOutcomeNext}, {'O', kExit}}, firmware),
        0);
    EXPECT_THAT(pages.shown, ElementsAre("A /fw.bin|0", "T /fw.bin|192.168.1.33", kCheck, kComplete));
    ASSERT_FALSE(pages.texts.empty());
    EXPECT_EQ(pages.texts.front(), res::LoadString(vornalix::res::StringId::TransferNotConfirmedNote) + "\n" +
                                       res::LoadString(vornalix::res::StringId::TestLedCheckText));
    EXPECT_THAT(mediaSense.calls, ElementsAre("RestoreNt5", "RestoreMe"));
    EXPECT_THAT(LeaseCalls(), ElementsAre("IpReleaseAddress 9", "IpRenewAddress 9"));
}

// The shown completion page, when one is on screen.
OutcomePage* ShownOutcomePage() {
    for (ui::Dialog* dialog : Live())
        if (auto* page = dynamic_cast<OutcomePage*>(dialog); page && page->IsVisible())
            return page;
    return nullptr;
}

TEST_F(EmergencyUpgradeFlowTest, AfterExitTheCompletionPageStaysUpHeldUntilTheLeaseIsRenewed) {
    bool shownDuringTheDelay = false, buttonsHeld = true;
    whileSleeping = [&] {
        if (sleeps.back().rfind("sleep 5000", 0) != 0)
            return;
        OutcomePage* page = ShownOutcomePage();
        shownDuringTheDelay =
            page && page->BannerTitle() == res::LoadString(vornalix::res::StringId::UpdateCompleteTitle);
        if (page)
            for (const auto& control : page->Template().controls)
                if (control.cls == res::ControlClass::Button)
                    buttonsHeld &= !page->IsItemEnabled(control.id);
    };
    std::string firmware = "/start.bin";
    EXPECT_EQ(
        Start({{'A', kNext, "/fw/gw.bin", 1, "192.168.1.33"}, {'T', kFinished}, {'O', kOutcomeNext}, {'O', kExit}},
              firmware),
        0);
    EXPECT_TRUE(shownDuringTheDelay);
    EXPECT_TRUE(buttonsHeld);
    EXPECT_THAT(LeaseCalls(), ElementsAre("IpReleaseAddress 9", "IpRenewAddress 9"));
    // Gone with the flow.
    EXPECT_EQ(ShownOutcomePage(), nullptr);
}

TEST_F(EmergencyUpgradeFlowTest, BackOnTheAdapterPageReturnsToTheModePageKeepingThePath) {
    std::string firmware = "/start.bin";
    EXPECT_EQ(Start({{'A', kBack, "/typed.bin", 2}}, firmware), -1);
    EXPECT_EQ(firmware, "/typed.bin");
    firmware = "";
    EXPECT_EQ(Start({{'A', kCancel, "/other.bin"}}, firmware), 0);
    EXPECT_EQ(firmware, "/other.bin");
    EXPECT_THAT(mediaSense.calls, IsEmpty());
    EXPECT_THAT(ipHelper.calls, IsEmpty());
}

TEST_F(EmergencyUpgradeFlowTest, BackOnTheTransferPageShowsTheSameFileAndAdapterAgain) {
    std::string firmware;
    int result = Start({{'A', kNext, "/a.bin", 2, "192.168.1.40"},
                        {'T', kBack},
                        {'A', kNext, "", 2, "192.168.1.40"},
                        {'T', 77},
                        {'A', kCancel}},
                       firmware);
    EXPECT_EQ(result, 0);
    // Any other transfer result goes back to the adapter page as well.
    EXPECT_THAT(pages.shown,
                ElementsAre("A |0", "T /a.bin|192.168.1.40", "A /a.bin|2", "T /a.bin|192.168.1.40", "A /a.bin|2"));
}

TEST_F(EmergencyUpgradeFlowTest, RetryOnTheCheckAndFailurePagesStartsOverAtTheAdapterPage) {
    std::string firmware = "/fw.bin";
    int result = Start({{'A', kNext, "", 1, "192.168.1.33"},
                        {'T', kFinished},
                        {'O', kRetry},
                        {'A', kNext, "", 1, "192.168.1.33"},
                        {'T', kFailed},
                        {'O', kRetry},
                        {'A', kNext, "", 1, "192.168.1.33"},
                        {'T', kFailed},
                        {'O', kExit}},
                       firmware);
    EXPECT_EQ(result, 0);
    EXPECT_THAT(pages.shown,
                ElementsAre("A /fw.bin|0", "T /fw.bin|192.168.1.33", kCheck, "A /fw.bin|1", "T /fw.bin|192.168.1.33",
                            kFailure, "A /fw.bin|1", "T /fw.bin|192.168.1.33", kFailure));
    EXPECT_THAT(mediaSense.calls, IsEmpty());
    EXPECT_THAT(LeaseCalls(), IsEmpty());
}

TEST_F(EmergencyUpgradeFlowTest, LeavingBeforeTheCompletionPagesExitLeavesMediaSenseAndLeaseAlone) {
    std::string firmware = "/fw.bin";
    // Escape on the check page.
    EXPECT_EQ(Start({{'A', kNext, "", 0, "10.1.1.2"}, {'T', kFinished}, {'O', kCancel}}, firmware), 0);
    // Cancel on the transfer page.
    EXPECT_EQ(Start({{'A', kNext, "", 0, "10.1.1.2"}, {'T', kCancel}}, firmware), 0);
    // The completion page closed otherwise than by Exit goes back to the adapter page.
    EXPECT_EQ(Start({{'A', kNext, "", 0, "10.1.1.2"},
                     {'T', kFinished},
                     {'O', kOutcomeNext},
                     {'O', kOutcomeNext},
                     {'A', kCancel}},
                    firmware),
              0);
    EXPECT_THAT(mediaSense.calls, IsEmpty());
    EXPECT_THAT(LeaseCalls(), IsEmpty());
}

TEST_F(EmergencyUpgradeFlowTest, AddressThatIsNoAdaptersFirstAddressRenewsNothing) {
    std::string firmware = "/fw.bin";
    // 172.16.0.1 is the second address of adapter 9.
    for (const char* address : {"172.16.0.1", "192.168.1.3", "192.168.1.4"}) {
        ipHelper.calls.clear();
        mediaSense.calls.clear();
        EXPECT_EQ(Start({{'A', kNext, "", 0, address}, {'T', kFinished}, {'O', kOutcomeNext}, {'O', kExit}}, firmware),
                  0);
        EXPECT_THAT(mediaSense.calls, ElementsAre("RestoreNt5", "RestoreMe")) << address;
        EXPECT_THAT(ipHelper.calls, ::testing::Contains("GetInterfaceInfo")) << address;
        EXPECT_THAT(LeaseCalls(), IsEmpty()) << address;
    }
}

TEST_F(EmergencyUpgradeFlowTest, VersionFourRestoresMediaSenseButNeverTouchesTheLease) {
    std::string firmware = "/fw.bin";
    EXPECT_EQ(Start({{'A', kNext, "", 0, "192.168.1.33"}, {'T', kFinished}, {'O', kOutcomeNext}, {'O', kExit}},
                    firmware, 0x0400),
              0);
    EXPECT_THAT(mediaSense.calls, ElementsAre("RestoreNt5", "RestoreMe"));
    EXPECT_THAT(ipHelper.calls, IsEmpty());
}

TEST_F(EmergencyUpgradeFlowTest, TransferPageHoldsTheAdapterChosenOnTheAdapterPage) {
    std::string firmware;
    EXPECT_EQ(Start({{'A', kNext, "/a.bin", 1, "169.254.7.9"},
                     {'T', kBack},
                     {'A', kNext, "", 2, "192.168.1.40"},
                     {'T', kCancel}},
                    firmware),
              0);
    EXPECT_THAT(pages.holds, ElementsAre("eth1 2 temporary", "eth2 3"));
}
