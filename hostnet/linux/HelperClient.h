#pragma once
// The front end's side of vornalix-adapter-helper: the helper is reached through a control socket that was
// handed to this process (--helper-fd), started directly when this process is root, or started through
// pkexec, which asks for the administrator's password with the desktop's own prompt. One helper serves the
// process from its first Hold until the process ends; closing the socket makes it undo everything.
#include "hostnet/AdapterPrivilege.h"

#include <mutex>
#include <string>
#include <sys/types.h>

namespace vornalix::hostnet {

class HelperClient : public AdapterPrivilege {
public:
    // How the helper is reached when no socket was given: the program, and pkexec ("" for none).
    struct Launch {
        std::string helperProgram;
        std::string pkexecProgram;
        bool root = false; // start the helper directly
    };
    // The platform's: this process's rights, the helper beside this executable or where the package puts it.
    static Launch PlatformLaunch();

    HelperClient(int givenSocket, Launch launch);
    ~HelperClient() override;
    HelperClient(const HelperClient&) = delete;
    HelperClient& operator=(const HelperClient&) = delete;

    bool Hold(const std::string& interfaceName, std::uint32_t address, const std::string& instead, HeldAdapter& held,
              std::string& failure) override;
    bool Open(const std::string& interfaceName, std::uint32_t address, const std::string& instead, HeldAdapter& held,
              std::string& failure) override;
    void End() override;
    bool Lost() override;

private:
    bool Ask(bool hold, const std::string& interfaceName, std::uint32_t address, const std::string& instead,
             HeldAdapter& held, std::string& failure);
    // Starts the helper unless it runs; false with the sentence for the user when it cannot.
    bool Connect(const std::string& instead, std::string& failure);
    // The helper went away: why, in the user's words.
    std::string LostHelperText(const std::string& instead);
    void Disconnect();

    std::mutex mutex;
    int socket = -1;
    pid_t child = -1;      // the helper or pkexec, when this process started it
    bool viaPkexec = false;
    bool given = false;    // the socket came with the process: when it goes, nothing can start another
    Launch launch;
};

} // namespace vornalix::hostnet
