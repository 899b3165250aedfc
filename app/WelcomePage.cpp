#include "app/WelcomePage.h"
#include "res/Resources.h"
#include "ui/GuiPrompt.h"

namespace vornalix::app {

namespace {

std::string PathNotAvailableText() {
    return res::CurrentLanguage() == res::Language::Japanese
               ? "この更新方法は、このバージョンではまだ使用できません。"
               : "This upgrade path is not available yet in this version of Vornalix.";
}

} // namespace

WelcomePage::WelcomePage(PageFactory& factory) : WizardPage(102), factory(factory) {}

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

int WelcomePage::RunNormalUpgrade(std::string&, std::string&) {
    ui::AppPrompt().MessageBox(PathNotAvailableText(), ui::MB_OK | ui::MB_ICONINFORMATION);
    return -1;
}

int WelcomePage::RunEmergencyUpgrade(std::string&) {
    ui::AppPrompt().MessageBox(PathNotAvailableText(), ui::MB_OK | ui::MB_ICONINFORMATION);
    return -1;
}

} // namespace vornalix::app
