#include "wizard/normal/NormalUpgradeFlow.h"

#include "hostnet/AdapterLease.h"
#include "hostnet/OsVersionWord.h"
#include "hostnet/Platform.h"
#include "res/Resources.h"

namespace vornalix::wizard {

namespace {

constexpr int kSchemeLength = 7; // "http://"

enum class State { Address, Firmware, Info, Upload, Failed, Done };

} // namespace

std::unique_ptr<wizard::GatewayAddressPage> NormalFlowPages::CreateGatewayAddressPage(web::GatewayHttpSession& session,
                                                                                      const std::string& urlText) {
    return std::make_unique<wizard::GatewayAddressPage>(session, urlText);
}

std::unique_ptr<wizard::FirmwareFilePage> NormalFlowPages::CreateFirmwareFilePage(const std::string& pathText) {
    return std::make_unique<wizard::FirmwareFilePage>(pathText);
}

std::unique_ptr<wizard::GatewayInfoPage> NormalFlowPages::CreateGatewayInfoPage(web::GatewayHttpSession& session) {
    return std::make_unique<wizard::GatewayInfoPage>(session);
}

std::unique_ptr<wizard::UploadProgressPage>
NormalFlowPages::CreateUploadProgressPage(web::GatewayHttpSession& session) {
    return std::make_unique<wizard::UploadProgressPage>(session);
}

NormalFlowServices::NormalFlowServices()
    : platformIpHelper(hostnet::CreateIpHelper()), ipHelper(*platformIpHelper), osVersionWord(hostnet::OsVersionWord()),
      sleep(RealSleep()) {}

NormalFlowServices::NormalFlowServices(hostnet::IpHelper& ipHelper, std::uint16_t osVersionWord, Sleep sleep)
    : ipHelper(ipHelper), osVersionWord(osVersionWord), sleep(std::move(sleep)) {}

NormalFlowServices::~NormalFlowServices() = default;

std::string SubnetPrefix(const std::string& gatewayUrl) {
    std::size_t dot = gatewayUrl.rfind('.');
    if (dot == std::string::npos || dot < static_cast<std::size_t>(kSchemeLength))
        return {};
    return gatewayUrl.substr(kSchemeLength, dot - kSchemeLength);
}

int RunNormalUpgradeFlow(NormalFlowPages& pages, std::string& urlCopy, std::string& firmwarePath,
                         std::string& gatewayUrl, const NormalFlowServices& services) {
    const auto wait = [&] { services.sleep(kPageWait); };
    web::GatewayHttpSession session;
    std::uint32_t leaseAdapterIndex = 0;
    std::string title, text;
    State state = State::Address;
    for (;;) {
        switch (state) {
        case State::Address: {
            auto page = pages.CreateGatewayAddressPage(session, urlCopy);
            int result = page->DoModal();
            gatewayUrl = page->urlText;
            std::string subnetPrefix = SubnetPrefix(gatewayUrl);
            // An empty prefix names no subnet (an adapter without an address would match it).
            leaseAdapterIndex =
                subnetPrefix.empty()
                    ? 0
                    : hostnet::FindAdapterBySubnet(services.ipHelper, services.osVersionWord, subnetPrefix);
            if (result == PageResult::Back)
                return FlowResult::ShowModePage;
            if (result == PageResult::Cancel)
                return FlowResult::EndWizard;
            wait();
            urlCopy = page->urlText;
            state = State::Firmware;
            break;
        }
        case State::Firmware: {
            auto page = pages.CreateFirmwareFilePage(firmwarePath);
            int result = page->DoModal();
            if (result == PageResult::Back) {
                state = State::Address;
                break;
            }
            if (result == PageResult::Cancel)
                return FlowResult::EndWizard;
            // The path of the last firmware page left by Next: the information page comes next.
            firmwarePath = page->pathText;
            state = State::Info;
            break;
        }
        case State::Info: {
            wait();
            auto page = pages.CreateGatewayInfoPage(session);
            int result = page->DoModal();
            page.reset();
            if (result == PageResult::Back) {
                wait();
                state = State::Firmware;
                break;
            }
            if (result == PageResult::Cancel)
                return FlowResult::EndWizard;
            wait();
            session.firmwarePath = firmwarePath;
            state = State::Upload;
            break;
        }
        case State::Upload: {
            auto page = pages.CreateUploadProgressPage(session);
            int result = page->DoModal();
            // Nothing touches the session before its worker has ended.
            session.JoinWorker();
            page.reset();
            if (result == PageResult::UploadFailed) {
                wait();
                title = res::LoadString(res::StringId::UpgradeFailedTitle);
                text = res::LoadString(res::StringId::UpgradeFailedText);
                state = State::Failed;
            } else if (result == PageResult::UploadSucceeded) {
                wait();
                text = res::LoadString(res::StringId::UpgradeSucceededText);
                state = State::Done;
            } else {
                state = State::Info;
            }
            break;
        }
        case State::Failed: {
            auto page = pages.CreateOutcomePage(40, title, text, kLayoutRetryExit);
            if (page->DoModal() == PageResult::Ok) {
                state = State::Info;
                break;
            }
            return FlowResult::EndWizard;
        }
        case State::Done: {
            auto page = pages.CreateFinalPage(text, kLayoutRetryExit);
            if (page->DoModal() == PageResult::Ok) {
                state = State::Info;
                break;
            }
            // The page stays up, held, while the lease is renewed: when its window goes, the program ends.
            page->ShowWhileFinishing();
            if (!hostnet::IsVersion40(services.osVersionWord)) {
                hostnet::ReleaseAdapterLease(services.ipHelper, services.osVersionWord, leaseAdapterIndex);
                hostnet::RenewAdapterLease(services.ipHelper, services.osVersionWord, leaseAdapterIndex);
            }
            page.reset();
            wait();
            return FlowResult::EndWizard;
        }
        }
    }
}

} // namespace vornalix::wizard
