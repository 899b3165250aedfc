#pragma once
// What vornalix-recover does differently on each system; main.cpp holds the rest, the same everywhere. One
// implementation per system in linux/ and windows/, chosen when the program is built.
#include "recovery/ListenStatus.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace vornalix::recovery {
class BootReplyServer;
class TftpServer;
} // namespace vornalix::recovery

namespace vornalix::app {

constexpr int kExitFinished = 0;
constexpr int kExitFailed = 1;
constexpr int kExitCannotStart = 2;
constexpr int kExitNotConfirmed = 3;
constexpr int kExitInterrupted = 130;
constexpr int kExitTerminated = 143;

// The adapter the servers listen on.
struct RecoverTarget {
    std::string adapterName;       // as the output names it
    std::uint32_t address = 0;     // network order
    bool temporaryAddress = false; // no address yet: one is given for the run
};

class RecoverPlatform {
public:
    virtual ~RecoverPlatform() = default;

    // The usage line's options, and the help lines of ADAPTER and of the options that differ per system.
    virtual std::string UsageOptions() const = 0;
    virtual std::string AdapterHelp() const = 0;
    virtual std::string OptionsHelp() const = 0;

    // The adapter named by `target` (an address, or what names an adapter on this system); nullopt with the
    // reason, in the UI language, in `failure`.
    virtual std::optional<RecoverTarget> FindTarget(const std::string& target, bool hostChanges,
                                                    std::string& failure) = 0;
    // From now on Ctrl-C and termination requests are kept for WaitForStop. Called before any server thread.
    virtual void CatchStopRequests() = 0;
    // Makes the adapter ready for the servers (and says what it did); false with the reason printed.
    virtual bool Prepare(RecoverTarget& target, const std::string& firmware, bool hostChanges) = 0;
    virtual recovery::ListenStatus StartBootServer(recovery::BootReplyServer& server) = 0;
    virtual recovery::ListenStatus StartTftpServer(recovery::TftpServer& server) = 0;
    // Waits up to `limit` for a stop request: the exit status it asks for, or 0 when none came.
    virtual int WaitForStop(std::chrono::milliseconds limit) = 0;
    // Why the transfer can no longer be relied on (what Prepare set up went away); nullopt while it holds.
    virtual std::optional<std::string> Lost() = 0;
    // Undoes what Prepare did, saying so.
    virtual void End() = 0;
};

// This system's platform part, started with the program's arguments (it may take some of them out);
// nullptr, with the reason printed, when the program cannot run here.
std::unique_ptr<RecoverPlatform> CreateRecoverPlatform(int& argc, char** argv);

} // namespace vornalix::app
