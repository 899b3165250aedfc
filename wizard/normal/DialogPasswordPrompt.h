#pragma once
// The password prompt of the wizard: a PasswordDialog on the GUI thread. A call from another
// thread is run there and waited for.
#include "web/PasswordPrompt.h"

namespace vornalix::wizard {

class DialogPasswordPrompt : public web::PasswordPrompt {
public:
    web::PasswordChoice AskPassword(std::string& userName, std::string& password) override;
};

} // namespace vornalix::wizard
