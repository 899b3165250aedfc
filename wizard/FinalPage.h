#pragma once
// Dialog 106: "Firmware Update Complete" with Exit (the default button) and, unless layout is 2, Retry.
#include "wizard/WizardPage.h"

namespace vornalix::wizard {

constexpr int IDC_FINAL_MESSAGE = 1012;

class FinalPage : public WizardPage {
public:
    FinalPage(std::string messageText, int layout);
    std::string BannerTitle() const override;

    std::string messageText;
    int layout;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(bool saveAndValidate) override;
};

} // namespace vornalix::wizard
