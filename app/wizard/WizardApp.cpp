#include "app/wizard/WizardApp.h"
#include "common/Socket.h"
#include "res/Resources.h"
#include "ui/DialogColors.h"
#include "ui/GuiPrompt.h"
#include "wizard/WelcomePage.h"

namespace vornalix::app {

std::string SocketStartupFailureText() {
    return res::CurrentLanguage() == res::Language::Japanese
               ? "ネットワークソケットを初期化できませんでした。\nVornalix はネットワーク機能なしでは動作できません。"
               : "Network sockets could not be initialized.\nVornalix cannot run without them.";
}

WizardApp::WizardApp() = default;
WizardApp::~WizardApp() = default;

bool WizardApp::StartSockets() {
    sockets = std::make_unique<common::SocketsStarted>();
    if (!sockets->Started())
        return false;
    common::SocketHandle probe = common::OpenUdpSocket(false);
    if (probe == common::kNoSocket)
        return false;
    common::CloseSocket(probe);
    return true;
}

std::unique_ptr<wizard::WelcomePage> WizardApp::CreateWelcomePage() {
    return std::make_unique<wizard::WelcomePage>(pageFactory);
}

bool WizardApp::InitInstance() {
    if (!StartSockets()) {
        ui::AppPrompt().MessageBox(SocketStartupFailureText(), common::MB_OK | common::MB_ICONEXCLAMATION);
        return false;
    }
    ui::SetDialogColors(ui::StartupBackground(), ui::kBlack);
    auto welcome = CreateWelcomePage();
    welcome->DoModal();
    return false;
}

} // namespace vornalix::app
