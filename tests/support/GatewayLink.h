#pragma once
// A second network namespace, the gateway's side, joined to the test's namespace by a veth pair. The gateway
// end has no address (like a boot loader that has not been answered yet). Everything goes when it is destroyed.
#include <string>
#include <vector>

namespace vornalix::recovery::test {

class GatewayLink {
public:
    // `tag` keeps names unique within one test; hostAddresses like "192.168.1.1/24".
    GatewayLink(const std::string& tag, const std::vector<std::string>& hostAddresses);
    ~GatewayLink();

    GatewayLink(const GatewayLink&) = delete;
    GatewayLink& operator=(const GatewayLink&) = delete;

    bool ok() const { return ready; }
    // Runs a shell command inside the gateway namespace.
    int RunInGateway(const std::string& command, std::string* output = nullptr) const;
    // A UDP socket that lives in the gateway namespace (-1 on failure).
    int SocketInGateway() const;
    int GatewayInterfaceIndex() const;

    std::string nameSpace;
    std::string hostInterface;
    std::string gatewayInterface;
    std::string setupLog;

private:
    bool ready = false;
};

} // namespace vornalix::recovery::test
