#pragma once
// Finds the DHCP client that manages an interface and has it release or renew the lease:
// NetworkManager (nmcli), systemd-networkd (networkctl), dhclient or dhcpcd, in this
// process's network namespace.
#include "hostnet/linux/CommandRunner.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace vornalix::hostnet {

enum class DhcpClientKind { None, NetworkManager, Networkd, Dhclient, Dhcpcd };

struct DhcpClient {
    DhcpClientKind kind = DhcpClientKind::None;
    // dhclient: the -pf, -lf and -cf options of the running client, so that a release stops
    // that client and a renewal uses its files.
    std::vector<std::string> options;
};

class DhcpClientControl {
public:
    // rootDir prefixes the paths read (/proc, /run, /var/lib); "" is the real system.
    explicit DhcpClientControl(CommandRunner& runner, std::string rootDir = "");

    // The client that holds or seeks a lease on the interface; kind None when there is none.
    DhcpClient Detect(const std::string& interfaceName, std::uint32_t interfaceIndex);
    // 0 on success; kErrorNotSupported when no client manages the interface; the failing
    // command's exit status (or 1) otherwise. A client that released a lease is remembered for
    // the renewal, since after the release it may no longer show itself.
    std::uint32_t Release(const std::string& interfaceName, std::uint32_t interfaceIndex);
    std::uint32_t Renew(const std::string& interfaceName, std::uint32_t interfaceIndex);

    // The commands that release or renew through a client.
    static std::vector<std::vector<std::string>> ReleaseCommands(const DhcpClient& client,
                                                                 const std::string& interfaceName);
    static std::vector<std::vector<std::string>> RenewCommands(const DhcpClient& client,
                                                               const std::string& interfaceName, bool afterRelease);

private:
    struct Process {
        std::string pid;
        std::string program; // basename of argv[0]
        std::vector<std::string> arguments;
    };
    std::vector<Process> Processes() const;
    // Whether the process works in this process's network namespace. A client or daemon of
    // another namespace (the host's, seen from a test's) manages other interfaces, even when
    // their names or indexes coincide; when either namespace cannot be read, it counts.
    bool InOurNamespace(const std::string& pid) const;
    // Whether a daemon of that program name runs, but in another network namespace.
    bool RunsElsewhere(const std::vector<Process>& processes, const std::string& program) const;
    bool Exists(const std::string& path) const;
    std::uint32_t RunAll(const std::vector<std::vector<std::string>>& commands);

    CommandRunner& runner;
    std::string rootDir;
    std::mutex mutex;
    std::map<std::string, DhcpClient> released;
};

} // namespace vornalix::hostnet
