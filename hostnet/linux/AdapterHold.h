#pragma once
// Keeps an adapter's IPv4 configuration through the gateway's power cycle, for as long as an
// emergency transfer runs: the daemon that manages the adapter is told to leave it alone
// (NetworkManager: the device is set unmanaged; systemd-networkd: a runtime drop-in with
// IgnoreCarrierLoss=yes), and an adapter without an address gets its temporary link-local
// address. Every change is recorded in the journal before it is made and undone by End(), by
// the destructor, by EndAllHolds() (termination signals) or, after a kill, by
// RestoreLeftoverChanges() at the next start.
#include "hostnet/linux/HoldJournal.h"
#include "hostnet/LinkAddressControl.h"
#include "hostnet/linux/CommandRunner.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace vornalix::hostnet {

enum class LinkManager { None, NetworkManager, Networkd };

struct ManagerInfo {
    LinkManager kind = LinkManager::None;
    std::string networkFile; // systemd-networkd: the .network file that configures the adapter
};

class AdapterHold {
public:
    static constexpr const char* kDropInName = "90-vornalix-hold.conf";

    // rootDir prefixes the paths read and written (/proc, /run); "" is the real system.
    AdapterHold(CommandRunner& runner, LinkAddressControl& addresses, HoldJournal& journal, std::string rootDir = "");
    ~AdapterHold();
    AdapterHold(const AdapterHold&) = delete;
    AdapterHold& operator=(const AdapterHold&) = delete;

    // Which daemon configures the interface in this network namespace.
    ManagerInfo Detect(const std::string& interfaceName, std::uint32_t interfaceIndex);

    // Holds the adapter and adds temporaryAddress (network order; 0: none). On failure nothing
    // stays changed and failure holds one sentence for the user, in the interface's language.
    bool Begin(const std::string& interfaceName, std::uint32_t interfaceIndex, std::uint32_t temporaryAddress,
               std::string* failure);
    // Undoes every change of Begin, newest first; does nothing the second time.
    void End();
    // The same, leaving the hold in the process's list (for EndAllHolds).
    void EndChanges();
    // The daemon Begin found.
    LinkManager Manager() const { return manager; }

    // Undoes one journal line's change: true when it is undone (or there was nothing to undo).
    static bool Undo(const std::string& line, CommandRunner& runner, LinkAddressControl& addresses,
                     const std::string& rootDir = "");

private:
    bool Apply(const std::string& line, std::string* failure);
    void EndLocked();

    CommandRunner& runner;
    LinkAddressControl& addresses;
    HoldJournal& journal;
    std::string rootDir;
    std::mutex mutex;
    std::vector<std::string> applied; // journal lines, oldest first
    LinkManager manager = LinkManager::None;
    std::string heldInterface;
};

// Ends every hold that is in force in this process (used on SIGINT, SIGTERM and SIGHUP).
void EndAllHolds();
// Installs the handlers that end every hold and then let the signal take its course, once per
// process; other threads keep running meanwhile.
void EndHoldsOnTermination();

// Undoes the changes recorded by processes that are gone. Returns how many lines were undone;
// lines that could not be undone stay recorded for the next start.
int RestoreLeftoverChanges(HoldJournal& journal, CommandRunner& runner, LinkAddressControl& addresses,
                           const std::string& rootDir = "");
// The same with the platform's journal, programs and addresses.
int RestoreLeftoverChanges();

} // namespace vornalix::hostnet
