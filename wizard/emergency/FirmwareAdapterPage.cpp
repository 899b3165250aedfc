#include "wizard/emergency/FirmwareAdapterPage.h"

#include "common/DottedAddress.h"
#include "hostnet/InterfaceAddressTable.h"
#include "res/Resources.h"
#include "ui/GuiPrompt.h"
#include "wizard/FirmwareFile.h"

#include <algorithm>
#include <cstring>

namespace vornalix::wizard {

namespace {

// Media-sense results that end the page: changed (restart pending) and declined.
constexpr int kMediaSenseChanged = 0;
constexpr int kMediaSenseDeclined = 3;
// Result of a disable on a system whose adapters hold no value to change.
constexpr int kMediaSenseNothingToDo = 2;

} // namespace

FirmwareAdapterPage::FirmwareAdapterPage(std::string pathText, int initialSelection,
                                         hostnet::MediaSenseControl& mediaSense, AdapterLister listAdapters)
    : WizardPage(kTemplateId), pathText(std::move(pathText)), initialSelection(initialSelection),
      mediaSense(mediaSense), listAdapters(std::move(listAdapters)),
      listEmergency([](int capacity) { return hostnet::ListEmergencyAdapters(capacity); }) {}

std::string FirmwareAdapterPage::BannerTitle() const {
    return res::LoadString(res::StringId::FirmwareAdapterTitle);
}

std::string FirmwareAdapterPage::AdapterLine(const hostnet::AdapterEntry& entry) {
    std::string description(entry.description, strnlen(entry.description, sizeof entry.description));
    if (description.size() > static_cast<std::size_t>(kDescriptionShown))
        description.resize(kDescriptionShown);
    char dotted[16];
    return description + " (IP:" + common::FormatDottedAddress(entry.address, dotted) + ")";
}

void FirmwareAdapterPage::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        pathText = ItemText(IDC_PATH);
        selectedIndex = SelectedListItem(IDC_ADAPTERS);
    } else {
        SetItemText(IDC_PATH, pathText);
        SelectListItem(IDC_ADAPTERS, selectedIndex);
    }
}

bool FirmwareAdapterPage::OnInitDialog() {
    WizardPage::OnInitDialog();
    if (pathText.empty()) {
        pathText = DefaultFirmwarePath();
    }
    if (listAdapters) {
        const int count = listAdapters(adapterTable, kMaxAdapters);
        adapterCount = count > 0 ? count : 0;
        for (int i = 0; i < adapterCount; ++i)
            adapterDetails[i].entry = adapterTable[i];
    } else {
        const hostnet::EmergencyAdapterList list = listEmergency(kMaxAdapters);
        shortage = list.shortage;
        adapterCount = std::min(static_cast<int>(list.adapters.size()), static_cast<int>(kMaxAdapters));
        for (int i = 0; i < adapterCount; ++i) {
            adapterDetails[i] = list.adapters[i];
            adapterTable[i] = list.adapters[i].entry;
        }
    }
    if (adapterCount == 0) {
        ReportNoAdapter();
        EndDialog(common::IDCANCEL);
        return false;
    }
    // A change of the setting needs a restart first; a refusal goes back. Both calls always run.
    for (int result : {mediaSense.DisableMediaSenseNt5(), mediaSense.DisableMediaSenseMe()}) {
        if (result == kMediaSenseChanged)
            EndDialog(common::IDCANCEL);
        else if (result == kMediaSenseDeclined)
            EndDialog(wizard::IDC_BACK);
    }
    for (int i = 0; i < adapterCount; ++i)
        AddListItem(IDC_ADAPTERS, AdapterLine(adapterTable[i]));
    // A position beyond a shorter list selects the first adapter.
    selectedIndex = initialSelection >= 0 && initialSelection < adapterCount ? initialSelection : 0;
    UpdateData(false);
    return true;
}

void FirmwareAdapterPage::ReportNoAdapter() {
    common::Prompt& prompt = ui::AppPrompt();
    const unsigned exclamation = common::MB_OK | common::MB_ICONEXCLAMATION;
    // Where the listing knows why nothing is usable, its advice takes the place of 143 and 144.
    const std::string advice = hostnet::ShortageAdvice(shortage);
    if (prompt.MessageBox(res::LoadString(res::StringId::NoAdapterQuestion),
                          common::MB_YESNO | common::MB_ICONEXCLAMATION) == common::IDYES) {
        if (mediaSense.DisableMediaSenseMe() == kMediaSenseNothingToDo)
            prompt.MessageBox(res::LoadString(res::StringId::NoAddressAdvice), exclamation);
        if (mediaSense.DisableMediaSenseNt5() == kMediaSenseNothingToDo)
            prompt.MessageBox(res::LoadString(res::StringId::NoAddressAdvice), exclamation);
        if (!advice.empty())
            prompt.MessageBox(advice, exclamation);
    } else {
        prompt.MessageBox(advice.empty() ? res::LoadString(res::StringId::NoAdapterAdvice) : advice, exclamation);
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
    auto chosen = BrowseForFirmware(this, true);
    if (!chosen)
        return;
    UpdateData(true);
    pathText = *chosen;
    UpdateData(false);
}

void FirmwareAdapterPage::OnOK() {
    UpdateData(true);
    if (selectedIndex < 0 || selectedIndex >= adapterCount)
        selectedIndex = 0;
    selectedAddress = adapterTable[selectedIndex].address;
    selectedAdapter = adapterDetails[selectedIndex];
    std::string error = OpenErrorText(pathText);
    if (!error.empty()) {
        ui::AppPrompt().MessageBox(error, common::MB_OK);
        return;
    }
    UpdateData(true);
    EndDialog(common::IDOK);
}

} // namespace vornalix::wizard
