#include "wizard/OutcomePage.h"
#include "res/Resources.h"
#include "ui/GuiPrompt.h"

namespace vornalix::wizard {

namespace {}

OutcomePage::OutcomePage(int fontHeight, std::string titleText, std::string messageText, int layout)
    : WizardPage(105), messageText(std::move(messageText)), fontHeight(fontHeight), titleText(std::move(titleText)),
      layout(layout) {}

void OutcomePage::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate)
        messageText = ItemText(IDC_OUTCOME_MESSAGE);
    else
        SetItemText(IDC_OUTCOME_MESSAGE, messageText);
}

bool OutcomePage::OnInitDialog() {
    WizardPage::OnInitDialog();
    struct Visibility {
        bool retry, exit, next;
    };
    Visibility visible{};
    switch (layout) {
    case kLayoutNext:
        visible = {false, false, true};
        break;
    case kLayoutRetryExit:
        visible = {true, true, false};
        break;
    case kLayoutExitReminder:
        visible = {false, true, false};
        break;
    case kLayoutRetryNext:
        visible = {true, false, true};
        break;
    default:
        return true;
    }
    ShowItem(common::IDOK, visible.retry);
    ShowItem(common::IDCANCEL, visible.exit);
    ShowItem(IDC_OUTCOME_NEXT, visible.next);
    return true;
}

bool OutcomePage::OnCommand(int id) {
    if (id == IDC_OUTCOME_NEXT) {
        EndDialog(IDC_OUTCOME_NEXT);
        return true;
    }
    return WizardPage::OnCommand(id);
}

void OutcomePage::OnCancel() {
    if (layout == kLayoutExitReminder)
        ui::AppPrompt().MessageBox(res::LoadString(res::StringId::RestartReminder),
                                   common::MB_OK | common::MB_ICONEXCLAMATION);
    EndDialog(common::IDCANCEL);
}

} // namespace vornalix::wizard
