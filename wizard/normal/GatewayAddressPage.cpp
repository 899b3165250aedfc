#include "wizard/normal/GatewayAddressPage.h"

#include "res/Resources.h"
#include "ui/GuiPrompt.h"

namespace vornalix::wizard {

GatewayAddressPage::GatewayAddressPage(web::GatewayHttpSession& session, std::string urlText)
    : WizardPage(kTemplateId), urlText(std::move(urlText)), session(session) {}

std::string GatewayAddressPage::BannerTitle() const {
    return res::LoadString(res::StringId::GatewayAddressTitle);
}

void GatewayAddressPage::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate)
        urlText = ItemText(IDC_URL);
    else
        SetItemText(IDC_URL, urlText);
}

void GatewayAddressPage::OnOK() {
    UpdateData(true);
    // The check waits for the gateway on this thread, at most the reachability limit, while the
    // page repaints; Cancel gives it up.
    int result = RunWhileWaiting([this](const WaitHook& whileWaiting) {
        return session.CheckGatewayUrl(urlText, ui::AppPrompt(), whileWaiting);
    });
    if (result == 0) {
        urlText = session.gatewayUrl;
        EndDialog(common::IDOK);
    }
}

} // namespace vornalix::wizard
