#pragma once
// Dialog 103, the first page of the emergency upgrade: the firmware file that the gateway's boot loader
// fetches and the adapter that faces the gateway. Opening lists the Ethernet adapters and makes sure media
// sensing is off; Next accepts only a file that opens for reading.
#include "hostnet/AdapterEntry.h"
#include "hostnet/EmergencyAdapters.h"
#include "hostnet/MediaSenseControl.h"
#include "wizard/WizardPage.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vornalix::wizard {

class FirmwareAdapterPage : public wizard::WizardPage {
public:
    static constexpr int kTemplateId = 103;
    static constexpr int IDC_PATH = 1001;
    static constexpr int IDC_ADAPTERS = 1002;
    static constexpr int IDC_BROWSE = 3;
    static constexpr int kMaxAdapters = 10;
    static constexpr int kDescriptionShown = 20;

    // Fills a table with up to capacity adapters and returns the count (hostnet::ListInterfaceAddresses).
    using AdapterLister = std::function<int(hostnet::AdapterEntry* table, int capacity)>;

    // The adapters with their interfaces, temporary addresses and, when there are none, the reason
    // (hostnet::ListEmergencyAdapters).
    using EmergencyLister = std::function<hostnet::EmergencyAdapterList(int capacity)>;

    // listAdapters given: its table only (no interfaces, no temporary addresses). Empty: the emergency
    // lister, by default the platform's.
    FirmwareAdapterPage(std::string pathText, int initialSelection, hostnet::MediaSenseControl& mediaSense,
                        AdapterLister listAdapters = {});
    void SetEmergencyLister(EmergencyLister lister) { listEmergency = std::move(lister); }
    std::string BannerTitle() const override;
    int BannerFontHeight() const override { return 26; }

    // The list line of one adapter: "%s (IP:%s)" with the description cut after 20 characters.
    static std::string AdapterLine(const hostnet::AdapterEntry& entry);

    std::string pathText;
    int initialSelection;
    int selectedIndex = -1;
    std::uint32_t selectedAddress = 0; // network order
    hostnet::AdapterEntry adapterTable[kMaxAdapters]{};
    int adapterCount = 0;
    // Record i: list line i's interface, and whether its address is added for the transfer only.
    hostnet::EmergencyAdapter adapterDetails[kMaxAdapters]{};
    hostnet::AdapterShortage shortage = hostnet::AdapterShortage::None;
    hostnet::EmergencyAdapter selectedAdapter{}; // set by Next

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id) override;
    void OnOK() override;
    void DoDataExchange(bool saveAndValidate) override;

private:
    // No adapter with an address: tells the user what to check.
    void ReportNoAdapter();
    void Browse();

    hostnet::MediaSenseControl& mediaSense;
    AdapterLister listAdapters;
    EmergencyLister listEmergency;
};

} // namespace vornalix::wizard
