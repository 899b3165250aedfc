#include "recovery/pages/FirmwareAdapterPage.h"

#include "hostnet/InterfaceAddressTable.h"
#include "res/Resources.h"
#include "ui/CommandLine.h"
#include "ui/GuiPrompt.h"
#include "web/pages/FirmwareFilePage.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>

#include <cstring>
#include <filesystem>
#include <system_error>

namespace vornalix::recovery {

namespace {

constexpr int kTitleId = 133;
constexpr int kNoAdapterQuestionId = 114;
constexpr int kNoAddressId = 143;
constexpr int kNoAdapterId = 144;

// Media-sense results that end the page: changed (restart pending) and declined.
constexpr int kMediaSenseChanged = 0;
constexpr int kMediaSenseDeclined = 3;
// Result of a disable on a system whose adapters hold no value to change.
constexpr int kMediaSenseNothingToDo = 2;

} // namespace

FirmwareAdapterPage::FirmwareAdapterPage(std::string pathText, int initialSelection, MediaSenseControl& mediaSense,
                                         AdapterLister listAdapters)
    : WizardPage(kTemplateId), pathText(std::move(pathText)), initialSelection(initialSelection),
      mediaSense(mediaSense), listAdapters(std::move(listAdapters)) {
    if (!this->listAdapters)
        this->listAdapters = [](hostnet::AdapterEntry* table, int capacity) {
            return hostnet::ListInterfaceAddresses(table, capacity);
        };
}

std::string FirmwareAdapterPage::BannerTitle() const {
    return res::LoadString(kTitleId);
}

std::string FirmwareAdapterPage::AdapterLine(const hostnet::AdapterEntry& entry) {
    std::string description(entry.description, strnlen(entry.description, sizeof entry.description));
    if (description.size() > static_cast<std::size_t>(kDescriptionShown))
        description.resize(kDescriptionShown);
    char dotted[16];
    return description + " (IP:" + hostnet::FormatDottedAddress(entry.address, dotted) + ")";
}

void FirmwareAdapterPage::DoDataExchange(bool saveAndValidate) {
    auto* list = ItemAs<QComboBox>(IDC_ADAPTERS);
    if (saveAndValidate) {
        pathText = ItemText(IDC_PATH);
        selectedIndex = list->currentIndex();
    } else {
        SetItemText(IDC_PATH, pathText);
        list->setCurrentIndex(selectedIndex);
    }
}

bool FirmwareAdapterPage::OnInitDialog() {
    WizardPage::OnInitDialog();
    if (pathText.empty()) {
        std::error_code error;
        pathText =
            web::FirmwareFilePage::DefaultPath(ui::FirmwareArgument(), std::filesystem::current_path(error).string());
    }
    int count = listAdapters(adapterTable, kMaxAdapters);
    adapterCount = count > 0 ? count : 0;
    if (adapterCount == 0) {
        ReportNoAdapter();
        EndDialog(ui::IDCANCEL);
        return false;
    }
    // A change of the setting needs a restart first; a refusal goes back. Both calls always run.
    for (int result : {mediaSense.DisableMediaSenseNt5(), mediaSense.DisableMediaSenseMe()}) {
        if (result == kMediaSenseChanged)
            EndDialog(ui::IDCANCEL);
        else if (result == kMediaSenseDeclined)
            EndDialog(app::IDC_BACK);
    }
    auto* list = ItemAs<QComboBox>(IDC_ADAPTERS);
    for (int i = 0; i < adapterCount; ++i)
        list->addItem(QString::fromStdString(AdapterLine(adapterTable[i])));
    // A position beyond a shorter list selects the first adapter.
    selectedIndex = initialSelection >= 0 && initialSelection < adapterCount ? initialSelection : 0;
    UpdateData(false);
    return true;
}

void FirmwareAdapterPage::ReportNoAdapter() {
    ui::Prompt& prompt = ui::AppPrompt();
    const unsigned exclamation = ui::MB_OK | ui::MB_ICONEXCLAMATION;
    if (prompt.MessageBox(res::LoadString(kNoAdapterQuestionId), ui::MB_YESNO | ui::MB_ICONEXCLAMATION) == ui::IDYES) {
        if (mediaSense.DisableMediaSenseMe() == kMediaSenseNothingToDo)
            prompt.MessageBox(res::LoadString(kNoAddressId), exclamation);
        if (mediaSense.DisableMediaSenseNt5() == kMediaSenseNothingToDo)
            prompt.MessageBox(res::LoadString(kNoAddressId), exclamation);
    } else {
        prompt.MessageBox(res::LoadString(kNoAdapterId), exclamation);
    }
}

bool FirmwareAdapterPage::OnCommand(int id) {
    if (id == IDC_BROWSE) {
        Browse();
        return true;
    }
    return WizardPage::OnCommand(id);
}

void FirmwareAdapterPage::Browse() {
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDirectory(QDir::currentPath());
    dialog.setDefaultSuffix(QStringLiteral("bin"));
    dialog.setNameFilters({QStringLiteral("Binary code (*.bin)"), QStringLiteral("PARAM.INI (param.ini)"),
                           QStringLiteral("All Files (*)")});
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    UpdateData(true);
    pathText = dialog.selectedFiles().front().toStdString();
    UpdateData(false);
}

void FirmwareAdapterPage::OnOK() {
    UpdateData(true);
    if (selectedIndex < 0 || selectedIndex >= adapterCount)
        selectedIndex = 0;
    selectedAddress = adapterTable[selectedIndex].address;
    std::string error = web::FirmwareFilePage::OpenErrorText(pathText);
    if (!error.empty()) {
        ui::AppPrompt().MessageBox(error, ui::MB_OK);
        return;
    }
    UpdateData(true);
    EndDialog(ui::IDOK);
}

} // namespace vornalix::recovery
