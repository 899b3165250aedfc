// vornalix-recover [--helper-fd N] [--no-host-changes] ADAPTER|ADDRESS FIRMWARE: the emergency transfer without
// the GUI. Starts the BOOTP and TFTP servers on the named adapter (or the adapter that holds ADDRESS), prints what
// the transfer page would show, one line per change, and exits 0 when the firmware transfer finished, 1 when it
// failed, 2 when it could not start, 3 when the firmware was sent but the gateway never acknowledged its last
// part (watch the gateway's TEST LED), 130 on Ctrl-C (143 on SIGTERM). The program itself holds no privilege:
// vornalix-adapter-helper (root) holds the adapter, gives one without an IPv4 address a link-local address,
// tells the daemon that manages it to keep its address through the gateway's power cycle and opens the ports;
// it undoes everything when this program ends, however it ends. The helper is the one whose control socket is
// descriptor N, or one started directly (root) or through pkexec. --no-host-changes: nothing is changed on the
// host; the helper (or root itself) only opens the ports.
#include "app/recover/ConsolePage.h"
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
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace vornalix;
using namespace vornalix::recovery;

namespace {

constexpr int kExitFinished = 0;
constexpr int kExitFailed = 1;
constexpr int kExitCannotStart = 2;
constexpr int kExitNotConfirmed = 3;
constexpr int kExitInterrupted = 130;
constexpr int kExitTerminated = 143;

void PrintUsage(std::FILE* out, const char* program) {
    std::fprintf(out,
                 "usage: %s [--helper-fd N] [--no-host-changes] ADAPTER|ADDRESS FIRMWARE\n"
                 "  ADAPTER   name of the network adapter that faces the gateway (e.g. eth0); one without an\n"
                 "            IPv4 address gets a temporary link-local address (169.254.x.y) for the transfer\n"
                 "  ADDRESS   or the IPv4 address of that adapter (e.g. 192.168.1.1)\n"
                 "  FIRMWARE  the firmware image; its folder is served by TFTP\n"
                 "  --no-host-changes  change nothing on this computer: no temporary address, and NetworkManager or\n"
                 "            systemd-networkd are not asked to keep the adapter's address while the gateway restarts\n"
                 "  --helper-fd N  descriptor N is connected to a running vornalix-adapter-helper; without it the\n"
                 "            helper is started directly (root) or through pkexec, which asks for an administrator's\n"
                 "            password\n"
                 "  --help    show this text\n"
                 "Exit status: 0 transferred, 1 failed, 2 could not start, 3 sent but the last part not confirmed by\n"
                 "the gateway (its TEST LED tells whether it took the firmware), 130 interrupted, 143 terminated.\n",
                 program);
}

// A reason not to start, in the UI language.
void Fail(const char* program, res::StringId id, const std::string& subject) {
    std::fprintf(stderr, "%s: %s\n", program, res::FormatString(id, {subject}).c_str());
}

} // namespace

int main(int argc, char** argv) {
    common::DropCapabilities();
    hostnet::SetGivenHelperSocket(hostnet::TakeHelperSocketArgument(argc, argv));
    bool hostChanges = true;
    std::vector<std::string> operands;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            PrintUsage(stdout, argv[0]);
            return 0;
        }
        if (argument == "--no-host-changes")
            hostChanges = false;
        else if (argument.rfind("--", 0) == 0)
            operands.clear(), operands.resize(3); // unknown option: usage
        else
            operands.push_back(argument);
    }
    if (operands.size() != 2) {
        PrintUsage(stderr, argv[0]);
        return kExitCannotStart;
    }
    const std::string target = operands[0];
    const std::string firmware = operands[1];

    std::error_code error;
    if (!std::filesystem::is_regular_file(firmware, error) || !std::ifstream(firmware, std::ios::binary)) {
        Fail(argv[0], res::StringId::RecoverCannotReadFirmware, firmware);
        return kExitCannotStart;
    }

    in_addr parsed{};
    std::string adapterName;
    std::uint32_t adapterIndex = 0;
    bool temporaryAddress = false;
    if (inet_pton(AF_INET, target.c_str(), &parsed) == 1) {
        const auto adapter = AdapterInterface::Holding(parsed.s_addr);
        if (!adapter) {
            Fail(argv[0], res::StringId::RecoverNoAdapterHoldsAddress, target);
            return kExitCannotStart;
        }
        adapterName = adapter->name;
        adapterIndex = static_cast<std::uint32_t>(adapter->index);
    } else {
        if (if_nametoindex(target.c_str()) == 0) {
            Fail(argv[0], res::StringId::RecoverNoSuchAdapter, target);
            return kExitCannotStart;
        }
        // Nothing is probed here: the helper checks a temporary address on the link before it adds it.
        const auto adapter =
            hostnet::FindEmergencyAdapter(target, [](const std::vector<std::uint32_t>&) { return true; });
        if (!adapter) {
            Fail(argv[0], res::StringId::RecoverNotAnEthernetAdapter, target);
            return kExitCannotStart;
        }
        if (adapter->temporaryAddress && !hostChanges) {
            Fail(argv[0], res::StringId::RecoverAdapterWithoutAddress, target);
            return kExitCannotStart;
        }
        adapterName = adapter->interfaceName;
        adapterIndex = adapter->interfaceIndex;
        parsed.s_addr = adapter->entry.address;
        temporaryAddress = adapter->temporaryAddress;
    }

    // Ctrl-C and termination are taken by this thread only: block them before any server thread exists.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    // The adapter held and the ports opened by the helper; with --no-host-changes root opens the ports itself.
    std::shared_ptr<hostnet::AdapterPrivilege> privilege;
    hostnet::HeldAdapter held;
    if (hostChanges || geteuid() != 0) {
        privilege = hostnet::SharedAdapterPrivilege();
        std::string failure;
        const std::string instead = hostnet::RecoverCommand(adapterName, firmware);
        const bool ready = hostChanges ? privilege->Hold(adapterName, temporaryAddress ? 0 : parsed.s_addr, instead,
                                                         held, failure)
                                       : privilege->Open(adapterName, parsed.s_addr, instead, held, failure);
        if (!ready) {
            std::fprintf(stderr, "%s: %s\n", argv[0], failure.c_str());
            return kExitCannotStart;
        }
        parsed.s_addr = held.address;
        if (held.manager == hostnet::HeldAdapter::Manager::NetworkManager)
            std::printf("holding: NetworkManager leaves %s alone until the transfer ends\n", adapterName.c_str());
        else if (held.manager == hostnet::HeldAdapter::Manager::Networkd)
            std::printf("holding: systemd-networkd keeps the address of %s through carrier loss\n",
                        adapterName.c_str());
        if (held.temporary)
            std::printf("address: %s/%d given to %s for the transfer\n",
                        common::FormatDottedAddress(held.address).c_str(), held.prefixLength, adapterName.c_str());
    }
    const std::string addressText = common::FormatDottedAddress(parsed.s_addr);
    const auto endHold = [&] {
        if (!privilege)
            return;
        privilege->End();
        if (held.temporary || held.manager != hostnet::HeldAdapter::Manager::None)
            std::printf("restored: %s as it was before\n", adapterName.c_str());
    };

    const auto page = std::make_shared<ConsolePage>(stdout);
    BootReplyServer bootServer(parsed.s_addr, firmware);
    TftpServer tftpServer(parsed.s_addr, firmware, page);
    page->SetServers(&bootServer, &tftpServer);

    page->SetTitleText(res::LoadString(res::StringId::RestartGatewayAgain));
    const std::pair<const char*, int> servers[] = {{"BOOTP", 67}, {"TFTP", 69}};
    int serverIndex = 0;
    const ListenStatus started[] = {privilege ? bootServer.Start(held.bootSocket) : bootServer.Start(),
                                    privilege ? tftpServer.Start(held.tftpSocket) : tftpServer.Start()};
    for (const ListenStatus& status : started) {
        const auto [serverName, port] = servers[serverIndex++];
        if (!status.listening) {
            const std::string text = vornalix::recovery::ListenFailureText(status, serverName, port, addressText);
            std::fprintf(stderr, "%s: %s\n%s: %s\n", argv[0], text.c_str(), argv[0], status.reason.c_str());
            bootServer.Stop();
            tftpServer.Stop();
            page->Close();
            endHold();
            std::fflush(stdout);
            std::_Exit(kExitCannotStart);
        }
    }
    std::printf("listening: BOOTP on %s port 67, TFTP on %s port 69 (%s), offering %s\n", addressText.c_str(),
                addressText.c_str(), adapterName.c_str(), bootServer.clientAddressText.c_str());
    page->SetStatusText(res::LoadString(res::StringId::PowerCycleGateway));
    page->SetTitleText(res::LoadString(res::StringId::RestartGateway));
    page->PostUpdate();

    int exitCode = kExitInterrupted;
    for (;;) {
        const timespec tick{0, 100'000'000};
        const int caught = sigtimedwait(&stopSignals, nullptr, &tick);
        if (caught == SIGINT || caught == SIGTERM || caught == SIGHUP) {
            std::printf("interrupted: stopping the servers\n");
            exitCode = caught == SIGINT ? kExitInterrupted : kExitTerminated;
            break;
        }
        if (const auto result = page->Result()) {
            exitCode = *result == TransferOutcome::Succeeded ? kExitFinished
                       : *result == TransferOutcome::Failed  ? kExitFailed
                                                             : kExitNotConfirmed;
            break;
        }
        if (privilege && privilege->Lost()) {
            // Whatever it held is no longer held: the transfer cannot be relied on.
            std::printf("result: the transfer failed: %s\n",
                        res::FormatString(res::StringId::HelperEnded, {hostnet::RecoverCommand(adapterName, firmware)})
                            .c_str());
            exitCode = kExitFailed;
            break;
        }
    }
    bootServer.Stop();
    tftpServer.Stop();
    page->Close();
    endHold();
    std::fflush(stdout);
    // A session may still be winding down on its own thread (the page no longer shows it): leave without
    // running static destructors under it.
    std::_Exit(exitCode);
}
