#pragma once
// Dialog 140: the gateway's web address. Next accepts it only when it is an http URL and the
// gateway answers there (the page repaints meanwhile, and Cancel gives the check up); the session keeps the
// address, blanks around it dropped, for the rest of the path.
#include "web/GatewayHttpSession.h"
#include "wizard/WizardPage.h"

#include <string>

namespace vornalix::wizard {

class GatewayAddressPage : public wizard::WizardPage {
public:
    static constexpr int kTemplateId = 140;
    static constexpr int IDC_URL = 1002;

    GatewayAddressPage(web::GatewayHttpSession& session, std::string urlText);
    std::string BannerTitle() const override;

    // The text of the last exchange from the edit: only Next performs one.
    std::string urlText;

protected:
    void OnOK() override;
    void DoDataExchange(bool saveAndValidate) override;

    web::GatewayHttpSession& session;
};

} // namespace vornalix::wizard
