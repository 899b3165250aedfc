#pragma once
// Dialog 102, the first page. Its Next hides it and runs the mode page and the upgrade flows.
#include "wizard/PageFactory.h"
#include "wizard/WizardPage.h"
#include "wizard/emergency/EmergencyUpgradeFlow.h"
#include "wizard/normal/NormalUpgradeFlow.h"

#include <memory>
#include <string>

namespace vornalix::wizard {

constexpr int IDC_WELCOME_TEXT = 1015;

// The gateway's factory address as an http URL.
inline const std::string kDefaultGatewayUrl = "http://192.168.1.1/";

class WelcomePage : public WizardPage {
public:
    // The mode page comes from factory; the flows' pages from the real pages unless given.
    explicit WelcomePage(PageFactory& factory);
    WelcomePage(PageFactory& factory, NormalFlowPages& normalPages, EmergencyFlowPages& emergencyPages);
    std::string BannerTitle() const override;

    // The flows: 0 ends the wizard, -1 shows the mode page again.
    virtual int RunNormalUpgrade(std::string& urlCopy, std::string& firmwarePath);
    virtual int RunEmergencyUpgrade(std::string& firmwarePath);

    std::string welcomeText;
    std::string gatewayUrl;

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(bool saveAndValidate) override;

    PageFactory& factory;

private:
    std::unique_ptr<NormalFlowPages> ownNormalPages;
    std::unique_ptr<EmergencyFlowPages> ownEmergencyPages;

protected:
    NormalFlowPages& normalPages;
    EmergencyFlowPages& emergencyPages;
};

} // namespace vornalix::wizard
