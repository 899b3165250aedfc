#include "Shots.h"
#include "app/wizard/WizardApp.h"
#include "common/Socket.h"
#include "hostnet/AdapterPrivilege.h"
#include "hostnet/fake/SettledMediaSense.h"
#include "recovery/ListenStatus.h"
#include "res/Resources.h"
#include "ui/Dialog.h"
#include "web/FirmwareFile.h"
#include "web/GatewayHttpSession.h"
#include "web/NetworkFailure.h"
#include "wizard/FinalPage.h"
#include "wizard/FirmwareFile.h"
#include "wizard/ModePage.h"
#include "wizard/OutcomePage.h"
#include "wizard/PageFactory.h"
#include "wizard/WelcomePage.h"
#include "wizard/emergency/EmergencyTransferPage.h"
#include "wizard/emergency/FirmwareAdapterPage.h"
#include "wizard/normal/FirmwareFilePage.h"
#include "wizard/normal/GatewayAddressPage.h"
#include "wizard/normal/GatewayInfoPage.h"
#include "wizard/normal/UploadProgressPage.h"

#include <cerrno>
#include <cstdio>
#include <tuple>

namespace vornalix::snapshots {

using namespace vornalix;

const char* const kSampleFirmware = "/home/user/qel-r130.bin";

namespace {

// The information page as it looks once the query has answered; the snapshot runs no query.
class ShownInfoPage : public wizard::GatewayInfoPage {
public:
    explicit ShownInfoPage(web::GatewayHttpSession& session) : GatewayInfoPage(session) {
        hardwareText = "1.02";
        softwareText = "R1.20 WEB Mar. 12, 2002";
    }

protected:
    bool OnCommand(int id) override { return id == IDC_DELAY || GatewayInfoPage::OnCommand(id); }
};

// The upload page after the worker reported the given stages, with the bar at 40 %.
std::unique_ptr<ui::Dialog> UploadPageAt(web::GatewayHttpSession& session, std::vector<int> codes) {
    session.firmwarePath = kSampleFirmware;
    auto page = std::make_unique<wizard::UploadProgressPage>(session);
    page->InitializeForDisplay();
    page->SetProgressPos(40);
    for (int code : codes)
        page->OnUploadStatus(code);
    return page;
}

hostnet::SettledMediaSense& MediaSense() {
    static hostnet::SettledMediaSense settled;
    return settled;
}

int SampleAdapters(hostnet::AdapterEntry* table, int capacity) {
    const std::pair<const char*, const char*> rows[] = {{"eth0 (Intel PRO/1000 MT)", "192.168.1.1"},
                                                        {"enp3s0 (Realtek RTL8111)", "10.0.0.5"}};
    int count = 0;
    for (auto [description, address] : rows) {
        if (count == capacity)
            break;
        std::snprintf(table[count].description, sizeof table[count].description, "%s", description);
        table[count].address = inet_addr(address);
        ++count;
    }
    return count;
}

// The transfer page without servers: 0 as it opens, 1 waiting for the gateway, 2 transferring,
// 3 with servers that could not listen.
std::unique_ptr<ui::Dialog> TransferPageAt(int stage) {
    using res::LoadString;
    auto page = std::make_unique<wizard::EmergencyTransferPage>(
        kSampleFirmware, inet_addr("192.168.1.1"), wizard::EmergencyTransferPage::Options{{}, false, nullptr});
    page->InitializeForDisplay();
    const auto sessions = page->SessionPage();
    if (stage == 1) {
        sessions->SetTitleText(LoadString(res::StringId::RestartGateway));
        sessions->SetStatusText(LoadString(res::StringId::PowerCycleGateway));
    }
    if (stage == 2) {
        sessions->SetTitleText(LoadString(res::StringId::UpdatingFirmwareTitle));
        sessions->SetStatusText(LoadString(res::StringId::UpdatingFirmware));
        sessions->SetPeerText("From host \"192.168.1.1\" to Gateway \"192.168.1.2\" ");
        sessions->SetProgressRange(0, 10);
        sessions->SetProgressPos(4);
        sessions->DisableBackAndCancel();
    }
    if (stage == 3) {
        using recovery::ListenFailure;
        using recovery::ListenStatus;
        sessions->SetTitleText(LoadString(res::StringId::RestartGateway));
        const std::string notice =
            recovery::ListenFailureText(ListenStatus::Failed(ListenFailure::PortInUse, EADDRINUSE, ""), "BOOTP", 67,
                                        "192.168.1.1") +
            "\n" +
            recovery::ListenFailureText(ListenStatus::Failed(ListenFailure::PermissionDenied, EACCES, ""), "TFTP", 69,
                                        "192.168.1.1");
        sessions->SetStatusText(notice);
        page->ShowNotice(wizard::EmergencyTransferPage::IDC_STATUS,
                         {wizard::EmergencyTransferPage::IDC_PEER, wizard::EmergencyTransferPage::IDC_PROGRESS},
                         notice);
    }
    if (stage == 4) {
        // No administrator's permission for the adapter: what to run instead.
        const std::string notice =
            res::FormatString(res::StringId::HelperNotAuthorized, {hostnet::RecoverCommand("eth0", kSampleFirmware)});
        sessions->SetTitleText(LoadString(res::StringId::RestartGateway));
        sessions->SetStatusText(notice);
        page->ShowNotice(wizard::EmergencyTransferPage::IDC_STATUS,
                         {wizard::EmergencyTransferPage::IDC_PEER, wizard::EmergencyTransferPage::IDC_PROGRESS},
                         notice);
    }
    page->UpdateData(false);
    return page;
}

// A page of a template as it is built, before any page code runs: shows the templates' own texts.
class RawDialog : public ui::Dialog {
public:
    using ui::Dialog::Dialog;
};

web::GatewayHttpSession& Session() {
    static web::GatewayHttpSession session;
    return session;
}

// Boxes whose texts our own code words (beyond the string table's own sentences): the firmware
// file's problems, the worker thread, and the network failure classes.
void AddWordedMessages(std::vector<MessageShot>& shots) {
    const unsigned exclamation = common::MB_OK | common::MB_ICONEXCLAMATION;
    const std::string path = kSampleFirmware;
    const std::pair<const char*, int> fileErrors[] = {{"not-found", ENOENT},
                                                      {"folder", EISDIR},
                                                      {"access-denied", EACCES},
                                                      {"not-regular", web::FirmwareFile::kNotRegular},
                                                      {"other", EIO}};
    for (auto [name, error] : fileErrors)
        shots.push_back(
            {std::string("-file-") + name, [path, error] { return web::FileErrorText(path, error); }, exclamation});
    shots.push_back({"-file-empty", [path] { return web::EmptyFileText(path); }, exclamation});
    shots.push_back({"-file-read-error",
                     [path] {
                         return res::FormatString(res::StringId::FileReadError, {path, "5"});
                     },
                     exclamation});
    shots.push_back(
        {"-file-shrunk", [path] { return res::FormatString(res::StringId::FileShrunk, {path}); }, exclamation});
    shots.push_back({"-file-too-large",
                     [path] {
                         return res::FormatString(res::StringId::FileTooLarge,
                                                  {path, "1048576", std::to_string(web::kLegacyImageSize)});
                     },
                     exclamation});
    shots.push_back({"-no-thread", [] { return res::FormatString(res::StringId::NoWorkerThread, {"11"}); },
                     common::MB_OK | common::MB_ICONINFORMATION});
    const std::tuple<const char*, web::NetworkFailure, int, long> failures[] = {
        {"refused", web::NetworkFailure::Refused, 7, ECONNREFUSED},
        {"unreachable", web::NetworkFailure::Unreachable, 7, EHOSTUNREACH},
        {"name", web::NetworkFailure::NameNotResolved, 6, 0},
        {"timed-out", web::NetworkFailure::TimedOut, 28, 0},
        {"reset", web::NetworkFailure::Reset, 56, ECONNRESET},
        {"protocol", web::NetworkFailure::ProtocolError, 8, 0},
    };
    for (auto [name, failure, curlCode, osErrno] : failures) {
        shots.push_back({std::string("-reachability-") + name,
                         [curlCode, osErrno] { return web::ConnectionErrorText(curlCode, osErrno); },
                         common::MB_RETRYCANCEL | common::MB_ICONEXCLAMATION});
        shots.push_back({std::string("-connection-failed-") + name,
                         [failure] {
                             Session().serverName = "192.168.1.1";
                             return Session().ConnectionFailureText(failure);
                         },
                         exclamation});
    }
}

} // namespace

std::vector<PageShot> Pages(wizard::PageFactory& factory) {
    using res::LoadString;
    std::vector<PageShot> pages = {
        {"102", [&factory] { return std::make_unique<wizard::WelcomePage>(factory); }},
        {"139", [] { return std::make_unique<wizard::ModePage>(); }},
        {"105-normal-failed",
         [] {
             return std::make_unique<wizard::OutcomePage>(40, LoadString(res::StringId::UpgradeFailedTitle),
                                                          LoadString(res::StringId::UpgradeFailedText),
                                                          wizard::kLayoutRetryExit);
         }},
        {"105-check-status",
         [] {
             return std::make_unique<wizard::OutcomePage>(40, LoadString(res::StringId::CheckStatusTitle),
                                                          LoadString(res::StringId::TestLedCheckText),
                                                          wizard::kLayoutRetryNext);
         }},
        {"105-check-status-not-confirmed",
         [] {
             return std::make_unique<wizard::OutcomePage>(40, LoadString(res::StringId::CheckStatusTitle),
                                                          LoadString(res::StringId::TransferNotConfirmedNote) + "\n" +
                                                              LoadString(res::StringId::TestLedCheckText),
                                                          wizard::kLayoutRetryNext);
         }},
        {"105-complete",
         [] {
             return std::make_unique<wizard::OutcomePage>(40, LoadString(res::StringId::UpdateCompleteTitle),
                                                          LoadString(res::StringId::UpdateCompleteText),
                                                          wizard::kLayoutExitReminder);
         }},
        {"105-emergency-failed",
         [] {
             return std::make_unique<wizard::OutcomePage>(40, LoadString(res::StringId::EmergencyFailedTitle),
                                                          LoadString(res::StringId::EmergencyFailedText),
                                                          wizard::kLayoutTemplate);
         }},
        {"106",
         [] {
             return std::make_unique<wizard::FinalPage>(LoadString(res::StringId::UpgradeSucceededText),
                                                        wizard::kLayoutRetryExit);
         }},
        {"140", [] { return std::make_unique<wizard::GatewayAddressPage>(Session(), wizard::kDefaultGatewayUrl); }},
        {"141", [] { return std::make_unique<ShownInfoPage>(Session()); }},
        {"142", [] { return std::make_unique<wizard::FirmwareFilePage>(kSampleFirmware); }},
        {"143", [] { return std::make_unique<wizard::UploadProgressPage>(Session()); }},
        {"143-uploading", [] { return UploadPageAt(Session(), {100}); }},
        {"143-programming",
         [] {
             return UploadPageAt(Session(), {100, 102});
         }},
        {"143-restarting",
         [] {
             return UploadPageAt(Session(), {100, 102, 103});
         }},
        {"143-checking",
         [] {
             return UploadPageAt(Session(), {100, 102, 103, 104});
         }},
        {"103",
         [] {
             return std::make_unique<wizard::FirmwareAdapterPage>(kSampleFirmware, 0, MediaSense(), SampleAdapters);
         }},
        {"104", [] { return TransferPageAt(0); }},
        {"104-waiting", [] { return TransferPageAt(1); }},
        {"104-updating", [] { return TransferPageAt(2); }},
        {"104-listen-failure", [] { return TransferPageAt(3); }},
        {"104-helper-refused", [] { return TransferPageAt(4); }},
    };
    for (int id : res::DialogIds())
        pages.push_back({std::to_string(id) + "-template", [id] { return std::make_unique<RawDialog>(id); }});
    return pages;
}

std::vector<MessageShot> Messages() {
    std::vector<MessageShot> shots = {
        {"152-power-cycle", [] { return res::LoadString(res::StringId::RestartReminder); },
         common::MB_OK | common::MB_ICONEXCLAMATION},
        {"socket-startup", [] { return app::SocketStartupFailureText(); }, common::MB_OK | common::MB_ICONEXCLAMATION},
        {"114-no-adapter", [] { return res::LoadString(res::StringId::NoAdapterQuestion); },
         common::MB_YESNO | common::MB_ICONEXCLAMATION},
        {"143-no-address", [] { return res::LoadString(res::StringId::NoAddressAdvice); },
         common::MB_OK | common::MB_ICONEXCLAMATION},
        {"109-media-sense", [] { return res::LoadString(res::StringId::MediaSenseEnableQuestion); },
         common::MB_YESNO | common::MB_ICONEXCLAMATION},
        {"123-no-gateway", [] { return res::LoadString(res::StringId::CouldNotConnect); },
         common::MB_OK | common::MB_ICONEXCLAMATION},
        {"144-no-adapter-advice", [] { return res::LoadString(res::StringId::NoAdapterAdvice); },
         common::MB_OK | common::MB_ICONEXCLAMATION},
        {"112-media-sense-restore", [] { return res::LoadString(res::StringId::MediaSenseRestoreQuestion); },
         common::MB_YESNO | common::MB_ICONEXCLAMATION},
    };
    AddWordedMessages(shots);
    return shots;
}

bool HasOwnText(const MessageShot& shot, res::Language language) {
    if (language == res::Language::English)
        return true;
    res::OverrideLanguage(res::Language::English);
    const std::string english = shot.text();
    res::OverrideLanguage(language);
    return shot.text() != english;
}

} // namespace vornalix::snapshots
