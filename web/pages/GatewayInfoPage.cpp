#include "web/pages/GatewayInfoPage.h"

#include "res/Resources.h"
#include "ui/GuiPrompt.h"
#include "web/pages/DialogPasswordPrompt.h"

namespace vornalix::web {

GatewayInfoPage::GatewayInfoPage(GatewayHttpSession& session)
    : WizardPage(kTemplateId), session(session), ownPasswordPrompt(std::make_unique<DialogPasswordPrompt>()),
      passwordPrompt(*ownPasswordPrompt) {}

GatewayInfoPage::GatewayInfoPage(GatewayHttpSession& session, PasswordPrompt& passwordPrompt)
    : WizardPage(kTemplateId), session(session), passwordPrompt(passwordPrompt) {}

GatewayInfoPage::~GatewayInfoPage() = default;

std::string GatewayInfoPage::BannerTitle() const {
    return res::LoadString(148);
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
    if (session.QuerySystemInfo(hardwareText, softwareText, ui::AppPrompt(), passwordPrompt) != 0)
        EndDialog(ui::IDCANCEL);
    UpdateData(false);
}

} // namespace vornalix::web
