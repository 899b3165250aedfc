#include "hostnet/linux/AdapterHold.h"

#include "common/DottedAddress.h"
#include "hostnet/LinkLocalAddress.h"
#include "hostnet/linux/NetlinkAddressControl.h"
#include "hostnet/linux/NetlinkTables.h"
#include "hostnet/linux/ProcessRunner.h"
#include "res/Resources.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
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

// NetworkManager's device states: 10 unmanaged; 20 (unavailable) and above are managed.
constexpr int kNmStateUnavailable = 20;

std::vector<std::string> Words(const std::string& line) {
    std::istringstream stream(line);
    return {std::istream_iterator<std::string>(stream), std::istream_iterator<std::string>()};
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

constexpr int kReactivationPolls = 15;
constexpr std::chrono::milliseconds kReactivationPoll{200};

// The UUID of the profile active (or activating) on the device; "" when none.
std::string ActiveConnection(CommandRunner& runner, const std::string& interfaceName) {
    std::string output;
    if (runner.Run({"nmcli", "-t", "-f", "DEVICE,UUID", "connection", "show", "--active"}, &output) != 0)
        return {};
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line))
        if (line.rfind(interfaceName + ":", 0) == 0)
            return line.substr(interfaceName.size() + 1);
    return {};
}

std::vector<std::uint32_t> InterfaceAddresses(std::uint32_t interfaceIndex) {
    std::vector<std::uint32_t> addresses;
    NetlinkTables tables;
    tables.Read();
    for (const AddressRecord& record : tables.addresses)
        if (record.index == interfaceIndex)
            addresses.push_back(record.address);
    return addresses;
}

// Waits until networkd has configured the link again and every address it had is back, for a
// few polls in a row.
void WaitForNetworkd(const std::string& rootDir, std::uint32_t interfaceIndex,
                     const std::vector<std::uint32_t>& addresses) {
    constexpr int kPolls = 50;
    constexpr int kStablePolls = 3;
    int stable = 0;
    for (int poll = 0; poll < kPolls && stable < kStablePolls; ++poll) {
        std::ifstream state(rootDir + "/run/systemd/netif/links/" + std::to_string(interfaceIndex));
        std::string line;
        bool configured = false;
        while (std::getline(state, line))
            configured = configured || line == "ADMIN_STATE=configured";
        const std::vector<std::uint32_t> now = InterfaceAddresses(interfaceIndex);
        const bool present = std::all_of(addresses.begin(), addresses.end(), [&now](std::uint32_t a) {
            return std::find(now.begin(), now.end(), a) != now.end();
        });
        stable = configured && present ? stable + 1 : 0;
        if (stable < kStablePolls)
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
}

// A drop-in as Begin writes one: /run/systemd/network/NAME.d/ and our file name, nothing else.
bool IsOurDropIn(const std::string& path) {
    const fs::path dropIn(path);
    const std::string folder = dropIn.parent_path().filename().string();
    return dropIn.parent_path().parent_path() == "/run/systemd/network" &&
           dropIn.filename() == AdapterHold::kDropInName && folder.size() > 2 && folder.ends_with(".d");
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
    this->failure = HoldFailure::None;
    failureError = 0;
    const ManagerInfo info = Detect(interfaceName, interfaceIndex);
    manager = info.kind;
    heldInterface = interfaceName;
    std::vector<std::string> lines;
    if (info.kind == LinkManager::NetworkManager) {
        // The profile active on the device is brought back afterwards, also one that does not
        // connect by itself.
        const std::string uuid = ActiveConnection(runner, interfaceName);
        lines.push_back("unmanaged " + interfaceName + (uuid.empty() ? "" : " " + uuid));
    } else if (info.kind == LinkManager::Networkd)
        lines.push_back("drop-in /run/systemd/network/" + fs::path(info.networkFile).filename().string() + ".d/" +
                        kDropInName);
    if (temporaryAddress != 0)
        lines.push_back("address " + interfaceName + " " + common::FormatDottedAddress(temporaryAddress) + " " +
                        std::to_string(kLinkLocalPrefixLength) + " " + addresses.PlannedMark(interfaceName));
    const std::vector<std::uint32_t> addressesBefore = InterfaceAddresses(interfaceIndex);
    for (const std::string& line : lines) {
        if (!Apply(line, failure)) {
            EndLocked();
            return false;
        }
        // networkd reconfigures the link on reload and drops its addresses for a moment.
        if (line.rfind("drop-in ", 0) == 0)
            WaitForNetworkd(rootDir, interfaceIndex, addressesBefore);
    }
    return true;
}

bool AdapterHold::Apply(const std::string& line, std::string* failureText) {
    const std::vector<std::string> words = Words(line);
    const auto fail = [&](HoldFailure kind, int error, const std::string& text) {
        journal.Erase(line);
        failure = kind;
        failureError = error;
        if (failureText != nullptr)
            *failureText = text;
        return false;
    };
    // Recorded first: a kill between the change and its record would leave it unrecorded.
    if (!journal.Record(line))
        return fail(HoldFailure::RecordFailed, 0,
                    res::FormatString(res::StringId::HoldNotRecorded, {journal.Directory()}));
    if (words[0] == "unmanaged") {
        if (runner.Run({"nmcli", "device", "set", words[1], "managed", "no"}, nullptr) != 0)
            return fail(HoldFailure::NetworkManagerRefused, 0,
                        res::FormatString(res::StringId::NetworkManagerHoldRefused, {words[1]}));
    } else if (words[0] == "drop-in") {
        const fs::path path = rootDir + words[1];
        std::error_code error;
        fs::create_directories(path.parent_path(), error);
        std::ofstream file(path, std::ios::trunc);
        file << "# Keeps the address through a power cycle of the gateway on this link; removed by Vornalix.\n"
                "[Network]\nIgnoreCarrierLoss=yes\n";
        file.close();
        // networkd reads its configuration as its own user, whatever umask the writer had.
        constexpr auto readable = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                  fs::perms::others_read;
        fs::permissions(path.parent_path(), readable | fs::perms::owner_exec | fs::perms::group_exec |
                                                fs::perms::others_exec, error);
        fs::permissions(path, readable, error);
        if (!file || runner.Run({"networkctl", "reload"}, nullptr) != 0) {
            fs::remove(path, error);
            fs::remove(path.parent_path(), error); // only when empty
            return fail(HoldFailure::NetworkdRefused, 0,
                        res::FormatString(res::StringId::NetworkdHoldRefused, {heldInterface}));
        }
    } else if (words[0] == "address") {
        in_addr address{};
        inet_pton(AF_INET, words[2].c_str(), &address);
        std::string mark;
        const int error = addresses.Add(words[1], address.s_addr, kLinkLocalPrefixLength, &mark);
        if (error != 0)
            return fail(
                HoldFailure::AddressFailed, error,
                res::FormatString(res::StringId::TemporaryAddressFailed, {words[2], words[1], std::strerror(error)}));
        // The mark the address got, when it is not the one recorded (a creation stamp, read back).
        const std::string added = "address " + words[1] + " " + words[2] + " " + words[3] + " " + mark;
        if (added != line) {
            if (!journal.Replace(line, added)) {
                addresses.Remove(words[1], address.s_addr, kLinkLocalPrefixLength, mark);
                return fail(HoldFailure::RecordFailed, 0,
                            res::FormatString(res::StringId::HoldNotRecorded, {journal.Directory()}));
            }
            applied.push_back(added);
            return true;
        }
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
    if (words[0] == "unmanaged" && (words.size() == 2 || words.size() == 3)) {
        if (runner.Run({"nmcli", "device", "set", words[1], "managed", "yes"}, nullptr) != 0)
            // A device that is gone has nothing left to restore.
            return rootDir.empty() && if_nametoindex(words[1].c_str()) == 0;
        if (words.size() == 3) {
            // A profile that connects by itself is active again within moments; another is brought up.
            for (int poll = 0; poll < kReactivationPolls; ++poll) {
                if (ActiveConnection(runner, words[1]) == words[2])
                    return true;
                std::this_thread::sleep_for(kReactivationPoll);
            }
            // Activation itself may take long (DHCP): not waited for to the end.
            runner.Run({"nmcli", "--wait", "10", "connection", "up", "uuid", words[2], "ifname", words[1]}, nullptr);
        }
        return true;
    }
    if (words[0] == "drop-in" && words.size() == 2) {
        if (!IsOurDropIn(words[1]))
            return true;
        const fs::path path = rootDir + words[1];
        std::error_code error;
        fs::remove(path, error);
        if (fs::exists(path, error))
            return false;
        fs::remove(path.parent_path(), error); // only when empty
        runner.Run({"networkctl", "reload"}, nullptr);
        return true;
    }
    if (words[0] == "address" && words.size() >= 5) {
        // Only a temporary link-local address as this program gives one, and only while it carries
        // the recorded mark.
        in_addr address{};
        if (inet_pton(AF_INET, words[2].c_str(), &address) != 1 || !IsLinkLocal(address.s_addr) ||
            words[3] != std::to_string(kLinkLocalPrefixLength))
            return true;
        std::string mark = words[4];
        for (std::size_t word = 5; word < words.size(); ++word)
            mark += " " + words[word];
        return addresses.Remove(words[1], address.s_addr, kLinkLocalPrefixLength, mark) == 0;
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
    std::vector<HoldJournal::Leftover> leftovers = journal.Leftovers();
    // A record of an earlier process of this one's number first: this process's own record replaces it.
    const std::string ownFile = journal.Directory() + "/hold-" + std::to_string(getpid());
    std::stable_partition(leftovers.begin(), leftovers.end(),
                          [&ownFile](const HoldJournal::Leftover& leftover) { return leftover.file == ownFile; });
    int undone = 0;
    for (const HoldJournal::Leftover& leftover : leftovers) {
        std::vector<std::string> kept;
        for (auto line = leftover.lines.rbegin(); line != leftover.lines.rend(); ++line) {
            if (AdapterHold::Undo(*line, runner, addresses, rootDir))
                ++undone;
            else
                kept.insert(kept.begin(), *line);
        }
        // What could not be undone moves into this process's record before the old one goes.
        if (leftover.file == ownFile)
            HoldJournal::Forget(leftover.file);
        for (const std::string& line : kept)
            journal.Record(line);
        if (leftover.file != ownFile)
            HoldJournal::Forget(leftover.file);
    }
    return undone;
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
