#include "wizard/FinalPage.h"
#include "res/Resources.h"
#include "wizard/OutcomePage.h"

namespace vornalix::wizard {

FinalPage::FinalPage(std::string messageText, int layout)
    : WizardPage(106), messageText(std::move(messageText)), layout(layout) {}

std::string FinalPage::BannerTitle() const {
    return res::LoadString(res::StringId::UpdateCompleteTitle);
}

void FinalPage::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate)
        messageText = ItemText(IDC_FINAL_MESSAGE);
    else
        SetItemText(IDC_FINAL_MESSAGE, messageText);
}

bool FinalPage::OnInitDialog() {
    WizardPage::OnInitDialog();
    if (layout == kLayoutRetryExit)
        ShowItem(common::IDOK, false);
    UpdateData(false);
    return true;
}

} // namespace vornalix::wizard
