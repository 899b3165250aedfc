// The adapter hold against scripted daemons: what is changed, in which order, what is recorded
// under /run and how everything is undone (also after a kill, at the next start); a change that
// cannot be recorded is not made.
#include "hostnet/linux/AdapterHold.h"
#include "common/DottedAddress.h"
#include "hostnet/LinkLocalAddress.h"
#include "res/Resources.h"
#include "support/ScriptedRunner.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>

using namespace vornalix::hostnet;
using vornalix::testing::ScriptedRunner;
namespace fs = std::filesystem;

namespace {

class RecordingAddresses : public LinkAddressControl {
public:
    std::string PlannedMark(const std::string&) override { return plannedMark; }
    int Add(const std::string& name, std::uint32_t address, int prefix, std::string* mark) override {
        log.push_back("add " + name + " " + Dotted(address) + "/" + std::to_string(prefix));
        *mark = addedMark;
        return addError;
    }
    int Remove(const std::string& name, std::uint32_t address, int prefix, const std::string& mark) override {
        log.push_back("remove " + name + " " + Dotted(address) + "/" + std::to_string(prefix) + " " + mark);
        return removeError;
    }
    static std::string Dotted(std::uint32_t address) { return vornalix::common::FormatDottedAddress(address); }
    std::vector<std::string> log;
    std::string plannedMark = "label";
    std::string addedMark = "label";
    int addError = 0;
    int removeError = 0;
};

const char* kNmState = "nmcli -g GENERAL.STATE device show eth1";
const char* kNmActive = "nmcli -t -f DEVICE,UUID connection show --active";
const char* kUuid = "5b1c2f3e-0000-4000-8000-000000000001";

class AdapterHoldTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vornalix-hold-XXXXXX";
        root = mkdtemp(pattern);
        journal = std::make_unique<HoldJournal>((root / "run/vornalix").string());
        vornalix::res::OverrideLanguage(vornalix::res::Language::English);
        inet_pton(AF_INET, "169.254.7.9", &linkLocal);
    }
    void TearDown() override { fs::remove_all(root); }

    void Write(const std::string& path, const std::string& content) {
        fs::create_directories((root / path).parent_path());
        std::ofstream(root / path) << content;
    }
    void ManagedByNetworkManager() {
        fs::create_directories(root / "run/NetworkManager");
        runner.answers[kNmState] = {0, "100 (connected)\n"};
        runner.answers[kNmActive] = {0, "wlan0:aaaa\neth1:" + std::string(kUuid) + "\n"};
    }
    std::vector<std::string> Recorded() const {
        std::vector<std::string> lines;
        std::ifstream file(journal->Directory() + "/hold-" + std::to_string(getpid()));
        for (std::string line; std::getline(file, line);)
            if (line.rfind("netns ", 0) != 0 && line.rfind("boot ", 0) != 0 && line.rfind("start ", 0) != 0)
                lines.push_back(line);
        return lines;
    }
    std::vector<std::string> Changes() const {
        std::vector<std::string> changes;
        for (const auto& command : runner.ran)
            if (command != kNmState && command != kNmActive)
                changes.push_back(command);
        return changes;
    }

    fs::path root;
    ScriptedRunner runner;
    RecordingAddresses addresses;
    std::unique_ptr<HoldJournal> journal;
    std::uint32_t linkLocal = 0;
};

} // namespace

TEST_F(AdapterHoldTest, NetworkManagerDeviceIsUnmanagedWhileHeldAndItsProfileComesBack) {
    ManagedByNetworkManager();
    {
        AdapterHold hold(runner, addresses, *journal, root.string());
        std::string failure;
        ASSERT_TRUE(hold.Begin("eth1", 3, linkLocal, &failure)) << failure;
        EXPECT_EQ(hold.Manager(), LinkManager::NetworkManager);
        // Unmanaged first: NetworkManager would otherwise drop an address it did not set.
        EXPECT_EQ(Changes(), std::vector<std::string>{"nmcli device set eth1 managed no"});
        EXPECT_EQ(addresses.log, std::vector<std::string>{"add eth1 169.254.7.9/16"});
        EXPECT_EQ(Recorded(), (std::vector<std::string>{"unmanaged eth1 " + std::string(kUuid),
                                                        "address eth1 169.254.7.9 16 label"}));
        // The profile does not connect by itself (autoconnect off): it is brought up again.
        runner.answers[kNmActive] = {0, "wlan0:aaaa\n"};
        runner.ran.clear();
    }
    EXPECT_EQ(addresses.log, (std::vector<std::string>{"add eth1 169.254.7.9/16", "remove eth1 169.254.7.9/16 label"}));
    EXPECT_EQ(Changes(),
              (std::vector<std::string>{"nmcli device set eth1 managed yes",
                                        "nmcli --wait 10 connection up uuid " + std::string(kUuid) + " ifname eth1"}));
    EXPECT_TRUE(Recorded().empty());
    EXPECT_FALSE(fs::exists(journal->Directory() + "/hold-" + std::to_string(getpid())));

    // A profile that comes back by itself is left alone; a second End does nothing.
    ManagedByNetworkManager();
    runner.ran.clear();
    AdapterHold hold(runner, addresses, *journal, root.string());
    ASSERT_TRUE(hold.Begin("eth1", 3, 0, nullptr));
    hold.End();
    hold.End();
    EXPECT_EQ(Changes(),
              (std::vector<std::string>{"nmcli device set eth1 managed no", "nmcli device set eth1 managed yes"}));
}

TEST_F(AdapterHoldTest, NetworkdGetsARuntimeDropInThatGoesAgain) {
    Write("run/systemd/netif/links/3", "ADMIN_STATE=configured\nOPER_STATE=routable\n"
                                       "NETWORK_FILE=/etc/systemd/network/20-wired.network\n");
    const fs::path dropIn = root / "run/systemd/network/20-wired.network.d" / AdapterHold::kDropInName;
    bool writtenBeforeReload = false;
    runner.onRun = [&](const std::string& command) {
        if (command == "networkctl reload" && fs::exists(dropIn)) {
            std::ifstream file(dropIn);
            const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
            writtenBeforeReload = text.find("[Network]\nIgnoreCarrierLoss=yes\n") != std::string::npos;
        }
    };
    AdapterHold hold(runner, addresses, *journal, root.string());
    std::string failure;
    ASSERT_TRUE(hold.Begin("eth1", 3, 0, &failure)) << failure;
    EXPECT_EQ(hold.Manager(), LinkManager::Networkd);
    EXPECT_TRUE(writtenBeforeReload);
    EXPECT_EQ(Recorded(), std::vector<std::string>{"drop-in /run/systemd/network/20-wired.network.d/" +
                                                   std::string(AdapterHold::kDropInName)});
    hold.End();
    EXPECT_FALSE(fs::exists(dropIn.parent_path()));
    EXPECT_EQ(runner.ran, (std::vector<std::string>{"networkctl reload", "networkctl reload"}));
    EXPECT_TRUE(addresses.log.empty());
    EXPECT_TRUE(Recorded().empty());

    // networkd refuses the reload: nothing stays, and the sentence names the adapter.
    runner.answers["networkctl reload"] = {1, ""};
    std::string refused;
    EXPECT_FALSE(hold.Begin("eth1", 3, linkLocal, &refused));
    EXPECT_NE(refused.find("keep the address of eth1"), std::string::npos) << refused;
    EXPECT_FALSE(fs::exists(dropIn.parent_path()));
    EXPECT_TRUE(addresses.log.empty());
    EXPECT_TRUE(Recorded().empty());
    runner.answers.erase("networkctl reload");

    // Neither daemon: only the address. Its creation stamp, known once it is there, replaces the bare
    // word recorded before, and only an address with that stamp is removed.
    fs::remove_all(root / "run/systemd");
    runner.ran.clear();
    addresses.plannedMark = "stamp";
    addresses.addedMark = "stamp 4711";
    ASSERT_TRUE(hold.Begin("eth1", 3, linkLocal, nullptr));
    EXPECT_EQ(hold.Manager(), LinkManager::None);
    EXPECT_TRUE(runner.ran.empty());
    EXPECT_EQ(Recorded(), std::vector<std::string>{"address eth1 169.254.7.9 16 stamp 4711"});
    hold.End();
    EXPECT_EQ(addresses.log,
              (std::vector<std::string>{"add eth1 169.254.7.9/16", "remove eth1 169.254.7.9/16 stamp 4711"}));
}

TEST_F(AdapterHoldTest, FailuresUndoWhatWasDoneAndSayWhatToRun) {
    ManagedByNetworkManager();
    addresses.addError = EPERM;
    AdapterHold hold(runner, addresses, *journal, root.string());
    std::string failure;
    EXPECT_FALSE(hold.Begin("eth1", 3, linkLocal, &failure));
    EXPECT_NE(failure.find("169.254."), std::string::npos) << failure;
    EXPECT_NE(failure.find("eth1"), std::string::npos) << failure;
    EXPECT_EQ(Changes(),
              (std::vector<std::string>{"nmcli device set eth1 managed no", "nmcli device set eth1 managed yes"}));
    EXPECT_TRUE(Recorded().empty());

    // NetworkManager refuses (polkit): nothing changed, the sentence names the device.
    runner.ran.clear();
    runner.answers["nmcli device set eth1 managed no"] = {4, ""};
    EXPECT_FALSE(hold.Begin("eth1", 3, linkLocal, &failure));
    EXPECT_NE(failure.find("NetworkManager did not let Vornalix keep the address of eth1"), std::string::npos);
    EXPECT_EQ(hold.Failure(), HoldFailure::NetworkManagerRefused);
    EXPECT_EQ(Changes(), std::vector<std::string>{"nmcli device set eth1 managed no"});
    EXPECT_TRUE(Recorded().empty());

    // A record that cannot be written (the folder is a file): no change at all, and the sentence says so.
    runner.answers.erase("nmcli device set eth1 managed no");
    runner.ran.clear();
    addresses.log.clear();
    fs::remove_all(journal->Directory());
    std::ofstream(journal->Directory()) << "not a folder\n";
    EXPECT_FALSE(hold.Begin("eth1", 3, linkLocal, &failure));
    EXPECT_EQ(hold.Failure(), HoldFailure::RecordFailed);
    EXPECT_NE(failure.find(journal->Directory()), std::string::npos) << failure;
    EXPECT_TRUE(Changes().empty());
    EXPECT_TRUE(addresses.log.empty());
}

TEST_F(AdapterHoldTest, ChangesOfProcessesThatAreGoneAreUndoneAtTheNextStart) {
    // Records name the boot and the process's start time: a process of the same number that started at
    // another time, or one of an earlier boot, is gone too.
    pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    waitpid(gone, nullptr, 0);
    const std::string boot = "boot " + BootId() + "\n";
    const std::string self = std::to_string(getpid());
    // An address is removed only when it is link-local /16 and carries its recorded mark.
    Write("run/vornalix/hold-" + std::to_string(gone),
          boot + "start 1\nunmanaged eth1\naddress eth0 10.0.0.5 24 label\naddress eth0 169.254.3.3 24 label\n"
                 "address eth1 169.254.5.5 16\naddress eth1 169.254.7.9 16 proto\n");
    Write("run/vornalix/hold-1", boot + "start " + ProcessStartTime(1) + "\nunmanaged eth9\n");
    Write("run/vornalix/hold-" + self, boot + "start 1\nunmanaged eth2\n");
    Write("run/vornalix/hold-" + std::to_string(getppid()),
          "boot 0-other-boot\nstart " + ProcessStartTime(getppid()) + "\nunmanaged eth3\n");
    // Made in another network namespace: its interfaces are not ours to touch.
    Write("run/vornalix/hold-" + std::to_string(gone) + "0", "netns net:[1]\nunmanaged eth7\n");
    addresses.removeError = EPERM; // cannot be undone now: stays recorded for the next start
    EXPECT_EQ(RestoreLeftoverChanges(*journal, runner, addresses, root.string()), 6);
    EXPECT_EQ(addresses.log, std::vector<std::string>{"remove eth1 169.254.7.9/16 proto"});
    std::sort(runner.ran.begin(), runner.ran.end());
    EXPECT_EQ(runner.ran,
              (std::vector<std::string>{"nmcli device set eth1 managed yes", "nmcli device set eth2 managed yes",
                                        "nmcli device set eth3 managed yes"}));
    EXPECT_FALSE(fs::exists(root / ("run/vornalix/hold-" + std::to_string(gone))));
    EXPECT_FALSE(fs::exists(root / ("run/vornalix/hold-" + std::to_string(getppid()))));
    EXPECT_TRUE(fs::exists(root / "run/vornalix/hold-1"));
    EXPECT_TRUE(fs::exists(root / ("run/vornalix/hold-" + std::to_string(gone) + "0")));
    EXPECT_EQ(Recorded(), std::vector<std::string>{"address eth1 169.254.7.9 16 proto"});
    EXPECT_EQ(journal->Lines(), Recorded());
}

TEST(LinkLocalAddress, CandidatesAndTheirPeersStayInRangeAndTakenOnesAreSkipped) {
    std::set<std::uint32_t> seen;
    for (int mac = 0; mac < 200; ++mac) {
        const std::string hardware{'\x02', '\x00', '\x5e', '\x10', static_cast<char>(mac >> 8), static_cast<char>(mac)};
        for (int attempt = 0; attempt < 10; ++attempt) {
            const std::uint32_t address = LinkLocalCandidate(hardware, attempt);
            const std::uint32_t host = ntohl(address);
            ASSERT_TRUE(IsLinkLocal(address));
            ASSERT_TRUE(IsLinkLocal(htonl(host + 1)));
            ASSERT_GE(host & 0xFF, 1u);
            ASSERT_LE(host & 0xFF, 253u) << "the gateway's address must be an ordinary host address";
            seen.insert(address);
        }
        EXPECT_EQ(LinkLocalCandidate(hardware, 0), LinkLocalCandidate(hardware, 0));
    }
    EXPECT_GT(seen.size(), 1900u);                // spread, not a handful of addresses
    EXPECT_FALSE(IsLinkLocal(htonl(0xA9FE0001))); // 169.254.0.1 is reserved
    EXPECT_FALSE(IsLinkLocal(htonl(0xA9FEFF01))); // 169.254.255.1 too
    EXPECT_TRUE(IsLinkLocal(htonl(0xA9FE0100)));

    const std::string hardware = "\x02\x11\x22\x33\x44\x55";
    std::vector<std::vector<std::uint32_t>> asked;
    const std::uint32_t chosen = ChooseLinkLocalAddress(hardware, [&](const std::vector<std::uint32_t>& pair) {
        asked.push_back(pair);
        return asked.size() == 3;
    });
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(chosen, LinkLocalCandidate(hardware, 2));
    EXPECT_EQ(asked[2], (std::vector<std::uint32_t>{chosen, htonl(ntohl(chosen) + 1)}));
    EXPECT_EQ(ChooseLinkLocalAddress(hardware, [](const std::vector<std::uint32_t>&) { return false; }), 0u);
}

// SIGTERM while a hold is in force: the changes are undone, then the signal ends the process as it would have.
TEST_F(AdapterHoldTest, TerminationSignalUndoesTheChangesFirst) {
    ManagedByNetworkManager();
    const fs::path log = root / "commands";
    const pid_t child = fork();
    if (child == 0) {
        runner.onRun = [&](const std::string& command) { std::ofstream(log, std::ios::app) << command << '\n'; };
        AdapterHold hold(runner, addresses, *journal, root.string());
        if (!hold.Begin("eth1", 3, linkLocal, nullptr))
            _exit(3);
        EndHoldsOnTermination();
        kill(getpid(), SIGTERM);
        for (;;)
            pause();
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    std::ifstream in(log);
    std::vector<std::string> changes;
    for (std::string line; std::getline(in, line);)
        if (line.find(" managed ") != std::string::npos)
            changes.push_back(line);
    EXPECT_EQ(changes,
              (std::vector<std::string>{"nmcli device set eth1 managed no", "nmcli device set eth1 managed yes"}));
    EXPECT_FALSE(fs::exists(root / ("run/vornalix/hold-" + std::to_string(child))));
}
