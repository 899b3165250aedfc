#include "wizard/normal/DialogPasswordPrompt.h"

#include "ui/Dialog.h"
#include "ui/GuiThread.h"
#include "wizard/normal/PasswordDialog.h"

namespace vornalix::wizard {

web::PasswordChoice DialogPasswordPrompt::AskPassword(std::string& userName, std::string& password) {
    auto choice = web::PasswordChoice::GiveUp;
    ui::GuiThread::Run([&] {
        // Centred on the page that asked, when that is on screen.
        ui::Dialog* page = ui::ActiveModalDialog();
        PasswordDialog dialog(userName, page && page->isVisible() ? page : nullptr);
        if (dialog.exec() != QDialog::Accepted)
            return;
        userName = dialog.UserName();
        password = dialog.Password();
        choice = web::PasswordChoice::Retry;
    });
    return choice;
}

} // namespace vornalix::wizard
