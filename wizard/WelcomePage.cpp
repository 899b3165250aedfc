#include "wizard/WelcomePage.h"
#include "res/Resources.h"
#include "wizard/WizardLoop.h"

namespace vornalix::wizard {

WelcomePage::WelcomePage(PageFactory& factory)
    : WizardPage(102), factory(factory), ownNormalPages(std::make_unique<NormalFlowPages>()),
      ownEmergencyPages(std::make_unique<EmergencyFlowPages>()), normalPages(*ownNormalPages),
      emergencyPages(*ownEmergencyPages) {}

WelcomePage::WelcomePage(PageFactory& factory, NormalFlowPages& normalPages, EmergencyFlowPages& emergencyPages)
    : WizardPage(102), factory(factory), normalPages(normalPages), emergencyPages(emergencyPages) {}

std::string WelcomePage::BannerTitle() const {
    return res::LoadString(res::StringId::WelcomeTitle);
}

bool WelcomePage::OnInitDialog() {
    welcomeText = res::LoadString(res::StringId::WelcomeText);
    WizardPage::OnInitDialog();
    return true;
}

void WelcomePage::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate)
        welcomeText = ItemText(IDC_WELCOME_TEXT);
    else
        SetItemText(IDC_WELCOME_TEXT, welcomeText);
}

void WelcomePage::OnOK() {
    Hide();
    gatewayUrl = kDefaultGatewayUrl;
    std::string firmwarePath;
    std::string urlCopy;
    RunWizardLoop(factory, [&](UpgradeMode mode) {
        if (mode == UpgradeMode::Emergency)
            return RunEmergencyUpgrade(firmwarePath);
        urlCopy = gatewayUrl;
        return RunNormalUpgrade(urlCopy, firmwarePath);
    });
    WizardPage::OnOK();
}

int WelcomePage::RunNormalUpgrade(std::string& urlCopy, std::string& firmwarePath) {
    return RunNormalUpgradeFlow(normalPages, urlCopy, firmwarePath, gatewayUrl);
}

int WelcomePage::RunEmergencyUpgrade(std::string& firmwarePath) {
    EmergencyFlowServices services;
    return RunEmergencyUpgradeFlow(emergencyPages, firmwarePath, services);
}

} // namespace vornalix::wizard
