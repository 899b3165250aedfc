#include "app/wizard/WizardApp.h"
#include "res/Resources.h"
#include "ui/DialogColors.h"
#include "ui/GuiPrompt.h"
#include "wizard/WelcomePage.h"

#include <sys/socket.h>
#include <unistd.h>

namespace vornalix::app {

std::string SocketStartupFailureText() {
    return res::CurrentLanguage() == res::Language::Japanese
               ? "ネットワークソケットを初期化できませんでした。\nVornalix はネットワーク機能なしでは動作できません。"
               : "Network sockets could not be initialized.\nVornalix cannot run without them.";
}

bool WizardApp::StartSockets() {
    int probe = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (probe < 0)
        return false;
    ::close(probe);
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
