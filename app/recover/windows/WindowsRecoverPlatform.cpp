// vornalix-recover on Windows: the program binds UDP 67 and 69 on the adapter's address itself and changes
// nothing on the computer. Where the system drops an adapter's address while its link is down (media sensing),
// it says so and goes on; the wizard's emergency path is the one that turns media sensing off.
#include "app/recover/MediaSenseCheck.h"
#include "app/recover/RecoverPlatform.h"
#include "common/Socket.h"
#include "hostnet/EmergencyAdapters.h"
#include "hostnet/InterfaceAddressTable.h"
#include "hostnet/OsVersionWord.h"
#include "hostnet/Platform.h"
#include "recovery/AdapterInterface.h"
#include "recovery/BootReplyServer.h"
#include "recovery/TftpServer.h"
#include "res/Resources.h"

#include <windows.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>

namespace vornalix::app {

namespace {

// The exit status a console control event asks for; 0 until one came. Set on the system's handler thread.
std::mutex stopMutex;
std::condition_variable stopped;
int stopRequest = 0;

BOOL WINAPI OnConsoleControl(DWORD event) {
    {
        std::lock_guard lock(stopMutex);
        if (stopRequest == 0)
            stopRequest = event == CTRL_C_EVENT ? kExitInterrupted : kExitTerminated;
    }
    stopped.notify_all();
    return TRUE;
}

class WindowsRecoverPlatform : public RecoverPlatform {
public:
    // The lines are UTF-8 (Japanese included): a console shows them as such while the program runs.
    WindowsRecoverPlatform() : consoleCodePage(GetConsoleOutputCP()) {
        if (consoleCodePage != 0)
            SetConsoleOutputCP(CP_UTF8);
    }
    ~WindowsRecoverPlatform() override {
        if (consoleCodePage != 0)
            SetConsoleOutputCP(consoleCodePage);
    }

    std::string UsageOptions() const override { return "[--no-host-changes]"; }

    std::string AdapterHelp() const override {
        return "  ADAPTER   description of the network adapter that faces the gateway, as the adapter list shows it\n"
               "            (in quotes); the adapter needs an IPv4 address such as 192.168.1.1\n";
    }

    std::string OptionsHelp() const override {
        return "  --no-host-changes  accepted for scripts shared with Linux: this program never changes anything\n"
               "            on this computer\n";
    }

    // The adapters as the wizard lists them (described, with an address); an address no listed adapter holds
    // (the loopback adapter's, say) is served as on any adapter.
    std::optional<RecoverTarget> FindTarget(const std::string& target, bool, std::string& failure) override {
        const auto listed = hostnet::ListEmergencyAdapters(hostnet::kMaxTableRows).adapters;
        in_addr parsed{};
        if (inet_pton(AF_INET, target.c_str(), &parsed) == 1) {
            for (const auto& adapter : listed) {
                if (adapter.entry.address == parsed.s_addr)
                    return RecoverTarget{adapter.interfaceName, parsed.s_addr, false};
            }
            const auto adapter = recovery::AdapterInterface::Holding(parsed.s_addr);
            if (!adapter) {
                failure = res::FormatString(res::StringId::RecoverNoAdapterHoldsAddress, {target});
                return std::nullopt;
            }
            return RecoverTarget{adapter->name, parsed.s_addr, false};
        }
        for (const auto& adapter : listed) {
            if (adapter.interfaceName == target)
                return RecoverTarget{adapter.interfaceName, adapter.entry.address, false};
        }
        failure = res::FormatString(res::StringId::RecoverNoSuchAdapterDescription, {target});
        return std::nullopt;
    }

    void CatchStopRequests() override { SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

    bool Prepare(RecoverTarget&, const std::string&, bool) override {
        const auto registry = hostnet::CreateRegistry();
        if (MediaSensingOn(*registry, hostnet::OsVersionWord()))
            std::printf("note: %s\n", res::FormatString(res::StringId::RecoverMediaSenseOn, {}).c_str());
        return true;
    }

    recovery::ListenStatus StartBootServer(recovery::BootReplyServer& server) override { return server.Start(); }
    recovery::ListenStatus StartTftpServer(recovery::TftpServer& server) override { return server.Start(); }

    int WaitForStop(std::chrono::milliseconds limit) override {
        std::unique_lock lock(stopMutex);
        stopped.wait_for(lock, limit, [] { return stopRequest != 0; });
        return stopRequest;
    }

    std::optional<std::string> Lost() override { return std::nullopt; }
    void End() override {}

    const UINT consoleCodePage;
    common::SocketsStarted sockets;
};

} // namespace

std::unique_ptr<RecoverPlatform> CreateRecoverPlatform(int&, char** argv) {
    auto platform = std::make_unique<WindowsRecoverPlatform>();
    if (!platform->sockets.Started()) {
        std::fprintf(
            stderr, "%s: %s\n", argv[0],
            res::FormatString(res::StringId::RecoverNoSockets, {common::SocketErrorText(platform->sockets.error)})
                .c_str());
        return nullptr;
    }
    return platform;
}

} // namespace vornalix::app
