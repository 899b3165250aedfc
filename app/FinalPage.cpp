#include "app/FinalPage.h"
#include "app/OutcomePage.h"
#include "res/Resources.h"

namespace vornalix::app {

FinalPage::FinalPage(std::string messageText, int layout)
    : WizardPage(106), messageText(std::move(messageText)), layout(layout) {}

std::string FinalPage::BannerTitle() const { return res::LoadString(137); }

void FinalPage::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate)
        messageText = ItemText(IDC_FINAL_MESSAGE);
    else
        SetItemText(IDC_FINAL_MESSAGE, messageText);
}

bool FinalPage::OnInitDialog() {
    WizardPage::OnInitDialog();
    if (layout == kLayoutRetryExit)
        ShowItem(ui::IDOK, false);
    UpdateData(false);
    return true;
}

} // namespace vornalix::app
