#include "wizard/normal/DialogPasswordPrompt.h"

#include "ui/Dialog.h"
#include "ui/GuiThread.h"
#include "wizard/normal/PasswordDialog.h"

namespace vornalix::wizard {

web::PasswordChoice DialogPasswordPrompt::AskPassword(std::string& userName, std::string& password) {
    auto choice = web::PasswordChoice::GiveUp;
    ui::GuiThread::Run([&] {
        // Centred on the page that asked.
        PasswordDialog dialog(userName, ui::ActiveModalDialog());
        if (dialog.exec() != QDialog::Accepted)
            return;
        userName = dialog.UserName();
        password = dialog.Password();
        choice = web::PasswordChoice::Retry;
    });
    return choice;
}

} // namespace vornalix::wizard
