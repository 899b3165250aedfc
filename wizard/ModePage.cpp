#include "wizard/ModePage.h"
#include "res/Resources.h"

namespace vornalix::wizard {

ModePage::ModePage() : WizardPage(139) {}

std::string ModePage::BannerTitle() const {
    return res::LoadString(res::StringId::ModeTitle);
}

bool ModePage::OnInitDialog() {
    WizardPage::OnInitDialog();
    CheckItem(IDC_EMERGENCY, mode == 1);
    CheckItem(IDC_NORMAL, mode != 1);
    return true;
}

bool ModePage::OnCommand(int id) {
    switch (id) {
    case IDC_NORMAL:
        mode = 0;
        CheckItem(IDC_NORMAL, true);
        CheckItem(IDC_EMERGENCY, false);
        UpdateData(false);
        return true;
    case IDC_EMERGENCY:
        mode = 1;
        CheckItem(IDC_EMERGENCY, true);
        CheckItem(IDC_NORMAL, false);
        UpdateData(false);
        return true;
    default:
        return WizardPage::OnCommand(id);
    }
}

} // namespace vornalix::wizard
