#include "wizard/emergency/EmergencyUpgradeFlow.h"

#include "common/DottedAddress.h"
#include "hostnet/AdapterLease.h"
#include "hostnet/InterfaceAddressTable.h"
#include "hostnet/OsVersionWord.h"
#include "hostnet/Platform.h"
#include "res/Resources.h"
#include "wizard/emergency/PlatformMediaSense.h"

namespace vornalix::wizard {

namespace {

constexpr int kOutcomeFontHeight = 40;

enum class State { Adapter, Transfer, Check, Complete, Failed };

} // namespace

std::unique_ptr<wizard::FirmwareAdapterPage>
EmergencyFlowPages::CreateFirmwareAdapterPage(const std::string& pathText, int initialSelection,
                                              hostnet::MediaSenseControl& mediaSense) {
    return std::make_unique<wizard::FirmwareAdapterPage>(pathText, initialSelection, mediaSense);
}

std::unique_ptr<wizard::EmergencyTransferPage>
EmergencyFlowPages::CreateEmergencyTransferPage(const std::string& pathText, std::uint32_t serverAddress) {
    return std::make_unique<wizard::EmergencyTransferPage>(pathText, serverAddress);
}

EmergencyFlowServices::EmergencyFlowServices()
    : platformIpHelper(hostnet::CreateIpHelper()), platformMediaSense(std::make_unique<PlatformMediaSense>()),
      ipHelper(*platformIpHelper), osVersionWord(hostnet::OsVersionWord()), mediaSense(*platformMediaSense),
      sleep(RealSleep()) {}

EmergencyFlowServices::EmergencyFlowServices(hostnet::IpHelper& ipHelper, std::uint16_t osVersionWord,
                                             hostnet::MediaSenseControl& mediaSense, Sleep sleep)
    : ipHelper(ipHelper), osVersionWord(osVersionWord), mediaSense(mediaSense), sleep(std::move(sleep)) {}

EmergencyFlowServices::~EmergencyFlowServices() = default;

int RunEmergencyUpgradeFlow(EmergencyFlowPages& pages, std::string& firmwarePath,
                            const EmergencyFlowServices& services) {
    const auto wait = [&] { services.sleep(kPageWait); };
    int adapterSelection = 0;
    std::uint32_t leaseAdapterIndex = 0;
    std::unique_ptr<wizard::EmergencyTransferPage> transferPage;
    std::string title, text;
    State state = State::Adapter;
    for (;;) {
        switch (state) {
        case State::Adapter: {
            auto page = pages.CreateFirmwareAdapterPage(firmwarePath, adapterSelection, services.mediaSense);
            int result = page->DoModal();
            firmwarePath = page->pathText;
            if (result == PageResult::Back)
                return FlowResult::ShowModePage;
            if (result == PageResult::Cancel)
                return FlowResult::EndWizard;
            adapterSelection = page->selectedIndex;
            std::uint32_t adapterAddress = page->selectedAddress;
            char dotted[16];
            leaseAdapterIndex = hostnet::FindAdapterByAddress(services.ipHelper, services.osVersionWord,
                                                              common::FormatDottedAddress(adapterAddress, dotted));
            transferPage = pages.CreateEmergencyTransferPage(page->pathText, adapterAddress);
            transferPage->HoldAdapter(page->selectedAdapter.interfaceName, page->selectedAdapter.interfaceIndex,
                                      page->selectedAdapter.temporaryAddress);
            page.reset();
            wait();
            state = State::Transfer;
            break;
        }
        case State::Transfer: {
            int result = transferPage->DoModal();
            transferPage.reset();
            if (result == PageResult::Back) {
                state = State::Adapter;
            } else if (result == PageResult::Cancel) {
                return FlowResult::EndWizard;
            } else if (result == PageResult::Ok || result == PageResult::TransferNotConfirmed) {
                // The image went out either way; only the gateway's TEST LED tells whether it took it.
                wait();
                title = res::LoadString(res::StringId::CheckStatusTitle);
                text = res::LoadString(res::StringId::TestLedCheckText);
                if (result == PageResult::TransferNotConfirmed)
                    text = res::LoadString(res::StringId::TransferNotConfirmedNote) + "\n" + text;
                state = State::Check;
            } else if (result == PageResult::TransferFailed) {
                wait();
                title = res::LoadString(res::StringId::EmergencyFailedTitle);
                text = res::LoadString(res::StringId::EmergencyFailedText);
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
            if (result == PageResult::Ok) {
                state = State::Adapter;
            } else if (result == PageResult::OutcomeNext) {
                wait();
                title = res::LoadString(res::StringId::UpdateCompleteTitle);
                text = res::LoadString(res::StringId::UpdateCompleteText);
                state = State::Complete;
            } else {
                wait();
                return FlowResult::EndWizard;
            }
            break;
        }
        case State::Complete: {
            auto page = pages.CreateOutcomePage(kOutcomeFontHeight, title, text, kLayoutExitReminder);
            int result = page->DoModal();
            if (result != PageResult::Cancel) {
                state = State::Adapter;
                break;
            }
            // The page stays up, held, until this is done: when its window goes, the program ends.
            page->ShowWhileFinishing();
            services.mediaSense.RestoreMediaSenseNt5();
            services.mediaSense.RestoreMediaSenseMe();
            services.sleep(kLeaseDelay);
            hostnet::ReleaseAdapterLease(services.ipHelper, services.osVersionWord, leaseAdapterIndex);
            hostnet::RenewAdapterLease(services.ipHelper, services.osVersionWord, leaseAdapterIndex);
            page.reset();
            wait();
            return FlowResult::EndWizard;
        }
        case State::Failed: {
            auto page = pages.CreateOutcomePage(kOutcomeFontHeight, title, text, kLayoutTemplate);
            int result = page->DoModal();
            page.reset();
            if (result == PageResult::Ok) {
                state = State::Adapter;
                break;
            }
            return FlowResult::EndWizard;
        }
        }
    }
}

} // namespace vornalix::wizard
