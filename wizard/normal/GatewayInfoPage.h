#pragma once
// Dialog 141: the gateway's hardware and software versions, read from its system-information page
// right after the page opens (through the hidden DELAY button). While it runs the page repaints, Next and
// Back are held and Cancel gives it up; a failed or given-up query ends the page with 2.
#include "web/GatewayHttpSession.h"
#include "web/PasswordPrompt.h"
#include "wizard/WizardPage.h"

#include <memory>
#include <string>

namespace vornalix::wizard {

class GatewayInfoPage : public wizard::WizardPage {
public:
    static constexpr int kTemplateId = 141;
    static constexpr int IDC_HARDWARE = 1022;
    static constexpr int IDC_SOFTWARE = 1023;
    static constexpr int IDC_DELAY = 1024;

    // Asks for credentials with the wizard's password dialog.
    explicit GatewayInfoPage(web::GatewayHttpSession& session);
    GatewayInfoPage(web::GatewayHttpSession& session, web::PasswordPrompt& passwordPrompt);
    ~GatewayInfoPage() override;

    std::string BannerTitle() const override;
    int BannerFontHeight() const override { return 35; }

    std::string hardwareText;
    std::string softwareText;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id) override;
    void DoDataExchange(bool saveAndValidate) override;
    void RunQuery();

    web::GatewayHttpSession& session;

private:
    std::unique_ptr<web::PasswordPrompt> ownPasswordPrompt;
    web::PasswordPrompt& passwordPrompt;
};

} // namespace vornalix::wizard
