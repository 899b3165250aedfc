#include "wizard/normal/DialogPasswordPrompt.h"

#include "ui/GuiThread.h"
#include "wizard/normal/PasswordDialog.h"

namespace vornalix::wizard {

web::PasswordChoice DialogPasswordPrompt::AskPassword(std::string& userName, std::string& password) {
    auto choice = web::PasswordChoice::GiveUp;
    ui::GuiThread::Run([&] {
        // Centred on the page that asked, when that is on screen.
        PasswordDialog dialog(userName);
        if (dialog.DoModal() != common::IDOK)
            return;
        userName = dialog.UserName();
        password = dialog.Password();
        choice = web::PasswordChoice::Retry;
    });
    return choice;
}

} // namespace vornalix::wizard
