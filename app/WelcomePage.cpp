#include "app/WelcomePage.h"
#include "res/Resources.h"

namespace vornalix::app {

WelcomePage::WelcomePage(PageFactory& factory)
    : WizardPage(102), factory(factory), ownNormalPages(std::make_unique<NormalFlowPages>()),
      ownEmergencyPages(std::make_unique<EmergencyFlowPages>()), normalPages(*ownNormalPages),
      emergencyPages(*ownEmergencyPages) {}

WelcomePage::WelcomePage(PageFactory& factory, NormalFlowPages& normalPages, EmergencyFlowPages& emergencyPages)
    : WizardPage(102), factory(factory), normalPages(normalPages), emergencyPages(emergencyPages) {}

std::string WelcomePage::BannerTitle() const { return res::LoadString(125); }

bool WelcomePage::OnInitDialog() {
    welcomeText = res::LoadString(104);
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
    hide();
    gatewayUrl = kDefaultGatewayUrl;
    std::string firmwarePath;
    std::string urlCopy;
    for (;;) {
        auto modePage = factory.CreateModePage();
        if (modePage->DoModal() == ui::IDCANCEL)
            break;
        int mode = modePage->mode;
        modePage.reset();
        int result;
        if (mode == 1) {
            result = RunEmergencyUpgrade(firmwarePath);
        } else {
            urlCopy = gatewayUrl;
            result = RunNormalUpgrade(urlCopy, firmwarePath);
        }
        if (result != -1)
            break;
    }
    WizardPage::OnOK();
}

int WelcomePage::RunNormalUpgrade(std::string& urlCopy, std::string& firmwarePath) {
    return RunNormalUpgradeFlow(normalPages, urlCopy, firmwarePath, gatewayUrl);
}

int WelcomePage::RunEmergencyUpgrade(std::string& firmwarePath) {
    EmergencyFlowServices services;
    return RunEmergencyUpgradeFlow(emergencyPages, firmwarePath, services);
}

} // namespace vornalix::app
