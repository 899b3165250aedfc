#include "hostnet/linux/DhcpClientControl.h"

#include "hostnet/IpHelper.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace vornalix::hostnet {

namespace {

bool Contains(const std::vector<std::string>& items, const std::string& item) {
    return std::find(items.begin(), items.end(), item) != items.end();
}

// dhclient options that take a value.
const std::set<std::string> kDhclientValueOptions = {"-pf",
                                                     "-lf",
                                                     "-cf",
                                                     "-sf",
                                                     "-s",
                                                     "-g",
                                                     "-p",
                                                     "-e",
                                                     "-H",
                                                     "-F",
                                                     "-V",
                                                     "-df",
                                                     "--prefix-len-hint",
                                                     "--decline-wait-time",
                                                     "--address-prefix-len",
                                                     "--dad-wait-time",
                                                     "--timeout"};

} // namespace

DhcpClientControl::DhcpClientControl(CommandRunner& runner, std::string rootDir)
    : runner(runner), rootDir(std::move(rootDir)) {}

bool DhcpClientControl::Exists(const std::string& path) const {
    std::error_code error;
    return std::filesystem::exists(rootDir + path, error);
}

std::vector<DhcpClientControl::Process> DhcpClientControl::Processes() const {
    std::vector<Process> processes;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(rootDir + "/proc", error)) {
        const std::string pid = entry.path().filename().string();
        if (pid.empty() || !std::all_of(pid.begin(), pid.end(), ::isdigit))
            continue;
        std::ifstream file(entry.path() / "cmdline", std::ios::binary);
        const std::string cmdline((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        // Arguments are NUL-separated; a client that rewrote its title ("dhcpcd: eth0 [ip4]")
        // uses blanks instead.
        std::vector<std::string> words;
        std::string word;
        for (char c : cmdline) {
            if (c == '\0' || c == ' ') {
                if (!word.empty())
                    words.push_back(word);
                word.clear();
            } else {
                word += c;
            }
        }
        if (!word.empty())
            words.push_back(word);
        if (words.empty())
            continue;
        std::string program = std::filesystem::path(words.front()).filename().string();
        if (!program.empty() && program.back() == ':')
            program.pop_back();
        processes.push_back({pid, program, std::vector<std::string>(words.begin() + 1, words.end())});
    }
    return processes;
}

bool DhcpClientControl::InOurNamespace(const std::string& pid) const {
    std::error_code error;
    const auto theirs = std::filesystem::read_symlink(rootDir + "/proc/" + pid + "/ns/net", error);
    if (error)
        return true;
    const auto ours = std::filesystem::read_symlink(rootDir + "/proc/self/ns/net", error);
    return error || theirs == ours;
}

bool DhcpClientControl::RunsElsewhere(const std::vector<Process>& processes, const std::string& program) const {
    bool here = false;
    bool elsewhere = false;
    for (const Process& process : processes) {
        if (process.program != program)
            continue;
        (InOurNamespace(process.pid) ? here : elsewhere) = true;
    }
    return elsewhere && !here;
}

DhcpClient DhcpClientControl::Detect(const std::string& interfaceName, std::uint32_t interfaceIndex) {
    const std::vector<Process> processes = Processes();
    if (Exists("/run/NetworkManager") && !RunsElsewhere(processes, "NetworkManager") && runner.Available("nmcli")) {
        std::string output;
        if (runner.Run({"nmcli", "-t", "-f", "GENERAL.STATE,DHCP4", "device", "show", interfaceName}, &output) == 0) {
            std::istringstream lines(output);
            std::string line;
            while (std::getline(lines, line))
                if (line.rfind("DHCP4.OPTION", 0) == 0)
                    return {DhcpClientKind::NetworkManager, {}};
        }
    }
    if (Exists("/run/systemd/netif/leases/" + std::to_string(interfaceIndex)) &&
        !RunsElsewhere(processes, "systemd-networkd") && runner.Available("networkctl"))
        return {DhcpClientKind::Networkd, {}};

    for (const Process& process : processes) {
        if (!InOurNamespace(process.pid))
            continue;
        if (process.program == "dhclient") {
            if (Contains(process.arguments, "-6"))
                continue;
            std::vector<std::string> interfaces;
            std::vector<std::string> options;
            for (std::size_t i = 0; i < process.arguments.size(); ++i) {
                const std::string& argument = process.arguments[i];
                if (kDhclientValueOptions.count(argument) != 0 && i + 1 < process.arguments.size()) {
                    if (argument == "-pf" || argument == "-lf" || argument == "-cf") {
                        options.push_back(argument);
                        options.push_back(process.arguments[i + 1]);
                    }
                    ++i;
                } else if (argument.empty() || argument[0] != '-') {
                    interfaces.push_back(argument);
                }
            }
            // Without interface arguments dhclient serves every broadcast interface.
            if (interfaces.empty() || Contains(interfaces, interfaceName))
                return {DhcpClientKind::Dhclient, options};
        } else if (process.program == "dhcpcd") {
            if (Contains(process.arguments, interfaceName))
                return {DhcpClientKind::Dhcpcd, {}};
            // A master dhcpcd names no interface: its lease and pid files do.
            for (const char* path : {"/var/lib/dhcpcd/", "/var/lib/dhcpcd/dhcpcd-", "/var/lib/dhcpcd5/dhcpcd-"})
                if (Exists(path + interfaceName + ".lease"))
                    return {DhcpClientKind::Dhcpcd, {}};
            if (Exists("/run/dhcpcd/" + interfaceName + "-4.pid") || Exists("/run/dhcpcd-" + interfaceName + ".pid") ||
                Exists("/run/dhcpcd-" + interfaceName + "-4.pid"))
                return {DhcpClientKind::Dhcpcd, {}};
        }
    }
    // Processes may be hidden (/proc mounted with hidepid): a dhclient pid file whose process
    // lives still tells.
    for (const std::string& pidFile :
         {"/run/dhclient." + interfaceName + ".pid", "/run/dhclient-" + interfaceName + ".pid",
          "/var/run/dhclient." + interfaceName + ".pid"}) {
        std::ifstream file(rootDir + pidFile);
        long pid = 0;
        if (!(file >> pid) || pid <= 0 || !Exists("/proc/" + std::to_string(pid)) ||
            !InOurNamespace(std::to_string(pid)))
            continue;
        DhcpClient client{DhcpClientKind::Dhclient, {"-pf", pidFile}};
        for (const std::string& leases : {"/var/lib/dhcp/dhclient." + interfaceName + ".leases",
                                          "/var/lib/dhclient/dhclient-" + interfaceName + ".leases"})
            if (Exists(leases)) {
                client.options.insert(client.options.end(), {"-lf", leases});
                break;
            }
        return client;
    }
    return {};
}

std::vector<std::vector<std::string>> DhcpClientControl::ReleaseCommands(const DhcpClient& client,
                                                                         const std::string& interfaceName) {
    switch (client.kind) {
    case DhcpClientKind::NetworkManager:
        return {{"nmcli", "device", "disconnect", interfaceName}};
    case DhcpClientKind::Networkd:
        return {{"networkctl", "down", interfaceName}};
    case DhcpClientKind::Dhclient: {
        std::vector<std::string> command{"dhclient", "-r"};
        command.insert(command.end(), client.options.begin(), client.options.end());
        command.push_back(interfaceName);
        return {command};
    }
    case DhcpClientKind::Dhcpcd:
        return {{"dhcpcd", "-k", interfaceName}};
    case DhcpClientKind::None:
        break;
    }
    return {};
}

std::vector<std::vector<std::string>>
DhcpClientControl::RenewCommands(const DhcpClient& client, const std::string& interfaceName, bool afterRelease) {
    switch (client.kind) {
    case DhcpClientKind::NetworkManager:
        return {{"nmcli", "device", "connect", interfaceName}};
    case DhcpClientKind::Networkd:
        if (afterRelease)
            return {{"networkctl", "up", interfaceName}};
        return {{"networkctl", "renew", interfaceName}};
    case DhcpClientKind::Dhclient: {
        std::vector<std::string> start{"dhclient"};
        start.insert(start.end(), client.options.begin(), client.options.end());
        start.push_back(interfaceName);
        if (afterRelease)
            return {start};
        // A running client is stopped (keeping its lease) before a new one asks again.
        std::vector<std::string> stop{"dhclient", "-x"};
        stop.insert(stop.end(), client.options.begin(), client.options.end());
        stop.push_back(interfaceName);
        return {stop, start};
    }
    case DhcpClientKind::Dhcpcd:
        return {{"dhcpcd", "-n", interfaceName}};
    case DhcpClientKind::None:
        break;
    }
    return {};
}

std::uint32_t DhcpClientControl::RunAll(const std::vector<std::vector<std::string>>& commands) {
    for (const auto& command : commands) {
        const int status = runner.Run(command, nullptr);
        if (status != 0)
            return status > 0 ? static_cast<std::uint32_t>(status) : 1;
    }
    return kNoError;
}

std::uint32_t DhcpClientControl::Release(const std::string& interfaceName, std::uint32_t interfaceIndex) {
    const DhcpClient client = Detect(interfaceName, interfaceIndex);
    if (client.kind == DhcpClientKind::None)
        return kErrorNotSupported;
    const std::uint32_t status = RunAll(ReleaseCommands(client, interfaceName));
    if (status == kNoError) {
        std::lock_guard lock(mutex);
        released[interfaceName] = client;
    }
    return status;
}

std::uint32_t DhcpClientControl::Renew(const std::string& interfaceName, std::uint32_t interfaceIndex) {
    DhcpClient client = Detect(interfaceName, interfaceIndex);
    bool afterRelease = false;
    {
        std::lock_guard lock(mutex);
        auto remembered = released.find(interfaceName);
        if (remembered != released.end()) {
            if (client.kind == DhcpClientKind::None)
                client = remembered->second;
            afterRelease = true;
            released.erase(remembered);
        }
    }
    if (client.kind == DhcpClientKind::None)
        return kErrorNotSupported;
    return RunAll(RenewCommands(client, interfaceName, afterRelease));
}

} // namespace vornalix::hostnet
