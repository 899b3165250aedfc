#include "hostnet/AdapterHold.h"

#include "hostnet/PermissionAdvice.h"
#include "hostnet/linux/NetlinkAddressControl.h"
#include "hostnet/linux/ProcessRunner.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <thread>

namespace vornalix::hostnet {

namespace fs = std::filesystem;

namespace {

constexpr int kNetworkdNeedsRootId = 206;
constexpr int kNetworkManagerRefusedId = 207;
constexpr int kAddressFailedId = 208;

// NetworkManager's device states: 10 unmanaged; 20 (unavailable) and above are managed.
constexpr int kNmStateUnavailable = 20;

std::vector<std::string> Words(const std::string& line) {
    std::istringstream stream(line);
    return {std::istream_iterator<std::string>(stream), std::istream_iterator<std::string>()};
}

std::string Dotted(std::uint32_t address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

// Names of the programs that run in this network namespace, and of those that run elsewhere.
struct Daemons {
    std::set<std::string> here, elsewhere;
    bool RunsOnlyElsewhere(const std::string& program) const {
        return elsewhere.count(program) != 0 && here.count(program) == 0;
    }
};

Daemons ScanDaemons(const std::string& rootDir) {
    Daemons daemons;
    std::error_code error;
    const auto ours = fs::read_symlink(rootDir + "/proc/self/ns/net", error);
    for (const auto& entry : fs::directory_iterator(rootDir + "/proc", error)) {
        const std::string pid = entry.path().filename().string();
        if (pid.empty() || !std::all_of(pid.begin(), pid.end(), ::isdigit))
            continue;
        std::ifstream file(entry.path() / "comm");
        std::string name;
        if (!std::getline(file, name) || (name != "NetworkManager" && name != "systemd-network"))
            continue;
        std::error_code nsError;
        const auto theirs = fs::read_symlink(entry.path() / "ns" / "net", nsError);
        (nsError || theirs == ours ? daemons.here : daemons.elsewhere).insert(name);
    }
    return daemons;
}

std::mutex registryMutex;
std::set<AdapterHold*>& Registry() {
    static std::set<AdapterHold*> holds;
    return holds;
}

} // namespace

AdapterHold::AdapterHold(CommandRunner& runner, LinkAddressControl& addresses, HoldJournal& journal,
                         std::string rootDir)
    : runner(runner), addresses(addresses), journal(journal), rootDir(std::move(rootDir)) {}

AdapterHold::~AdapterHold() {
    End();
}

ManagerInfo AdapterHold::Detect(const std::string& interfaceName, std::uint32_t interfaceIndex) {
    const Daemons daemons = ScanDaemons(rootDir);
    std::error_code error;
    if (fs::exists(rootDir + "/run/NetworkManager", error) && !daemons.RunsOnlyElsewhere("NetworkManager") &&
        runner.Available("nmcli")) {
        std::string output;
        if (runner.Run({"nmcli", "-g", "GENERAL.STATE", "device", "show", interfaceName}, &output) == 0 &&
            std::atoi(output.c_str()) >= kNmStateUnavailable)
            return {LinkManager::NetworkManager, {}};
    }
    std::ifstream state(rootDir + "/run/systemd/netif/links/" + std::to_string(interfaceIndex));
    if (state && !daemons.RunsOnlyElsewhere("systemd-network")) {
        std::string line, adminState, networkFile;
        while (std::getline(state, line)) {
            if (line.rfind("ADMIN_STATE=", 0) == 0)
                adminState = line.substr(12);
            else if (line.rfind("NETWORK_FILE=", 0) == 0)
                networkFile = line.substr(13);
        }
        if (!networkFile.empty() && adminState != "unmanaged" && adminState != "linger")
            return {LinkManager::Networkd, networkFile};
    }
    return {};
}

bool AdapterHold::Begin(const std::string& interfaceName, std::uint32_t interfaceIndex, std::uint32_t temporaryAddress,
                        std::string* failure) {
    std::lock_guard lock(mutex);
    EndLocked();
    {
        std::lock_guard registryLock(registryMutex);
        Registry().insert(this);
    }
    const ManagerInfo info = Detect(interfaceName, interfaceIndex);
    manager = info.kind;
    std::vector<std::string> lines;
    if (info.kind == LinkManager::NetworkManager)
        lines.push_back("unmanaged " + interfaceName);
    else if (info.kind == LinkManager::Networkd)
        lines.push_back("drop-in /run/systemd/network/" + fs::path(info.networkFile).filename().string() + ".d/" +
                        kDropInName);
    if (temporaryAddress != 0)
        lines.push_back("address " + interfaceName + " " + Dotted(temporaryAddress) + " 16");
    for (const std::string& line : lines) {
        if (!Apply(line, failure)) {
            EndLocked();
            return false;
        }
    }
    return true;
}

bool AdapterHold::Apply(const std::string& line, std::string* failure) {
    const std::vector<std::string> words = Words(line);
    const auto fail = [&](const std::string& text) {
        journal.Erase(line);
        if (failure != nullptr)
            *failure = text;
        return false;
    };
    // Recorded first: a kill between the change and its record would leave it unrecorded.
    journal.Record(line);
    if (words[0] == "unmanaged") {
        if (runner.Run({"nmcli", "device", "set", words[1], "managed", "no"}, nullptr) != 0)
            return fail(FormatText(kNetworkManagerRefusedId, {words[1], words[1]}));
    } else if (words[0] == "drop-in") {
        const fs::path path = rootDir + words[1];
        std::error_code error;
        fs::create_directories(path.parent_path(), error);
        std::ofstream file(path, std::ios::trunc);
        file << "# Keeps the address through a power cycle of the gateway on this link; removed by Vornalix.\n"
                "[Network]\nIgnoreCarrierLoss=yes\n";
        file.close();
        if (!file || runner.Run({"networkctl", "reload"}, nullptr) != 0) {
            fs::remove(path, error);
            fs::remove(path.parent_path(), error); // only when empty
            const std::string interfaceName = fs::path(words[1]).parent_path().filename().string();
            return fail(FormatText(kNetworkdNeedsRootId, {interfaceName}));
        }
    } else if (words[0] == "address") {
        in_addr address{};
        inet_pton(AF_INET, words[2].c_str(), &address);
        const int error = addresses.Add(words[1], address.s_addr, std::atoi(words[3].c_str()));
        if (error == EPERM || error == EACCES)
            return fail(PermissionAdvice(Permission::NetworkAdmin));
        if (error != 0)
            return fail(FormatText(kAddressFailedId, {words[2], words[1], std::strerror(error)}));
    }
    applied.push_back(line);
    return true;
}

void AdapterHold::EndChanges() {
    std::lock_guard lock(mutex);
    EndLocked();
}

void AdapterHold::End() {
    EndChanges();
    std::lock_guard registryLock(registryMutex);
    Registry().erase(this);
}

void AdapterHold::EndLocked() {
    while (!applied.empty()) {
        const std::string line = applied.back();
        applied.pop_back();
        // A change that cannot be undone now stays recorded for the next start.
        if (Undo(line, runner, addresses, rootDir))
            journal.Erase(line);
    }
}

bool AdapterHold::Undo(const std::string& line, CommandRunner& runner, LinkAddressControl& addresses,
                       const std::string& rootDir) {
    const std::vector<std::string> words = Words(line);
    if (words.empty())
        return true;
    if (words[0] == "unmanaged" && words.size() == 2) {
        if (runner.Run({"nmcli", "device", "set", words[1], "managed", "yes"}, nullptr) == 0)
            return true;
        // A device that is gone has nothing left to restore.
        return rootDir.empty() && if_nametoindex(words[1].c_str()) == 0;
    }
    if (words[0] == "drop-in" && words.size() == 2) {
        const fs::path path = rootDir + words[1];
        std::error_code error;
        fs::remove(path, error);
        if (fs::exists(path, error))
            return false;
        fs::remove(path.parent_path(), error); // only when empty
        runner.Run({"networkctl", "reload"}, nullptr);
        return true;
    }
    if (words[0] == "address" && words.size() == 4) {
        in_addr address{};
        if (inet_pton(AF_INET, words[2].c_str(), &address) != 1)
            return true;
        return addresses.Remove(words[1], address.s_addr, std::atoi(words[3].c_str())) == 0;
    }
    return true; // a line this version does not know
}

void EndAllHolds() {
    std::lock_guard registryLock(registryMutex);
    // End() would take the registry lock again: end the changes only; End() unregisters.
    for (AdapterHold* hold : Registry())
        hold->EndChanges();
}

int RestoreLeftoverChanges(HoldJournal& journal, CommandRunner& runner, LinkAddressControl& addresses,
                           const std::string& rootDir) {
    int undone = 0;
    for (const HoldJournal::Leftover& leftover : journal.Leftovers()) {
        std::vector<std::string> kept;
        for (auto line = leftover.lines.rbegin(); line != leftover.lines.rend(); ++line) {
            if (AdapterHold::Undo(*line, runner, addresses, rootDir))
                ++undone;
            else
                kept.insert(kept.begin(), *line);
        }
        HoldJournal::Forget(leftover.file);
        for (const std::string& line : kept)
            journal.Record(line);
    }
    return undone;
}

int RestoreLeftoverChanges() {
    ProcessRunner runner;
    NetlinkAddressControl addresses;
    HoldJournal journal;
    return RestoreLeftoverChanges(journal, runner, addresses);
}

namespace {

int signalPipe[2] = {-1, -1};

void OnTerminationSignal(int signal) {
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &number, 1);
}

} // namespace

void EndHoldsOnTermination() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        if (pipe2(signalPipe, O_CLOEXEC) != 0)
            return;
        std::thread([] {
            sigset_t all;
            sigemptyset(&all);
            sigaddset(&all, SIGINT);
            sigaddset(&all, SIGTERM);
            sigaddset(&all, SIGHUP);
            pthread_sigmask(SIG_UNBLOCK, &all, nullptr);
            unsigned char number = 0;
            while (read(signalPipe[0], &number, 1) != 1) {
            }
            EndAllHolds();
            signal(number, SIG_DFL);
            raise(number);
        }).detach();
        struct sigaction action {};
        action.sa_handler = OnTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int number : {SIGINT, SIGTERM, SIGHUP})
            sigaction(number, &action, nullptr);
    });
}

} // namespace vornalix::hostnet
