#pragma once
// The password prompt of the wizard: a PasswordDialog on the GUI thread. A call from another
// thread is run there and waited for.
#include "web/PasswordPrompt.h"

#include <memory>

class QObject;

namespace vornalix::web {

class DialogPasswordPrompt : public PasswordPrompt {
public:
    // Created on any thread once the application exists.
    DialogPasswordPrompt();
    ~DialogPasswordPrompt() override;
    PasswordChoice AskPassword(std::string& userName, std::string& password) override;

private:
    std::unique_ptr<QObject> guiContext;
};

} // namespace vornalix::web
