#include "app/EmergencyUpgradeFlow.h"

#include "hostnet/AdapterLease.h"
#include "hostnet/InterfaceAddressTable.h"
#include "hostnet/OsVersionWord.h"
#include "hostnet/Platform.h"
#include "recovery/pages/PlatformMediaSenseControl.h"
#include "res/Resources.h"

#include <thread>

namespace vornalix::app {

namespace {

constexpr std::chrono::milliseconds kPageWait{10};
constexpr int kTransferFinished = ui::IDOK;
constexpr int kTransferFailed = recovery::EmergencyTransferPage::kTransferFailed;

constexpr int kCheckTitleId = 145;
constexpr int kCheckTextId = 121;
constexpr int kCompleteTitleId = 137;
constexpr int kCompleteTextId = 147;
constexpr int kFailedTitleId = 119;
constexpr int kFailedTextId = 116;
constexpr int kOutcomeFontHeight = 40;

enum class State { Adapter, Transfer, Check, Complete, Failed };

} // namespace

std::unique_ptr<recovery::FirmwareAdapterPage>
EmergencyFlowPages::CreateFirmwareAdapterPage(const std::string& pathText, int initialSelection,
                                              recovery::MediaSenseControl& mediaSense) {
    return std::make_unique<recovery::FirmwareAdapterPage>(pathText, initialSelection, mediaSense);
}

std::unique_ptr<recovery::EmergencyTransferPage>
EmergencyFlowPages::CreateEmergencyTransferPage(const std::string& pathText, std::uint32_t serverAddress) {
    return std::make_unique<recovery::EmergencyTransferPage>(pathText, serverAddress);
}

EmergencyFlowServices::EmergencyFlowServices()
    : platformIpHelper(hostnet::CreateIpHelper()),
      platformMediaSense(std::make_unique<recovery::PlatformMediaSenseControl>()), ipHelper(*platformIpHelper),
      osVersionWord(hostnet::OsVersionWord()), mediaSense(*platformMediaSense),
      sleep([](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); }) {}

EmergencyFlowServices::EmergencyFlowServices(hostnet::IpHelper& ipHelper, std::uint16_t osVersionWord,
                                             recovery::MediaSenseControl& mediaSense, Sleep sleep)
    : ipHelper(ipHelper), osVersionWord(osVersionWord), mediaSense(mediaSense), sleep(std::move(sleep)) {}

EmergencyFlowServices::~EmergencyFlowServices() = default;

int RunEmergencyUpgradeFlow(EmergencyFlowPages& pages, std::string& firmwarePath,
                            const EmergencyFlowServices& services) {
    const auto wait = [&] { services.sleep(kPageWait); };
    int adapterSelection = 0;
    std::uint32_t leaseAdapterIndex = 0;
    std::unique_ptr<recovery::EmergencyTransferPage> transferPage;
    std::string title, text;
    State state = State::Adapter;
    for (;;) {
        switch (state) {
        case State::Adapter: {
            auto page = pages.CreateFirmwareAdapterPage(firmwarePath, adapterSelection, services.mediaSense);
            int result = page->DoModal();
            firmwarePath = page->pathText;
            if (result == IDC_BACK)
                return -1;
            if (result == ui::IDCANCEL)
                return 0;
            adapterSelection = page->selectedIndex;
            std::uint32_t adapterAddress = page->selectedAddress;
            char dotted[16];
            leaseAdapterIndex = hostnet::FindAdapterByAddress(services.ipHelper, services.osVersionWord,
                                                              hostnet::FormatDottedAddress(adapterAddress, dotted));
            transferPage = pages.CreateEmergencyTransferPage(page->pathText, adapterAddress);
            page.reset();
            wait();
            state = State::Transfer;
            break;
        }
        case State::Transfer: {
            int result = transferPage->DoModal();
            transferPage.reset();
            if (result == IDC_BACK) {
                state = State::Adapter;
            } else if (result == ui::IDCANCEL) {
                return 0;
            } else if (result == kTransferFinished) {
                wait();
                title = res::LoadString(kCheckTitleId);
                text = res::LoadString(kCheckTextId);
                state = State::Check;
            } else if (result == kTransferFailed) {
                wait();
                title = res::LoadString(kFailedTitleId);
                text = res::LoadString(kFailedTextId);
                state = State::Failed;
            } else {
                state = State::Adapter;
            }
            break;
        }
        case State::Check: {
            auto page = pages.CreateOutcomePage(kOutcomeFontHeight, title, text, kLayoutRetryNext);
            int result = page->DoModal();
            page.reset();
            if (result == ui::IDOK) {
                state = State::Adapter;
            } else if (result == IDC_OUTCOME_NEXT) {
                wait();
                title = res::LoadString(kCompleteTitleId);
                text = res::LoadString(kCompleteTextId);
                state = State::Complete;
            } else {
                wait();
                return 0;
            }
            break;
        }
        case State::Complete: {
            auto page = pages.CreateOutcomePage(kOutcomeFontHeight, title, text, kLayoutExitReminder);
            int result = page->DoModal();
            if (result != ui::IDCANCEL) {
                state = State::Adapter;
                break;
            }
            services.mediaSense.RestoreMediaSenseNt5();
            services.mediaSense.RestoreMediaSenseMe();
            services.sleep(kLeaseDelay);
            hostnet::ReleaseAdapterLease(services.ipHelper, services.osVersionWord, leaseAdapterIndex);
            hostnet::RenewAdapterLease(services.ipHelper, services.osVersionWord, leaseAdapterIndex);
            page.reset();
            wait();
            return 0;
        }
        case State::Failed: {
            auto page = pages.CreateOutcomePage(kOutcomeFontHeight, title, text, kLayoutTemplate);
            int result = page->DoModal();
            page.reset();
            if (result == ui::IDOK) {
                state = State::Adapter;
                break;
            }
            return 0;
        }
        }
    }
}

} // namespace vornalix::app
