// vornalix-recover on Linux. The program itself holds no privilege: vornalix-adapter-helper (root) holds the
// adapter, gives one without an IPv4 address a link-local address, tells the daemon that manages it to keep its
// address through the gateway's power cycle and opens the ports; it undoes everything when this program ends,
// however it ends. The helper is the one whose control socket is descriptor N (--helper-fd N), or one started
// directly (root) or through pkexec. --no-host-changes: nothing is changed on the host; the helper (or root
// itself) only opens the ports.
#include "app/recover/RecoverPlatform.h"
#include "common/DottedAddress.h"
#include "common/DropCapabilities.h"
#include "hostnet/AdapterPrivilege.h"
#include "hostnet/EmergencyAdapters.h"
#include "recovery/AdapterInterface.h"
#include "recovery/BootReplyServer.h"
#include "recovery/TftpServer.h"
#include "res/Resources.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <ctime>

namespace vornalix::app {

namespace {

class LinuxRecoverPlatform : public RecoverPlatform {
public:
    explicit LinuxRecoverPlatform(const char* program) : program(program) {}

    std::string UsageOptions() const override { return "[--helper-fd N] [--no-host-changes]"; }

    std::string AdapterHelp() const override {
        return "  ADAPTER   name of the network adapter that faces the gateway (e.g. eth0); one without an\n"
               "            IPv4 address gets a temporary link-local address (169.254.x.y) for the transfer\n";
    }

    std::string OptionsHelp() const override {
        return "  --no-host-changes  change nothing on this computer: no temporary address, and NetworkManager or\n"
               "            systemd-networkd are not asked to keep the adapter's address while the gateway restarts\n"
               "  --helper-fd N  descriptor N is connected to a running vornalix-adapter-helper; without it the\n"
               "            helper is started directly (root) or through pkexec, which asks for an administrator's\n"
               "            password\n";
    }

    std::optional<RecoverTarget> FindTarget(const std::string& target, bool hostChanges,
                                            std::string& failure) override {
        in_addr parsed{};
        if (inet_pton(AF_INET, target.c_str(), &parsed) == 1) {
            const auto adapter = recovery::AdapterInterface::Holding(parsed.s_addr);
            if (!adapter) {
                failure = res::FormatString(res::StringId::RecoverNoAdapterHoldsAddress, {target});
                return std::nullopt;
            }
            return RecoverTarget{adapter->name, parsed.s_addr, false};
        }
        if (if_nametoindex(target.c_str()) == 0) {
            failure = res::FormatString(res::StringId::RecoverNoSuchAdapter, {target});
            return std::nullopt;
        }
        // Nothing is probed here: the helper checks a temporary address on the link before it adds it.
        const auto adapter =
            hostnet::FindEmergencyAdapter(target, [](const std::vector<std::uint32_t>&) { return true; });
        if (!adapter) {
            failure = res::FormatString(res::StringId::RecoverNotAnEthernetAdapter, {target});
            return std::nullopt;
        }
        if (adapter->temporaryAddress && !hostChanges) {
            failure = res::FormatString(res::StringId::RecoverAdapterWithoutAddress, {target});
            return std::nullopt;
        }
        return RecoverTarget{adapter->interfaceName, adapter->entry.address, adapter->temporaryAddress};
    }

    void CatchStopRequests() override {
        // Taken by the main thread only: blocked before any server thread exists.
        sigemptyset(&stopSignals);
        sigaddset(&stopSignals, SIGINT);
        sigaddset(&stopSignals, SIGTERM);
        sigaddset(&stopSignals, SIGHUP);
        pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    }

    // The adapter held and the ports opened by the helper; with --no-host-changes root opens the ports itself.
    bool Prepare(RecoverTarget& target, const std::string& firmware, bool hostChanges) override {
        adapterName = target.adapterName;
        firmwarePath = firmware;
        if (!hostChanges && geteuid() == 0)
            return true;
        privilege = hostnet::SharedAdapterPrivilege();
        std::string failure;
        const std::string instead = hostnet::RecoverCommand(adapterName, firmware);
        const bool ready = hostChanges ? privilege->Hold(adapterName, target.temporaryAddress ? 0 : target.address,
                                                         instead, held, failure)
                                       : privilege->Open(adapterName, target.address, instead, held, failure);
        if (!ready) {
            std::fprintf(stderr, "%s: %s\n", program, failure.c_str());
            privilege.reset();
            return false;
        }
        target.address = held.address;
        if (held.manager == hostnet::HeldAdapter::Manager::NetworkManager)
            std::printf("holding: NetworkManager leaves %s alone until the transfer ends\n", adapterName.c_str());
        else if (held.manager == hostnet::HeldAdapter::Manager::Networkd)
            std::printf("holding: systemd-networkd keeps the address of %s through carrier loss\n",
                        adapterName.c_str());
        if (held.temporary)
            std::printf("address: %s/%d given to %s for the transfer\n",
                        common::FormatDottedAddress(held.address).c_str(), held.prefixLength, adapterName.c_str());
        return true;
    }

    recovery::ListenStatus StartBootServer(recovery::BootReplyServer& server) override {
        return privilege ? server.Start(held.bootSocket) : server.Start();
    }

    recovery::ListenStatus StartTftpServer(recovery::TftpServer& server) override {
        return privilege ? server.Start(held.tftpSocket) : server.Start();
    }

    int WaitForStop(std::chrono::milliseconds limit) override {
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(limit);
        const timespec tick{static_cast<time_t>(seconds.count()),
                            static_cast<long>(std::chrono::nanoseconds(limit - seconds).count())};
        const int caught = sigtimedwait(&stopSignals, nullptr, &tick);
        if (caught == SIGINT)
            return kExitInterrupted;
        if (caught == SIGTERM || caught == SIGHUP)
            return kExitTerminated;
        return 0;
    }

    std::optional<std::string> Lost() override {
        if (!privilege || !privilege->Lost())
            return std::nullopt;
        return res::FormatString(res::StringId::HelperEnded, {hostnet::RecoverCommand(adapterName, firmwarePath)});
    }

    void End() override {
        if (!privilege)
            return;
        privilege->End();
        if (held.temporary || held.manager != hostnet::HeldAdapter::Manager::None)
            std::printf("restored: %s as it was before\n", adapterName.c_str());
    }

private:
    const char* program;
    sigset_t stopSignals{};
    std::shared_ptr<hostnet::AdapterPrivilege> privilege;
    hostnet::HeldAdapter held;
    std::string adapterName;
    std::string firmwarePath;
};

} // namespace

std::unique_ptr<RecoverPlatform> CreateRecoverPlatform(int& argc, char** argv) {
    common::DropCapabilities();
    hostnet::SetGivenHelperSocket(hostnet::TakeHelperSocketArgument(argc, argv));
    return std::make_unique<LinuxRecoverPlatform>(argv[0]);
}

} // namespace vornalix::app
