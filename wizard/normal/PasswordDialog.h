#pragma once
// The small dialog that asks for the gateway's user name and password after it refused them.
#include "ui/Dialog.h"

#include <string>

namespace vornalix::wizard {

class PasswordDialog : public ui::Dialog {
public:
    static constexpr int kTemplateId = 150;
    static constexpr int IDC_MESSAGE = 1050;
    static constexpr int IDC_USER_NAME = 1051;
    static constexpr int IDC_PASSWORD = 1052;

    // userName: the refused name, offered again; the password field starts empty.
    explicit PasswordDialog(const std::string& userName);

    const std::string& UserName() const { return userName; }
    const std::string& Password() const { return password; }

protected:
    bool OnInitDialog() override;
    bool ShowsAppIcon() const override { return true; }
    void DoDataExchange(bool saveAndValidate) override;

private:
    std::string userName;
    std::string password;
};

} // namespace vornalix::wizard
