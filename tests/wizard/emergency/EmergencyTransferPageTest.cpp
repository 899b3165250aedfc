// The emergency transfer page with its real servers, in a network namespace of the test's own.
#include "wizard/emergency/EmergencyTransferPage.h"
#include "ModalScript.h"
#include "RefusingPrivilege.h"
#include "common/fake/ScriptedPrompt.h"
#include "res/Resources.h"
#include "support/GatewayLink.h"
#include "support/PrivateNetwork.h"
#include "support/UdpPeer.h"
#include "ui/GuiPrompt.h"

#include <gmock/gmock.h>

#include <net/if.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

using namespace vornalix;
using namespace vornalix::recovery;
using namespace vornalix::wizard;
using namespace vornalix::recovery::test;
using ::testing::HasSubstr;
using vornalix::testing::PumpUntil;
using vornalix::testing::RunModal;
using vornalix::testing::Wait;

namespace {

using Page = EmergencyTransferPage;

// A port is free again once a socket can bind it.
bool PortFree(const char* address, int port) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(static_cast<std::uint16_t>(port));
    at.sin_addr.s_addr = Address(address);
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0;
    close(fd);
    return bound;
}

class EmergencyTransferPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        VORNALIX_REQUIRE_PRIVATE_NETWORK();
        folder =
            std::filesystem::temp_directory_path() / ("vx-transferpage-" + std::to_string(getpid()) +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder);
        firmware = (folder / "gw_image.bin").string();
        std::ofstream(firmware) << "image";
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    static bool Stopped(const Page& page) {
        return !page.BootServerRunning() && !page.TftpServerRunning() && PortFree("127.0.0.1", 69);
    }

    std::filesystem::path folder;
    std::string firmware;
};

} // namespace

TEST_F(EmergencyTransferPageTest, OpensAskingToRestartTheGatewayAndTellsToPowerCycleAfterATenthOfASecond) {
    Page page(firmware, Address("127.0.0.1"));
    std::string titleAtOpen, statusAtOpen, peerAtOpen, statusSoon, titleLater, statusLater, peerLater;
    bool listening = false;
    std::chrono::milliseconds changedAfter{0};
    int result = RunModal(page, [&](ui::Dialog& d) {
        titleAtOpen = page.BannerTitle();
        statusAtOpen = d.ItemText(Page::IDC_STATUS);
        peerAtOpen = d.ItemText(Page::IDC_PEER);
        listening = page.BootStatus().listening && page.TftpStatus().listening;
        const auto opened = std::chrono::steady_clock::now();
        Wait(std::chrono::milliseconds(30));
        statusSoon = d.ItemText(Page::IDC_STATUS);
        PumpUntil([&] { return !d.ItemText(Page::IDC_STATUS).empty(); }, std::chrono::seconds(3));
        changedAfter = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - opened);
        titleLater = page.BannerTitle();
        statusLater = d.ItemText(Page::IDC_STATUS);
        peerLater = d.ItemText(Page::IDC_PEER);
        d.Command(common::IDCANCEL);
    });
    EXPECT_EQ(result, common::IDCANCEL);
    EXPECT_TRUE(listening) << page.BootStatus().reason << page.TftpStatus().reason;
    EXPECT_EQ(titleAtOpen, res::LoadString(vornalix::res::StringId::RestartGatewayAgain));
    EXPECT_EQ(statusAtOpen, "");
    EXPECT_EQ(peerAtOpen, "");
    EXPECT_EQ(statusSoon, "");
    EXPECT_GE(changedAfter.count(), 90);
    EXPECT_EQ(titleLater, res::LoadString(vornalix::res::StringId::RestartGateway));
    EXPECT_EQ(statusLater, res::LoadString(vornalix::res::StringId::PowerCycleGateway));
    EXPECT_EQ(peerLater, "");
    EXPECT_EQ(page.BannerFontHeight(), 40);
}

TEST_F(EmergencyTransferPageTest, CancelBackEscapeAndCloseStopBothServers) {
    // Cancel, Escape and the close box are the Cancel command; Back is its own.
    for (const int expected : {int{common::IDCANCEL}, wizard::IDC_BACK}) {
        Page page(firmware, Address("127.0.0.1"));
        bool listening = false;
        EXPECT_EQ(RunModal(page,
                           [&](ui::Dialog& d) {
                               listening = page.BootServerRunning() && page.TftpServerRunning();
                               d.Command(expected);
                           }),
                  expected);
        EXPECT_TRUE(listening);
        // Stopped before the page goes, whichever way it was left.
        EXPECT_TRUE(Stopped(page)) << expected;
    }
}

TEST_F(EmergencyTransferPageTest, EnterDoesNotReportASuccess) {
    Page page(firmware, Address("127.0.0.1"));
    bool openAfterEnter = false;
    int result = RunModal(page, [&](ui::Dialog& d) {
        // No push button has the focus: Enter gives the OK command, which is the success button's.
        d.FocusItem(Page::IDC_STATUS);
        d.PressEnter();
        d.PressEnter();
        // The hidden buttons' commands as the keyboard or a stray click would give them.
        d.Command(Page::IDC_SUCCESS);
        d.Command(Page::IDC_DL_FAIL);
        Wait(std::chrono::milliseconds(20));
        openAfterEnter = d.IsVisible();
        d.Command(common::IDCANCEL);
    });
    EXPECT_TRUE(openAfterEnter);
    EXPECT_EQ(result, common::IDCANCEL);
}

TEST_F(EmergencyTransferPageTest, SessionCallsFromAnotherThreadDriveThePageUntilFinishTransfer) {
    Page page(firmware, Address("127.0.0.1"));
    std::thread session;
    bool disabled = false, escapeIgnored = false;
    std::string status, peer;
    int barValue = -1, barMaximum = -1;
    int result = RunModal(page, [&](ui::Dialog& d) {
        session = std::thread([sessions = page.SessionPage()] {
            sessions->SetTitleText(res::LoadString(vornalix::res::StringId::UpdatingFirmwareTitle));
            sessions->SetStatusText(res::LoadString(vornalix::res::StringId::UpdatingFirmware));
            sessions->SetPeerText("From host \"127.0.0.1\" to Gateway \"127.0.0.2\" ");
            sessions->PostUpdate();
            sessions->InvalidateTitle();
            sessions->SetProgressRange(0, 10);
            sessions->SetProgressStep(1);
            sessions->SetProgressPos(4);
            sessions->SetProgressPos(25); // held at the end of the range
            sessions->DisableBackAndCancel();
        });
        PumpUntil([&] { return !d.IsItemEnabled(common::IDCANCEL); }, std::chrono::seconds(5));
        session.join();
        Wait(std::chrono::milliseconds(150)); // past the start-up timer: the session's texts stay
        disabled = !d.IsItemEnabled(common::IDCANCEL) && !d.IsItemEnabled(wizard::IDC_BACK);
        d.Command(common::IDCANCEL); // Escape and the close box
        escapeIgnored = d.IsVisible();
        status = d.ItemText(Page::IDC_STATUS);
        peer = d.ItemText(Page::IDC_PEER);
        barValue = d.ItemProgress(Page::IDC_PROGRESS).pos();
        barMaximum = d.ItemProgress(Page::IDC_PROGRESS).high();
        session = std::thread([&page] { page.SessionPage()->FinishTransfer(TransferOutcome::Failed); });
    });
    session.join();
    EXPECT_EQ(result, Page::kTransferFailed);
    EXPECT_TRUE(disabled);
    EXPECT_TRUE(escapeIgnored);
    EXPECT_EQ(page.BannerTitle(), res::LoadString(vornalix::res::StringId::UpdatingFirmwareTitle));
    EXPECT_EQ(status, res::LoadString(vornalix::res::StringId::UpdatingFirmware));
    EXPECT_EQ(peer, "From host \"127.0.0.1\" to Gateway \"127.0.0.2\" ");
    EXPECT_EQ(barValue, 10);
    EXPECT_EQ(barMaximum, 10);
    EXPECT_EQ(page.ProgressBar().step(), 1);
    EXPECT_TRUE(Stopped(page));
}

// Sessions keep calling while the page closes and after it is gone: no call reaches the closed page, none
// waits for it, and closing does not wait for them.
TEST_F(EmergencyTransferPageTest, SessionsThatOutliveThePageNeverReachIt) {
    Page::Options options;
    options.startServers = false;
    auto page = std::make_unique<Page>(firmware, Address("127.0.0.1"), options);
    const std::shared_ptr<ProgressPage> sessions = page->SessionPage();
    std::atomic<bool> closed{false}, stop{false};
    std::atomic<int> callsAfterClose{0};
    std::vector<std::thread> threads;
    bool moving = false;
    const int result = RunModal(*page, [&](ui::Dialog& d) {
        sessions->SetProgressRange(0, 1000);
        for (int i = 0; i < 3; ++i)
            threads.emplace_back([&] {
                for (int n = 1; !stop; ++n) {
                    sessions->SetProgressPos(n % 1000);
                    sessions->SetTitleText("call " + std::to_string(n));
                    sessions->PostUpdate();
                    sessions->InvalidateTitle();
                    if (closed)
                        ++callsAfterClose;
                    std::this_thread::yield();
                }
            });
        moving = PumpUntil([&] { return page->ProgressBar().pos() > 0; }, std::chrono::seconds(5));
        d.Command(common::IDCANCEL);
    });
    closed = true;
    const int position = page->ProgressBar().pos();
    const std::string title = page->BannerTitle();
    EXPECT_TRUE(PumpUntil([&] { return callsAfterClose > 200; }, std::chrono::seconds(5)));
    sessions->FinishTransfer(TransferOutcome::Succeeded);
    Wait(std::chrono::milliseconds(50));
    EXPECT_TRUE(moving);
    EXPECT_EQ(result, common::IDCANCEL);
    EXPECT_EQ(page->ProgressBar().pos(), position);
    EXPECT_EQ(page->BannerTitle(), title);
    page.reset();
    const int before = callsAfterClose;
    EXPECT_TRUE(PumpUntil([&] { return callsAfterClose > before + 200; }, std::chrono::seconds(5)));
    stop = true;
    for (auto& thread : threads)
        thread.join();
}

// A session waits for the page's thread, which is busy closing the page and serves no events: closing releases
// the session instead of waiting for it.
TEST_F(EmergencyTransferPageTest, ClosingReleasesASessionWaitingForThePage) {
    Page::Options options;
    options.startServers = false;
    auto page = std::make_unique<Page>(firmware, Address("127.0.0.1"), options);
    page->InitializeForDisplay();
    const std::shared_ptr<ProgressPage> sessions = page->SessionPage();
    std::atomic<bool> returned{false};
    std::thread session([&] {
        sessions->SetProgressRange(0, 10);
        sessions->FinishTransfer(TransferOutcome::Succeeded);
        returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(returned);
    page.reset();
    session.join();
    EXPECT_TRUE(returned);
}

TEST_F(EmergencyTransferPageTest, ServerThatCannotListenSaysWhy) {
    // Another TFTP server holds port 69.
    {
        const UdpPeer holder("127.0.0.1", 69);
        Page page(firmware, Address("127.0.0.1"));
        std::string status, peer;
        int result = RunModal(page, [&](ui::Dialog& d) {
            PumpUntil([&] { return !d.ItemText(Page::IDC_STATUS).empty(); }, std::chrono::seconds(3));
            status = d.ItemText(Page::IDC_STATUS);
            peer = d.ItemText(Page::IDC_PEER);
            d.Command(wizard::IDC_BACK);
        });
        EXPECT_EQ(result, wizard::IDC_BACK);
        EXPECT_TRUE(page.BootStatus().listening);
        EXPECT_EQ(page.TftpStatus().failure, ListenFailure::PortInUse);
        EXPECT_THAT(status, HasSubstr("UDP port 69 on 127.0.0.1"));
        EXPECT_THAT(status, HasSubstr("another server already uses this port"));
        EXPECT_EQ(peer, "");
        EXPECT_FALSE(page.BootServerRunning());
    }
    // No adapter holds the address: both servers say so.
    Page page(firmware, Address("192.0.2.1"));
    std::string status, peer;
    RunModal(page, [&](ui::Dialog& d) {
        PumpUntil([&] { return !d.ItemText(Page::IDC_STATUS).empty(); }, std::chrono::seconds(3));
        status = d.ItemText(Page::IDC_STATUS);
        peer = d.ItemText(Page::IDC_PEER);
        d.Command(common::IDCANCEL);
    });
    EXPECT_THAT(status, HasSubstr("BOOTP"));
    EXPECT_THAT(status, HasSubstr("no network adapter holds this address"));
    EXPECT_THAT(status, HasSubstr("\nTFTP"));
    EXPECT_EQ(peer, "");

    // In Japanese, in Japanese.
    res::OverrideLanguage(res::Language::Japanese);
    Page japanese(firmware, Address("192.0.2.1"));
    RunModal(japanese, [&](ui::Dialog& d) {
        PumpUntil([&] { return !d.ItemText(Page::IDC_STATUS).empty(); }, std::chrono::seconds(3));
        status = d.ItemText(Page::IDC_STATUS);
        peer = d.ItemText(Page::IDC_PEER);
        d.Command(common::IDCANCEL);
    });
    res::OverrideLanguage(res::Language::English);
    EXPECT_EQ(status, "BOOTP サーバー: 192.0.2.1 の UDP ポート 67 を使用できません。"
                      "このアドレスを持つネットワーク アダプターがありません。\n"
                      "TFTP サーバー: 192.0.2.1 の UDP ポート 69 を使用できません。"
                      "このアドレスを持つネットワーク アダプターがありません。");
}

// The gateway's boot loader, simulated behind a veth pair, fetches param.ini and then the image.
TEST_F(EmergencyTransferPageTest, BootLoaderFetchesTheFirmwareAndThePageClosesWithSuccess) {
    if (!MayCreateNamespaces())
        GTEST_SKIP() << "needs the test runner's private namespace";
    GatewayLink link("p", {"192.168.1.1/24"});
    ASSERT_TRUE(link.ok()) << link.setupLog;
    const Bytes image = RandomBytes(300'000, 7);
    std::ofstream(firmware, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    std::ofstream(folder / "param.ini") << "code=gw_image.bin\n";

    Page page(firmware, Address("192.168.1.1"));
    std::string simulator;
    int simulatorExit = -1;
    std::thread gateway;
    const auto start = std::chrono::steady_clock::now();
    int result = RunModal(page, [&](ui::Dialog&) {
        gateway = std::thread([&] {
            simulatorExit =
                link.RunInGateway(std::string(VORNALIX_BOOTLOADER_SIM) + " --interface " + link.gatewayInterface +
                                      " --param-ini --interval-ms 300 --expect-size 300000",
                                  &simulator);
        });
    });
    gateway.join();
    EXPECT_EQ(result, common::IDOK) << simulator;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
    EXPECT_EQ(simulatorExit, 0) << simulator;
    EXPECT_THAT(simulator, HasSubstr("file GW_IMAGE.BIN"));
    EXPECT_THAT(simulator, HasSubstr("verified"));
    EXPECT_EQ(page.BannerTitle(), res::LoadString(vornalix::res::StringId::UpdatingFirmwareTitle));
    EXPECT_EQ(page.ItemText(Page::IDC_PEER), "From host \"192.168.1.1\" to Gateway \"192.168.1.2\" ");
    EXPECT_FALSE(page.IsItemEnabled(common::IDCANCEL));
    EXPECT_FALSE(page.IsItemEnabled(wizard::IDC_BACK));
    EXPECT_EQ(page.ProgressBar().pos(), page.ProgressBar().high());
    EXPECT_FALSE(page.BootServerRunning());
    EXPECT_FALSE(page.TftpServerRunning());
}

// The boot loader fetched a param.ini that names the image and then asked for nothing more: once no session
// runs, Cancel is enabled again and ends the page.
TEST_F(EmergencyTransferPageTest, CancelComesBackWhenNoSessionRunsAndNothingFinished) {
    std::ofstream(folder / "param.ini") << "code=gw_image.bin\n";
    Page::Options options;
    options.timings = {1, 2, std::chrono::microseconds(1000)};
    Page page(firmware, Address("127.0.0.1"), options);
    bool fetched = false, disabledMeanwhile = false, enabledAgain = false;
    std::thread worker;
    int result = RunModal(page, [&](ui::Dialog& d) {
        std::atomic<bool> done{false};
        worker = std::thread([&] {
            const UdpPeer loader;
            loader.SendTo(Request(1, "PARAM.INI"), 69);
            fetched = ReadAll(loader).has_value();
            done = true;
        });
        PumpUntil([&] { return done.load(); }, std::chrono::seconds(5));
        worker.join();
        // The session disabled Back and Cancel (its calls may still be on their way when the fetch is done).
        disabledMeanwhile = PumpUntil([&] { return !d.IsItemEnabled(wizard::IDC_BACK); }, std::chrono::seconds(3));
        enabledAgain = PumpUntil([&] { return d.IsItemEnabled(common::IDCANCEL); }, std::chrono::seconds(3));
        if (enabledAgain)
            d.Command(common::IDCANCEL);
        else
            worker = std::thread([&page] { page.SessionPage()->FinishTransfer(TransferOutcome::Failed); });
    });
    if (worker.joinable())
        worker.join();
    EXPECT_TRUE(fetched);
    EXPECT_TRUE(disabledMeanwhile);
    EXPECT_TRUE(enabledAgain);
    EXPECT_EQ(result, common::IDCANCEL);
    EXPECT_TRUE(Stopped(page));
}

// A request for a file that is not there: the session fails after 20 s of silence and the page closes with 4.
TEST_F(EmergencyTransferPageTest, RequestForAMissingFileClosesThePageWithFailureAfterTwentySeconds) {
    Page page(firmware, Address("127.0.0.1"));
    UdpPeer client;
    std::optional<Datagram> answer;
    const auto start = std::chrono::steady_clock::now();
    int result = RunModal(page, [&](ui::Dialog&) {
        client.SendTo(Request(1, "NOFILE.BIN"), 69);
        answer = client.Receive();
    });
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result, Page::kTransferFailed);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->opcode(), 5);
    EXPECT_GE(took, std::chrono::seconds(19));
    EXPECT_LT(took, std::chrono::seconds(25));
    EXPECT_TRUE(Stopped(page));
}

// The boot loader has the whole image but its last ACK never comes: the last block goes out again within the
// silence, then the page closes with 5, not as failed.
TEST_F(EmergencyTransferPageTest, ImageWhoseLastAckNeverComesClosesThePageAsNotConfirmed) {
    Page::Options options;
    options.timings = {1, 3, std::chrono::microseconds(1000)};
    Page page(firmware, Address("127.0.0.1"), options);
    std::vector<Datagram> received;
    std::thread loader;
    const auto start = std::chrono::steady_clock::now();
    int result = RunModal(page, [&](ui::Dialog&) {
        loader = std::thread([&] {
            const UdpPeer peer;
            peer.SendTo(Request(1, "GW_IMAGE.BIN"), 69);
            for (auto data = peer.Receive(); data; data = peer.Receive(std::chrono::milliseconds(1500)))
                received.push_back(*data);
        });
    });
    loader.join();
    EXPECT_EQ(result, Page::kTransferNotConfirmed);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2900));
    ASSERT_EQ(received.size(), 3u); // the block and two resends, one a second
    for (const Datagram& data : received)
        EXPECT_EQ(data.bytes, DataPacket(1, Text("image")));
    EXPECT_TRUE(Stopped(page));
}

// An adapter without an address: the page gives it the temporary address while it is open, the boot loader
// fetches the image from there, and the address is gone when the page has closed.
TEST_F(EmergencyTransferPageTest, AdapterHeldWithATemporaryAddressWhileThePageIsOpen) {
    if (!MayCreateNamespaces())
        GTEST_SKIP() << "needs the test runner's private namespace";
    GatewayLink link("t", {});
    ASSERT_TRUE(link.ok()) << link.setupLog;
    const auto addressesOfHost = [&] {
        std::string output;
        RunCommand("ip -4 -o addr show dev " + link.hostInterface, &output);
        return output;
    };
    Page page(firmware, Address("169.254.20.7"));
    page.HoldAdapter(link.hostInterface, static_cast<std::uint32_t>(if_nametoindex(link.hostInterface.c_str())), true);
    std::string simulator, whileOpen;
    int simulatorExit = -1;
    std::thread gateway;
    int result = RunModal(page, [&](ui::Dialog&) {
        PumpUntil([&] { return (whileOpen = addressesOfHost()).find("169.254.") != std::string::npos; },
                  std::chrono::seconds(5));
        gateway = std::thread([&] {
            simulatorExit = link.RunInGateway(std::string(VORNALIX_BOOTLOADER_SIM) + " --interface " +
                                                  link.gatewayInterface + " --interval-ms 300 --expect-size 5",
                                              &simulator);
        });
    });
    gateway.join();
    EXPECT_EQ(result, common::IDOK) << simulator;
    EXPECT_EQ(simulatorExit, 0) << simulator;
    // The helper chose the address, checked free on the link; the servers answered from it.
    const auto at = whileOpen.find("inet 169.254.");
    ASSERT_NE(at, std::string::npos) << whileOpen;
    const std::string address = whileOpen.substr(at + 5, whileOpen.find('/', at) - at - 5);
    EXPECT_THAT(simulator, HasSubstr("siaddr " + address));
    EXPECT_EQ(addressesOfHost(), "");
}

// Whoever should hold the adapter refuses (here: no administrator's permission): the page says why in one
// sentence that ends with the command to run instead, in both languages, wrapped at the dialog's own font size
// over the room of the peer line and the progress bar, selectable, and Back leads back to the adapter page.
TEST_F(EmergencyTransferPageTest, RefusedHoldIsExplainedInReadableSelectableText) {
    for (const auto language : {res::Language::English, res::Language::Japanese}) {
        res::OverrideLanguage(language);
        const std::string expected =
            res::FormatString(res::StringId::HelperNotAuthorized, {hostnet::RecoverCommand("eth7", firmware)});
        Page::Options options;
        options.privilege = std::make_shared<vornalix::testing::RefusingPrivilege>();
        Page page(firmware, Address("192.168.1.1"), options);
        page.HoldAdapter("eth7", 7, false);
        std::string status;
        bool readable = false;
        const int result = RunModal(page, [&](ui::Dialog& d) {
            PumpUntil([&] { return !d.ItemText(Page::IDC_STATUS).empty(); }, std::chrono::seconds(3));
            status = d.ItemText(Page::IDC_STATUS);
            // The text takes the place of the peer line and the bar (the Qt tests look at its font and wrapping).
            const ui::Rect room = d.ItemRect(Page::IDC_STATUS);
            readable = room.Bottom() >= d.ItemRect(Page::IDC_PROGRESS).Bottom() && !d.IsItemShown(Page::IDC_PEER) &&
                       !d.IsItemShown(Page::IDC_PROGRESS);
            d.Command(IDC_BACK);
        });
        res::OverrideLanguage(res::Language::English);
        EXPECT_EQ(result, IDC_BACK);
        EXPECT_TRUE(readable) << status;
        EXPECT_THAT(status, HasSubstr(" eth7 '" + firmware + "'"));
        EXPECT_EQ(status, expected);
        EXPECT_FALSE(page.BootServerRunning());
    }
}

// The holder goes away while the page waits for the gateway (the helper was killed): the servers stop, the user is
// told in a box that names the command to run instead, and the page ends as a failed transfer.
TEST_F(EmergencyTransferPageTest, LostHolderEndsThePageAsFailed) {
    class Vanishing : public hostnet::AdapterPrivilege {
    public:
        bool Hold(const std::string& name, std::uint32_t, const std::string&, hostnet::HeldAdapter& held,
                  std::string&) override {
            held.interfaceName = name;
            held.address = Address("127.0.0.1");
            held.prefixLength = 8;
            return true;
        }
        bool Open(const std::string& name, std::uint32_t address, const std::string& instead,
                  hostnet::HeldAdapter& held, std::string& failure) override {
            return Hold(name, address, instead, held, failure);
        }
        void End() override {}
        bool Lost() override { return ++asked > 2; }
        int asked = 0;
    };
    common::ScriptedPrompt boxes;
    ui::SetAppPrompt(&boxes);
    Page::Options options;
    options.privilege = std::make_shared<Vanishing>();
    Page page(firmware, Address("127.0.0.1"), options);
    page.HoldAdapter("lo", 1, false);
    bool listened = false;
    const int result = RunModal(page, [&](ui::Dialog&) {
        listened = PumpUntil([&] { return page.TftpServerRunning(); }, std::chrono::seconds(3));
    });
    ui::SetAppPrompt(nullptr);
    EXPECT_TRUE(listened);
    EXPECT_EQ(result, Page::kTransferFailed);
    EXPECT_TRUE(Stopped(page));
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text,
              res::FormatString(res::StringId::HelperEnded, {hostnet::RecoverCommand("lo", firmware)}));
}
