#include "GatewayLink.h"

#include "PrivateNetwork.h"

#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace vornalix::recovery::test {

GatewayLink::GatewayLink(const std::string& tag, const std::vector<std::string>& hostAddresses) {
    const std::string id = std::to_string(getpid()) + tag;
    nameSpace = "vxgw" + id;
    hostInterface = "vxh" + id;
    gatewayInterface = "vxg" + id;
    std::string script = "set -e; ip netns add " + nameSpace + "; ip link add " + hostInterface +
                         " type veth peer name " + gatewayInterface + " netns " + nameSpace + "; ";
    for (const std::string& address : hostAddresses)
        script += "ip addr add " + address + " dev " + hostInterface + "; ";
    script += "ip link set " + hostInterface + " up; ip -n " + nameSpace + " link set lo up; ip -n " + nameSpace +
              " link set " + gatewayInterface + " up";
    ready = RunCommand("sh -c '" + script + "'", &setupLog) == 0;
}

GatewayLink::~GatewayLink() {
    RunCommand("ip netns del " + nameSpace);
    RunCommand("ip link del " + hostInterface);
}

int GatewayLink::RunInGateway(const std::string& command, std::string* output) const {
    return RunCommand("ip netns exec " + nameSpace + " " + command, output);
}

int GatewayLink::SocketInGateway() const {
    int fd = -1;
    // Namespaces belong to threads: make the socket on a thread that enters the gateway's namespace.
    std::thread([&] {
        const int handle = open(("/run/netns/" + nameSpace).c_str(), O_RDONLY | O_CLOEXEC);
        if (handle < 0)
            return;
        if (setns(handle, CLONE_NEWNET) == 0)
            fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        close(handle);
    }).join();
    return fd;
}

int GatewayLink::GatewayInterfaceIndex() const {
    std::string output;
    RunInGateway("cat /sys/class/net/" + gatewayInterface + "/ifindex", &output);
    return std::atoi(output.c_str());
}

} // namespace vornalix::recovery::test
