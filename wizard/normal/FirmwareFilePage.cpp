#include "wizard/normal/FirmwareFilePage.h"

#include "res/Resources.h"
#include "ui/GuiPrompt.h"
#include "wizard/FirmwareFile.h"

namespace vornalix::wizard {

FirmwareFilePage::FirmwareFilePage(std::string pathText) : WizardPage(kTemplateId), pathText(std::move(pathText)) {}

std::string FirmwareFilePage::BannerTitle() const {
    return res::LoadString(res::StringId::FirmwareFileTitle);
}

void FirmwareFilePage::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate)
        pathText = ItemText(IDC_PATH);
    else
        SetItemText(IDC_PATH, pathText);
}

bool FirmwareFilePage::OnInitDialog() {
    if (pathText.empty()) {
        pathText = DefaultFirmwarePath();
    }
    WizardPage::OnInitDialog();
    return true;
}

bool FirmwareFilePage::OnCommand(int id) {
    if (id == IDC_BROWSE) {
        Browse();
        return true;
    }
    return WizardPage::OnCommand(id);
}

void FirmwareFilePage::Browse() {
    if (auto chosen = BrowseForFirmware(this, false)) {
        pathText = *chosen;
        SetItemText(IDC_PATH, pathText);
    }
}

void FirmwareFilePage::OnOK() {
    UpdateData(true);
    std::string error = OpenErrorText(pathText);
    if (error.empty()) {
        EndDialog(common::IDOK);
        return;
    }
    ui::AppPrompt().MessageBox(error, common::MB_OK | common::MB_ICONEXCLAMATION);
}

} // namespace vornalix::wizard
