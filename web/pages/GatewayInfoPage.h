#pragma once
// Dialog 141: the gateway's hardware and software versions, read from its system-information page
// right after the page opens (through the hidden DELAY button). A failed query ends the page with 2.
#include "app/WizardPage.h"
#include "web/GatewayHttpSession.h"
#include "web/PasswordPrompt.h"

#include <memory>
#include <string>

namespace vornalix::web {

class GatewayInfoPage : public app::WizardPage {
public:
    static constexpr int kTemplateId = 141;
    static constexpr int IDC_HARDWARE = 1022;
    static constexpr int IDC_SOFTWARE = 1023;
    static constexpr int IDC_DELAY = 1024;

    // Asks for credentials with the wizard's password dialog.
    explicit GatewayInfoPage(GatewayHttpSession& session);
    GatewayInfoPage(GatewayHttpSession& session, PasswordPrompt& passwordPrompt);
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

    GatewayHttpSession& session;

private:
    std::unique_ptr<PasswordPrompt> ownPasswordPrompt;
    PasswordPrompt& passwordPrompt;
};

} // namespace vornalix::web
