#pragma once
// Keeps an adapter's IPv4 configuration through the gateway's power cycle, for as long as an
// emergency transfer runs: the daemon that manages the adapter is told to leave it alone
// (NetworkManager: the device is set unmanaged; systemd-networkd: a runtime drop-in with
// IgnoreCarrierLoss=yes), and an adapter without an address gets its temporary link-local
// address. Every change is recorded in the journal before it is made (a change that cannot be
// recorded is not made) and undone by End(), by the destructor, by EndAllHolds() (termination
// signals) or, after a kill, by RestoreLeftoverChanges() at the next start.
#include "hostnet/LinkAddressControl.h"
#include "hostnet/linux/CommandRunner.h"
#include "hostnet/linux/HoldJournal.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace vornalix::hostnet {

enum class LinkManager { None, NetworkManager, Networkd };

// Why Begin failed, for a caller that words it itself.
enum class HoldFailure { None, RecordFailed, NetworkManagerRefused, NetworkdRefused, AddressFailed };

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
    // Why the last Begin failed, and the errno value of a failed address.
    HoldFailure Failure() const { return failure; }
    int FailureError() const { return failureError; }

    // Undoes one journal line's change: true when it is undone (or there was nothing of ours to
    // undo).
    static bool Undo(const std::string& line, CommandRunner& runner, LinkAddressControl& addresses,
                     const std::string& rootDir = "");

private:
    bool Apply(const std::string& line, std::string* failureText);
    void EndLocked();

    CommandRunner& runner;
    LinkAddressControl& addresses;
    HoldJournal& journal;
    std::string rootDir;
    std::mutex mutex;
    std::vector<std::string> applied; // journal lines, oldest first
    LinkManager manager = LinkManager::None;
    std::string heldInterface;
    HoldFailure failure = HoldFailure::None;
    int failureError = 0;
};

// Ends every hold that is in force in this process (used on SIGINT, SIGTERM and SIGHUP).
void EndAllHolds();
// Installs the handlers that end every hold and then let the signal take its course, once per
// process; other threads keep running meanwhile.
void EndHoldsOnTermination();

// Undoes the changes recorded by processes that are gone. Returns how many lines were undone;
// lines that could not be undone stay recorded for the next start. Called before the first change
// of a process.
int RestoreLeftoverChanges(HoldJournal& journal, CommandRunner& runner, LinkAddressControl& addresses,
                           const std::string& rootDir = "");

} // namespace vornalix::hostnet
