#include "wizard/normal/PasswordDialog.h"

namespace vornalix::wizard {

PasswordDialog::PasswordDialog(const std::string& userName) : ui::Dialog(kTemplateId), userName(userName) {}

bool PasswordDialog::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    FocusItem(IDC_PASSWORD);
    return true;
}

void PasswordDialog::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        userName = ItemText(IDC_USER_NAME);
        password = ItemText(IDC_PASSWORD);
    } else {
        SetItemText(IDC_USER_NAME, userName);
        SetItemText(IDC_PASSWORD, password);
    }
}

} // namespace vornalix::wizard
