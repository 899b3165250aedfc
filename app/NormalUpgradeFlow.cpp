#include "app/NormalUpgradeFlow.h"

#include "hostnet/AdapterLease.h"
#include "hostnet/OsVersionWord.h"
#include "hostnet/Platform.h"
#include "res/Resources.h"

#include <chrono>
#include <thread>

namespace vornalix::app {

namespace {

constexpr int kSchemeLength = 7; // "http://"
constexpr int kUploadFailed = web::UploadProgressPage::kUploadFailed;
constexpr int kUploadSucceeded = web::UploadProgressPage::kUploadSucceeded;

void Wait() {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

enum class State { Address, Firmware, Info, Upload, Failed, Done };

} // namespace

std::unique_ptr<web::GatewayAddressPage> NormalFlowPages::CreateGatewayAddressPage(web::GatewayHttpSession& session,
                                                                                   const std::string& urlText) {
    return std::make_unique<web::GatewayAddressPage>(session, urlText);
}

std::unique_ptr<web::FirmwareFilePage> NormalFlowPages::CreateFirmwareFilePage(const std::string& pathText) {
    return std::make_unique<web::FirmwareFilePage>(pathText);
}

std::unique_ptr<web::GatewayInfoPage> NormalFlowPages::CreateGatewayInfoPage(web::GatewayHttpSession& session) {
    return std::make_unique<web::GatewayInfoPage>(session);
}

std::unique_ptr<web::UploadProgressPage> NormalFlowPages::CreateUploadProgressPage(web::GatewayHttpSession& session) {
    return std::make_unique<web::UploadProgressPage>(session);
}

NormalFlowServices::NormalFlowServices()
    : platformIpHelper(hostnet::CreateIpHelper()), ipHelper(*platformIpHelper),
      osVersionWord(hostnet::OsVersionWord()) {}

NormalFlowServices::NormalFlowServices(hostnet::IpHelper& ipHelper, std::uint16_t osVersionWord)
    : ipHelper(ipHelper), osVersionWord(osVersionWord) {}

NormalFlowServices::~NormalFlowServices() = default;

std::string SubnetPrefix(const std::string& gatewayUrl) {
    std::size_t dot = gatewayUrl.rfind('.');
    if (dot == std::string::npos || dot < static_cast<std::size_t>(kSchemeLength))
        return {};
    return gatewayUrl.substr(kSchemeLength, dot - kSchemeLength);
}

int RunNormalUpgradeFlow(NormalFlowPages& pages, std::string& urlCopy, std::string& firmwarePath,
                         std::string& gatewayUrl, const NormalFlowServices& services) {
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
            if (result == IDC_BACK)
                return -1;
            if (result == ui::IDCANCEL)
                return 0;
            Wait();
            urlCopy = page->urlText;
            state = State::Firmware;
            break;
        }
        case State::Firmware: {
            auto page = pages.CreateFirmwareFilePage(firmwarePath);
            int result = page->DoModal();
            if (result == IDC_BACK) {
                state = State::Address;
                break;
            }
            if (result == ui::IDCANCEL)
                return 0;
            // The path of the last firmware page left by Next: the information page comes next.
            firmwarePath = page->pathText;
            state = State::Info;
            break;
        }
        case State::Info: {
            Wait();
            auto page = pages.CreateGatewayInfoPage(session);
            int result = page->DoModal();
            page.reset();
            if (result == IDC_BACK) {
                Wait();
                state = State::Firmware;
                break;
            }
            if (result == ui::IDCANCEL)
                return 0;
            Wait();
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
            if (result == kUploadFailed) {
                Wait();
                title = res::LoadString(140);
                text = res::LoadString(139);
                state = State::Failed;
            } else if (result == kUploadSucceeded) {
                Wait();
                text = res::LoadString(138);
                state = State::Done;
            } else {
                state = State::Info;
            }
            break;
        }
        case State::Failed: {
            auto page = pages.CreateOutcomePage(40, title, text, kLayoutRetryExit);
            if (page->DoModal() == ui::IDOK) {
                state = State::Info;
                break;
            }
            return 0;
        }
        case State::Done: {
            auto page = pages.CreateFinalPage(text, kLayoutRetryExit);
            if (page->DoModal() == ui::IDOK) {
                state = State::Info;
                break;
            }
            page.reset();
            if (!hostnet::IsVersion40(services.osVersionWord)) {
                hostnet::ReleaseAdapterLease(services.ipHelper, services.osVersionWord, leaseAdapterIndex);
                hostnet::RenewAdapterLease(services.ipHelper, services.osVersionWord, leaseAdapterIndex);
            }
            Wait();
            return 0;
        }
        }
    }
}

} // namespace vornalix::app
