#pragma once
// Dialog 139: normal (mode 0) or emergency (mode 1) upgrade.
#include "wizard/WizardPage.h"

namespace vornalix::wizard {

constexpr int IDC_NORMAL = 1021;
constexpr int IDC_EMERGENCY = 1022;

class ModePage : public WizardPage {
public:
    ModePage();
    std::string BannerTitle() const override;

    int mode = 0;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id) override;
};

} // namespace vornalix::wizard
