#include "wizard/normal/GatewayInfoPage.h"

#include "res/Resources.h"
#include "ui/GuiPrompt.h"
#include "wizard/normal/DialogPasswordPrompt.h"

namespace vornalix::wizard {

GatewayInfoPage::GatewayInfoPage(web::GatewayHttpSession& session)
    : WizardPage(kTemplateId), session(session), ownPasswordPrompt(std::make_unique<DialogPasswordPrompt>()),
      passwordPrompt(*ownPasswordPrompt) {}

GatewayInfoPage::GatewayInfoPage(web::GatewayHttpSession& session, web::PasswordPrompt& passwordPrompt)
    : WizardPage(kTemplateId), session(session), passwordPrompt(passwordPrompt) {}

GatewayInfoPage::~GatewayInfoPage() = default;

std::string GatewayInfoPage::BannerTitle() const {
    return res::LoadString(res::StringId::GatewayInfoTitle);
}

void GatewayInfoPage::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        hardwareText = ItemText(IDC_HARDWARE);
        softwareText = ItemText(IDC_SOFTWARE);
    } else {
        SetItemText(IDC_HARDWARE, hardwareText);
        SetItemText(IDC_SOFTWARE, softwareText);
    }
}

bool GatewayInfoPage::OnInitDialog() {
    // The statics start empty; the query runs once the page is up.
    WizardPage::OnInitDialog();
    PostCommand(IDC_DELAY);
    return true;
}

bool GatewayInfoPage::OnCommand(int id) {
    if (id == IDC_DELAY) {
        RunQuery();
        return true;
    }
    return WizardPage::OnCommand(id);
}

void GatewayInfoPage::RunQuery() {
    int result = RunWhileWaiting([this](const WaitHook& whileWaiting) {
        return session.QuerySystemInfo(hardwareText, softwareText, ui::AppPrompt(), passwordPrompt, whileWaiting);
    });
    if (result != 0)
        EndDialog(common::IDCANCEL);
    UpdateData(false);
}

} // namespace vornalix::wizard
