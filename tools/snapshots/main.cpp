// vornalix-snapshots OUTDIR: renders every page and message box, in English and in Japanese,
// offscreen, to PNG files named by dialog id and language.
#include "app/WizardApp.h"
#include "res/Resources.h"
#include "ui/AppIcon.h"
#include "ui/Dialog.h"
#include "ui/DialogColors.h"
#include "ui/GuiPrompt.h"
#include "web/GatewayHttpSession.h"
#include "wizard/FinalPage.h"
#include "wizard/ModePage.h"
#include "wizard/OutcomePage.h"
#include "wizard/PageFactory.h"
#include "wizard/WelcomePage.h"
#include "wizard/emergency/EmergencyTransferPage.h"
#include "wizard/emergency/FirmwareAdapterPage.h"
#include "wizard/normal/FirmwareFilePage.h"
#include "wizard/normal/GatewayAddressPage.h"
#include "wizard/normal/GatewayInfoPage.h"
#include "wizard/normal/PasswordDialog.h"
#include "wizard/normal/UploadProgressPage.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include <arpa/inet.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace vornalix;

namespace {

struct PageShot {
    std::string name; // file name stem, e.g. "105-retry-next"
    std::function<std::unique_ptr<ui::Dialog>()> create;
};

struct MessageShot {
    std::string name;
    std::function<std::string()> text;
    unsigned type;
};

const char* const kSampleFirmware = "/home/user/qel-r130.bin";

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
    page->SetPos(40);
    for (int code : codes)
        page->OnUploadStatus(code);
    return page;
}

// Media sensing needs no change: the adapter page opens without questions.
class SettledMediaSense : public hostnet::MediaSenseControl {
public:
    int DisableMediaSenseNt5() override { return 1; }
    int DisableMediaSenseMe() override { return 1; }
    int RestoreMediaSenseNt5() override { return 1; }
    int RestoreMediaSenseMe() override { return 1; }
};

SettledMediaSense& MediaSense() {
    static SettledMediaSense settled;
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

// The transfer page without servers: 0 as it opens, 1 waiting for the gateway, 2 transferring.
std::unique_ptr<ui::Dialog> TransferPageAt(int stage) {
    using res::LoadString;
    auto page = std::make_unique<wizard::EmergencyTransferPage>(kSampleFirmware, inet_addr("192.168.1.1"),
                                                                wizard::EmergencyTransferPage::Options{{}, false});
    page->InitializeForDisplay();
    if (stage == 1) {
        page->SetTitleText(LoadString(res::StringId::RestartGateway));
        page->SetStatusText(LoadString(res::StringId::PowerCycleGateway));
    }
    if (stage == 2) {
        page->SetTitleText(LoadString(res::StringId::UpdatingFirmwareTitle));
        page->SetStatusText(LoadString(res::StringId::UpdatingFirmware));
        page->SetPeerText("From host \"192.168.1.1\" to Gateway \"192.168.1.2\" ");
        page->SetProgressRange(0, 10);
        page->SetProgressPos(4);
        page->DisableBackAndCancel();
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
    };
    for (int id : res::DialogIds())
        pages.push_back({std::to_string(id) + "-template", [id] { return std::make_unique<RawDialog>(id); }});
    return pages;
}

std::vector<MessageShot> Messages() {
    return {
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
    };
}

bool Save(QWidget& widget, const QString& path) {
    QPixmap image = widget.grab();
    if (!image.save(path)) {
        std::fprintf(stderr, "vornalix-snapshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 || std::string(argv[1]) == "--help") {
        const bool asked = argc == 2;
        std::fprintf(asked ? stdout : stderr,
                     "usage: vornalix-snapshots OUTDIR\n"
                     "Renders every page and message box in English and Japanese to OUTDIR/*.png.\n");
        return asked ? 0 : 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ui::SetApplicationNameFromPath(QStringLiteral("vornalix"));
    QApplication::setWindowIcon(ui::AppIcon());
    QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "vornalix-snapshots: cannot create %s\n", argv[1]);
        return 1;
    }
    ui::SetDialogColors(ui::StartupBackground(), QColor(0, 0, 0));
    wizard::PageFactory factory;
    bool ok = true;
    for (auto [language, tag] : {std::pair{res::Language::English, "en"}, std::pair{res::Language::Japanese, "ja"}}) {
        res::OverrideLanguage(language);
        for (const auto& shot : Pages(factory)) {
            auto page = shot.create();
            page->InitializeForDisplay();
            page->show();
            QApplication::processEvents();
            ok &= Save(*page,
                       out.filePath(QStringLiteral("dialog%1-%2.png").arg(QString::fromStdString(shot.name), tag)));
            page->hide();
        }
        {
            wizard::PasswordDialog password("default");
            password.show();
            QApplication::processEvents();
            ok &= Save(password, out.filePath(QStringLiteral("password-%1.png").arg(tag)));
        }
        for (const auto& shot : Messages()) {
            auto box = ui::BuildMessageBox(shot.text(), shot.type);
            box->show();
            QApplication::processEvents();
            ok &= Save(*box,
                       out.filePath(QStringLiteral("message%1-%2.png").arg(QString::fromStdString(shot.name), tag)));
            box->hide();
        }
    }
    return ok ? 0 : 1;
}
