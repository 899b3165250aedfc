#include "wizard/emergency/RestartPromptDialog.h"

#include "hostnet/Platform.h"
#include "hostnet/RestartComputer.h"
#include "ui/DialogColors.h"

namespace vornalix::wizard {

RestartPromptDialog::RestartPromptDialog(const std::string& message, int mode)
    : ui::Dialog(kTemplateId), message(message), mode(mode), ownSystem(hostnet::CreateSystemControl()),
      system(*ownSystem), osVersionWord(hostnet::OsVersionWord()) {}

RestartPromptDialog::RestartPromptDialog(const std::string& message, int mode, hostnet::SystemControl& system,
                                         std::uint16_t osVersionWord)
    : ui::Dialog(kTemplateId), message(message), mode(mode), system(system), osVersionWord(osVersionWord) {}

void RestartPromptDialog::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate)
        message = ItemText(kMessage);
    else
        SetItemText(kMessage, message);
}

bool RestartPromptDialog::OnInitDialog() {
    ui::Dialog::OnInitDialog();
    ui::SetDialogColors({192, 192, 192}, ui::kBlack);
    if (mode == 1) {
        ShowItem(common::IDOK, true);
        ShowItem(kRestartLater, false);
        ShowItem(kRestartNow, false);
    } else if (mode == 2) {
        ShowItem(common::IDOK, false);
        ShowItem(kRestartLater, true);
        ShowItem(kRestartNow, true);
        // Start on the button that does no harm.
        FocusItem(kRestartLater);
    }
    return true;
}

bool RestartPromptDialog::OnCommand(int id) {
    switch (id) {
    case kRestartNow:
        hostnet::RestartComputer(system, osVersionWord);
        OnOK();
        return true;
    case kRestartLater:
        OnCancel();
        return true;
    default:
        return ui::Dialog::OnCommand(id);
    }
}

void RestartPromptDialog::OnCancel() {
    OnOK();
}

void RestartPromptDialog::OnDestroy() {
    ui::SetDialogColors(ui::StartupBackground(), ui::kBlack);
}

} // namespace vornalix::wizard
