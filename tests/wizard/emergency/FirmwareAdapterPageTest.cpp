// The firmware and adapter page: the adapter list, the media-sense checks as it opens, and Next.
#include "wizard/emergency/FirmwareAdapterPage.h"
#include "ModalScript.h"
#include "NamedPipe.h"
#include "res/Resources.h"
#include "web/FirmwareFile.h"
#include "wizard/FirmwareFile.h"

#include <gmock/gmock.h>

#include <arpa/inet.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

using namespace vornalix;
using namespace vornalix::wizard;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using vornalix::testing::PromptScope;
using vornalix::testing::RunModal;

namespace {

using Page = FirmwareAdapterPage;

// Media-sense results scripted per call; every call recorded.
class ScriptedMediaSense : public hostnet::MediaSenseControl {
public:
    int DisableMediaSenseNt5() override { return Record("DisableNt5", nt5); }
    int DisableMediaSenseMe() override { return Record("DisableMe", me); }
    int RestoreMediaSenseNt5() override { return Record("RestoreNt5", 1); }
    int RestoreMediaSenseMe() override { return Record("RestoreMe", 1); }
    int Record(const char* call, int result) {
        calls.emplace_back(call);
        return result;
    }
    int nt5 = 1;
    int me = 1;
    std::vector<std::string> calls;
};

struct Adapter {
    std::string description;
    const char* address;
};

Page::AdapterLister Adapters(std::vector<Adapter> adapters) {
    return [adapters](hostnet::AdapterEntry* table, int capacity) {
        int count = 0;
        for (const Adapter& adapter : adapters) {
            if (count == capacity)
                break;
            hostnet::AdapterEntry& entry = table[count++];
            std::memset(entry.description, 0, sizeof entry.description);
            std::memcpy(entry.description, adapter.description.data(), adapter.description.size());
            entry.address = inet_addr(adapter.address);
        }
        return count;
    };
}

std::vector<std::string> Lines(Page& page) {
    std::vector<std::string> lines;
    for (int i = 0; i < page.ListCount(Page::IDC_ADAPTERS); ++i)
        lines.push_back(page.ListItem(Page::IDC_ADAPTERS, i));
    return lines;
}

class FirmwareAdapterPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() / ("vx-adapterpage-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        firmware = (folder / "gw.bin").string();
        std::ofstream(firmware) << "image";
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    const Page::AdapterLister twoAdapters =
        Adapters({{"Intel PRO/1000 MT Desktop Adapter", "192.168.1.1"}, {"exactly twenty chars", "10.0.0.5"}});
    std::filesystem::path folder;
    std::string firmware;
    ScriptedMediaSense mediaSense;
    PromptScope prompts;
};

} // namespace

TEST_F(FirmwareAdapterPageTest, OpensWithTheListPreselectedAndNextReturnsTheChosenAdapter) {
    Page page(firmware, 1, mediaSense,
              Adapters({{"Intel PRO/1000 MT Desktop Adapter", "192.168.1.1"},
                        {"exactly twenty chars", "10.0.0.5"},
                        {"twenty-one characters", "172.16.0.9"}}));
    EXPECT_EQ(page.BannerTitle(), res::LoadString(vornalix::res::StringId::FirmwareAdapterTitle));
    EXPECT_EQ(page.BannerFontHeight(), 26);
    std::vector<std::string> lines;
    std::string selectedLine;
    int result = RunModal(page, [&](ui::Dialog& d) {
        lines = Lines(page);
        selectedLine = d.ItemText(Page::IDC_ADAPTERS);
        d.SelectListItem(Page::IDC_ADAPTERS, 2);
        d.Command(common::IDOK);
    });
    EXPECT_EQ(result, common::IDOK);
    // Descriptions cut after 20 characters.
    EXPECT_THAT(lines, ElementsAre("Intel PRO/1000 MT De (IP:192.168.1.1)", "exactly twenty chars (IP:10.0.0.5)",
                                   "twenty-one character (IP:172.16.0.9)"));
    EXPECT_EQ(selectedLine, "exactly twenty chars (IP:10.0.0.5)");
    EXPECT_EQ(page.selectedIndex, 2);
    EXPECT_EQ(page.selectedAddress, inet_addr("172.16.0.9"));
    EXPECT_EQ(page.pathText, firmware);
    EXPECT_THAT(mediaSense.calls, ElementsAre("DisableNt5", "DisableMe"));
    EXPECT_EQ(prompts.prompt.Count(), 0u);
}

TEST_F(FirmwareAdapterPageTest, SelectionBeyondAShorterListSelectsTheFirstAdapter) {
    Page page(firmware, 5, mediaSense, twoAdapters);
    EXPECT_EQ(RunModal(page, [](ui::Dialog& d) { d.Command(common::IDOK); }), common::IDOK);
    EXPECT_EQ(page.selectedIndex, 0);
    EXPECT_EQ(page.selectedAddress, inet_addr("192.168.1.1"));
}

TEST_F(FirmwareAdapterPageTest, MediaSenseChangeOrRefusalClosesThePageAtOnce) {
    struct Case {
        int nt5, me, result;
    };
    // 0: changed, restart first (Cancel); 3: declined (Back); 1 and 2: go on. The later call decides.
    for (Case c : {Case{0, 1, common::IDCANCEL}, Case{3, 1, wizard::IDC_BACK}, Case{1, 3, wizard::IDC_BACK},
                   Case{1, 0, common::IDCANCEL}, Case{0, 3, wizard::IDC_BACK}}) {
        mediaSense.calls.clear();
        mediaSense.nt5 = c.nt5;
        mediaSense.me = c.me;
        Page page(firmware, 0, mediaSense, twoAdapters);
        bool ran = false;
        EXPECT_EQ(RunModal(page, [&](ui::Dialog&) { ran = true; }), c.result) << c.nt5 << " " << c.me;
        EXPECT_FALSE(ran) << "the page waited for the user";
        EXPECT_THAT(mediaSense.calls, ElementsAre("DisableNt5", "DisableMe"));
        // Initialisation still ran to the end.
        EXPECT_EQ(Lines(page).size(), 2u);
    }
    mediaSense.nt5 = 2;
    mediaSense.me = 2;
    Page page(firmware, 0, mediaSense, twoAdapters);
    EXPECT_EQ(RunModal(page, [](ui::Dialog& d) { d.Command(wizard::IDC_BACK); }), wizard::IDC_BACK);
}

TEST_F(FirmwareAdapterPageTest, NoAdapterExplainsWhatToCheckAndCancels) {
    const unsigned exclamation = common::MB_OK | common::MB_ICONEXCLAMATION;
    // Yes: Me first, then Nt5; message 143 after each call that finds nothing to change.
    mediaSense.me = 2;
    mediaSense.nt5 = 2;
    prompts.prompt.Answer(common::IDYES);
    Page yes(firmware, 0, mediaSense, Adapters({}));
    EXPECT_EQ(yes.DoModal(), common::IDCANCEL);
    EXPECT_THAT(mediaSense.calls, ElementsAre("DisableMe", "DisableNt5"));
    auto boxes = prompts.prompt.Boxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0].text, res::LoadString(vornalix::res::StringId::NoAdapterQuestion));
    EXPECT_EQ(boxes[0].type, common::MB_YESNO | common::MB_ICONEXCLAMATION);
    EXPECT_EQ(boxes[1].text, res::LoadString(vornalix::res::StringId::NoAddressAdvice));
    EXPECT_EQ(boxes[1].type, exclamation);
    EXPECT_EQ(boxes[2].text, res::LoadString(vornalix::res::StringId::NoAddressAdvice));

    // No: message 144 and no media-sense call.
    mediaSense.calls.clear();
    PromptScope no;
    no.prompt.Answer(common::IDNO);
    Page declined(firmware, 0, mediaSense, Adapters({}));
    EXPECT_EQ(declined.DoModal(), common::IDCANCEL);
    EXPECT_THAT(mediaSense.calls, IsEmpty());
    ASSERT_EQ(no.prompt.Count(), 2u);
    EXPECT_EQ(no.prompt.Boxes()[1].text, res::LoadString(vornalix::res::StringId::NoAdapterAdvice));
    EXPECT_EQ(no.prompt.Boxes()[1].type, exclamation);
}

TEST_F(FirmwareAdapterPageTest, NextWithAnUnreadablePathKeepsThePageOpen) {
    for (const std::string& path : {(folder / "missing.bin").string(), folder.string()}) {
        PromptScope scope;
        Page page(path, 0, mediaSense, twoAdapters);
        std::size_t boxes = 0;
        bool open = false;
        int result = RunModal(page, [&](ui::Dialog& d) {
            d.Command(common::IDOK);
            boxes = scope.prompt.Count();
            open = d.IsVisible();
            d.SetItemText(Page::IDC_PATH, "/typed.bin");
            d.Command(wizard::IDC_BACK);
        });
        EXPECT_EQ(result, wizard::IDC_BACK) << path;
        EXPECT_TRUE(open) << path;
        ASSERT_EQ(boxes, 1u) << path;
        EXPECT_THAT(scope.prompt.Boxes()[0].text,
                    ::testing::StartsWith("The data file could not be\t\t  opened because of this error: "));
        EXPECT_EQ(scope.prompt.Boxes()[0].type, common::MB_OK);
        // Back exchanges no data: the path of the last Next.
        EXPECT_EQ(page.pathText, path);
    }
}

TEST_F(FirmwareAdapterPageTest, NextRefusesAnEmptyFileAndANamedPipeWithoutBlocking) {
    std::string empty = (folder / "empty.bin").string();
    std::ofstream{empty};
    vornalix::testing::NamedPipe pipe((folder / "pipe.bin").string());
    ASSERT_TRUE(pipe.Created());
    Page page(empty, 0, mediaSense, twoAdapters);
    bool open = false;
    int result = RunModal(page, [&](ui::Dialog& d) {
        d.Command(common::IDOK);
        d.SetItemText(Page::IDC_PATH, pipe.Path());
        d.Command(common::IDOK);
        open = d.IsVisible();
        d.Command(wizard::IDC_BACK);
    });
    EXPECT_EQ(result, wizard::IDC_BACK);
    EXPECT_TRUE(open);
    EXPECT_FALSE(pipe.Opened());
    ASSERT_EQ(prompts.prompt.Count(), 2u);
    EXPECT_EQ(prompts.prompt.Boxes()[0].text, web::EmptyFileText(empty));
    EXPECT_EQ(prompts.prompt.Boxes()[1].text, web::FileErrorText(pipe.Path(), web::FirmwareFile::kNotRegular));
}

TEST_F(FirmwareAdapterPageTest, EmptyPathStartsFromTheArgumentInTheCurrentFolder) {
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    wizard::SetFirmwareArgument("  fw.bin ");
    Page page("", 0, mediaSense, twoAdapters);
    std::string shown;
    RunModal(page, [&](ui::Dialog& d) {
        shown = d.ItemText(Page::IDC_PATH);
        d.Command(common::IDCANCEL);
    });
    wizard::SetFirmwareArgument("");
    std::filesystem::current_path(previous);
    // Whether or not that file exists.
    EXPECT_EQ(shown, (std::filesystem::canonical(folder) / "fw.bin").string());
}

// The platform's listing: an adapter without an address is offered with the address it will be given, and
// when nothing is usable the advice says what to do on this system instead of messages 143 and 144.
TEST_F(FirmwareAdapterPageTest, AdapterWithoutAddressIsOfferedAndShortageAdviceReplacesTheOldOne) {
    hostnet::EmergencyAdapterList list;
    hostnet::EmergencyAdapter wired;
    std::strcpy(wired.entry.description, "enp3s0 (Intel Corporation 82540EM)");
    wired.entry.address = inet_addr("169.254.7.9");
    wired.interfaceName = "enp3s0";
    wired.interfaceIndex = 3;
    wired.temporaryAddress = true;
    hostnet::EmergencyAdapter wifi;
    std::strcpy(wifi.entry.description, "wlp2s0");
    wifi.entry.address = inet_addr("192.168.0.20");
    wifi.interfaceName = "wlp2s0";
    wifi.interfaceIndex = 4;
    list.adapters = {wired, wifi};
    Page page(firmware, 0, mediaSense);
    page.SetEmergencyLister([&](int capacity) {
        EXPECT_EQ(capacity, Page::kMaxAdapters);
        return list;
    });
    std::vector<std::string> lines;
    EXPECT_EQ(RunModal(page,
                       [&](ui::Dialog& d) {
                           lines = Lines(page);
                           d.Command(common::IDOK);
                       }),
              common::IDOK);
    EXPECT_THAT(lines, ElementsAre("enp3s0 (Intel Corpor (IP:169.254.7.9)", "wlp2s0 (IP:192.168.0.20)"));
    EXPECT_EQ(page.selectedAddress, inet_addr("169.254.7.9"));
    EXPECT_EQ(page.selectedAdapter.interfaceName, "enp3s0");
    EXPECT_EQ(page.selectedAdapter.interfaceIndex, 3u);
    EXPECT_TRUE(page.selectedAdapter.temporaryAddress);

    const unsigned exclamation = common::MB_OK | common::MB_ICONEXCLAMATION;
    for (int answer : {common::IDYES, common::IDNO}) {
        PromptScope scope;
        scope.prompt.Answer(answer);
        Page none(firmware, 0, mediaSense);
        none.SetEmergencyLister([](int) {
            hostnet::EmergencyAdapterList empty;
            empty.shortage = hostnet::AdapterShortage::NoConnectedAdapter;
            return empty;
        });
        EXPECT_EQ(none.DoModal(), common::IDCANCEL);
        const auto boxes = scope.prompt.Boxes();
        ASSERT_EQ(boxes.size(), 2u) << answer;
        EXPECT_EQ(boxes[0].text, res::LoadString(res::StringId::NoAdapterQuestion));
        EXPECT_EQ(boxes[1].text, res::LoadString(res::StringId::NoConnectedAdapterAdvice));
        EXPECT_EQ(boxes[1].type, exclamation);
    }
}
