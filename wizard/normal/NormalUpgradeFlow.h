#pragma once
// The normal upgrade: gateway address, firmware file, gateway information, upload progress, then
// the failure or the success page; after a success the DHCP lease of the adapter on the gateway's
// subnet is released and renewed.
#include "hostnet/IpHelper.h"
#include "web/GatewayHttpSession.h"
#include "wizard/FlowPause.h"
#include "wizard/PageFactory.h"
#include "wizard/normal/FirmwareFilePage.h"
#include "wizard/normal/GatewayAddressPage.h"
#include "wizard/normal/GatewayInfoPage.h"
#include "wizard/normal/UploadProgressPage.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vornalix::wizard {

// Where the normal flow gets its pages: tests substitute scripted ones.
class NormalFlowPages : public PageFactory {
public:
    virtual std::unique_ptr<wizard::GatewayAddressPage> CreateGatewayAddressPage(web::GatewayHttpSession& session,
                                                                                 const std::string& urlText);
    virtual std::unique_ptr<wizard::FirmwareFilePage> CreateFirmwareFilePage(const std::string& pathText);
    virtual std::unique_ptr<wizard::GatewayInfoPage> CreateGatewayInfoPage(web::GatewayHttpSession& session);
    virtual std::unique_ptr<wizard::UploadProgressPage> CreateUploadProgressPage(web::GatewayHttpSession& session);
};

// The host services the flow uses: the IP helper library for the lease, the system version and the pause
// between steps.
class NormalFlowServices {
public:
    // The platform's library and clock, and the process's OsVersionWord.
    NormalFlowServices();
    NormalFlowServices(hostnet::IpHelper& ipHelper, std::uint16_t osVersionWord, Sleep sleep = RealSleep());
    NormalFlowServices(const NormalFlowServices&) = delete;
    NormalFlowServices& operator=(const NormalFlowServices&) = delete;
    ~NormalFlowServices();

private:
    std::unique_ptr<hostnet::IpHelper> platformIpHelper;

public:
    hostnet::IpHelper& ipHelper;
    std::uint16_t osVersionWord;
    Sleep sleep;
};

// The part of gatewayUrl after the 7-character scheme up to its last '.'; "" without such a dot.
std::string SubnetPrefix(const std::string& gatewayUrl);

// Runs the flow: 0 ends the wizard, -1 goes back to the mode page. urlCopy and firmwarePath are
// the starting texts of the address and firmware pages and come back updated; gatewayUrl gets
// the address page's text every time that page closes.
int RunNormalUpgradeFlow(NormalFlowPages& pages, std::string& urlCopy, std::string& firmwarePath,
                         std::string& gatewayUrl, const NormalFlowServices& services = NormalFlowServices());

} // namespace vornalix::wizard
