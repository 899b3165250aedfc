#pragma once
// The emergency upgrade: firmware and adapter, the transfer to the gateway's boot loader, then the TEST LED
// check (with a note when the gateway did not acknowledge the image's last part) and the completion or failure
// page. After the completion page's Exit (the page stays up, held, until
// this is done, so that the program ends with its window), media sensing is restored and
// the DHCP lease of the adapter that was used is released and renewed.
#include "hostnet/IpHelper.h"
#include "hostnet/MediaSenseControl.h"
#include "wizard/FlowPause.h"
#include "wizard/PageFactory.h"
#include "wizard/emergency/EmergencyTransferPage.h"
#include "wizard/emergency/FirmwareAdapterPage.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vornalix::wizard {

// Where the emergency flow gets its pages: tests substitute scripted ones. PageFactory is a virtual base, so
// one factory can serve both flows.
class EmergencyFlowPages : public virtual PageFactory {
public:
    virtual std::unique_ptr<wizard::FirmwareAdapterPage>
    CreateFirmwareAdapterPage(const std::string& pathText, int initialSelection,
                              hostnet::MediaSenseControl& mediaSense);
    // serverAddress in network order.
    virtual std::unique_ptr<wizard::EmergencyTransferPage> CreateEmergencyTransferPage(const std::string& pathText,
                                                                                       std::uint32_t serverAddress);
};

// The host services the flow uses: the IP helper library and system version for the lease, the media-sense
// guard (also handed to the firmware and adapter page) and the pause between steps.
class EmergencyFlowServices {
public:
    // The platform's library, guard and clock, and the process's OsVersionWord.
    EmergencyFlowServices();
    EmergencyFlowServices(hostnet::IpHelper& ipHelper, std::uint16_t osVersionWord,
                          hostnet::MediaSenseControl& mediaSense, Sleep sleep);
    EmergencyFlowServices(const EmergencyFlowServices&) = delete;
    EmergencyFlowServices& operator=(const EmergencyFlowServices&) = delete;
    ~EmergencyFlowServices();

private:
    std::unique_ptr<hostnet::IpHelper> platformIpHelper;
    std::unique_ptr<hostnet::MediaSenseControl> platformMediaSense;

public:
    hostnet::IpHelper& ipHelper;
    std::uint16_t osVersionWord;
    hostnet::MediaSenseControl& mediaSense;
    Sleep sleep;
};

// The pause after the media-sense restore, before the lease is released and renewed.
constexpr std::chrono::milliseconds kLeaseDelay{5000};

// Runs the flow: 0 ends the wizard, -1 goes back to the mode page. firmwarePath is the starting text of the
// firmware and adapter page and gets that page's path every time it closes.
int RunEmergencyUpgradeFlow(EmergencyFlowPages& pages, std::string& firmwarePath,
                            const EmergencyFlowServices& services);

} // namespace vornalix::wizard
