// vornalix-recover [options] ADAPTER|ADDRESS FIRMWARE: the emergency transfer without the GUI. Starts the BOOTP
// and TFTP servers on the named adapter (or the adapter that holds ADDRESS), prints what the transfer page would
// show, one line per change, and exits 0 when the firmware transfer finished, 1 when it failed, 2 when it could
// not start, 3 when the firmware was sent but the gateway never acknowledged its last part (watch the gateway's
// TEST LED), 130 on Ctrl-C (143 on a termination request). What differs per system (finding the adapter, getting
// the ports, catching Ctrl-C) is in RecoverPlatform.
#include "app/recover/ConsolePage.h"
#include "app/recover/RecoverPlatform.h"
#include "common/DottedAddress.h"
#include "recovery/BootReplyServer.h"
#include "recovery/TftpServer.h"
#include "res/Resources.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace vornalix;
using namespace vornalix::app;
using namespace vornalix::recovery;

namespace {

void PrintUsage(std::FILE* out, const char* program, const RecoverPlatform& platform) {
    std::fprintf(out,
                 "usage: %s %s ADAPTER|ADDRESS FIRMWARE\n"
                 "%s"
                 "  ADDRESS   or the IPv4 address of that adapter (e.g. 192.168.1.1)\n"
                 "  FIRMWARE  the firmware image; its folder is served by TFTP\n"
                 "%s"
                 "  --help    show this text\n"
                 "Exit status: 0 transferred, 1 failed, 2 could not start, 3 sent but the last part not confirmed by\n"
                 "the gateway (its TEST LED tells whether it took the firmware), 130 interrupted, 143 terminated.\n",
                 program, platform.UsageOptions().c_str(), platform.AdapterHelp().c_str(),
                 platform.OptionsHelp().c_str());
}

// A reason not to start, in the UI language.
void Fail(const char* program, res::StringId id, const std::string& subject) {
    std::fprintf(stderr, "%s: %s\n", program, res::FormatString(id, {subject}).c_str());
}

} // namespace

int main(int argc, char** argv) {
    const auto platform = CreateRecoverPlatform(argc, argv);
    if (!platform)
        return kExitCannotStart;
    bool hostChanges = true;
    std::vector<std::string> operands;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            PrintUsage(stdout, argv[0], *platform);
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
        PrintUsage(stderr, argv[0], *platform);
        return kExitCannotStart;
    }
    const std::string firmware = operands[1];

    std::error_code error;
    if (!std::filesystem::is_regular_file(firmware, error) || !std::ifstream(firmware, std::ios::binary)) {
        Fail(argv[0], res::StringId::RecoverCannotReadFirmware, firmware);
        return kExitCannotStart;
    }
    std::string failure;
    auto target = platform->FindTarget(operands[0], hostChanges, failure);
    if (!target) {
        std::fprintf(stderr, "%s: %s\n", argv[0], failure.c_str());
        return kExitCannotStart;
    }

    platform->CatchStopRequests();
    if (!platform->Prepare(*target, firmware, hostChanges))
        return kExitCannotStart;
    const std::string addressText = common::FormatDottedAddress(target->address);

    const auto page = std::make_shared<ConsolePage>(stdout);
    BootReplyServer bootServer(target->address, firmware);
    TftpServer tftpServer(target->address, firmware, page);
    page->SetServers(&bootServer, &tftpServer);

    page->SetTitleText(res::LoadString(res::StringId::RestartGatewayAgain));
    const std::pair<const char*, int> servers[] = {{"BOOTP", 67}, {"TFTP", 69}};
    int serverIndex = 0;
    const ListenStatus started[] = {platform->StartBootServer(bootServer), platform->StartTftpServer(tftpServer)};
    for (const ListenStatus& status : started) {
        const auto [serverName, port] = servers[serverIndex++];
        if (!status.listening) {
            const std::string text = ListenFailureText(status, serverName, port, addressText);
            std::fprintf(stderr, "%s: %s\n%s: %s\n", argv[0], text.c_str(), argv[0], status.reason.c_str());
            bootServer.Stop();
            tftpServer.Stop();
            page->Close();
            platform->End();
            std::fflush(stdout);
            std::_Exit(kExitCannotStart);
        }
    }
    std::printf("listening: BOOTP on %s port 67, TFTP on %s port 69 (%s), offering %s\n", addressText.c_str(),
                addressText.c_str(), target->adapterName.c_str(), bootServer.clientAddressText.c_str());
    page->SetStatusText(res::LoadString(res::StringId::PowerCycleGateway));
    page->SetTitleText(res::LoadString(res::StringId::RestartGateway));
    page->PostUpdate();

    int exitCode = kExitInterrupted;
    for (;;) {
        if (const int stop = platform->WaitForStop(std::chrono::milliseconds(100))) {
            std::printf("interrupted: stopping the servers\n");
            exitCode = stop;
            break;
        }
        if (const auto result = page->Result()) {
            exitCode = *result == TransferOutcome::Succeeded ? kExitFinished
                       : *result == TransferOutcome::Failed  ? kExitFailed
                                                             : kExitNotConfirmed;
            break;
        }
        if (const auto lost = platform->Lost()) {
            // Whatever was set up for the transfer is gone: it cannot be relied on.
            std::printf("result: the transfer failed: %s\n", lost->c_str());
            exitCode = kExitFailed;
            break;
        }
    }
    bootServer.Stop();
    tftpServer.Stop();
    page->Close();
    platform->End();
    std::fflush(stdout);
    // A session may still be winding down on its own thread (the page no longer shows it): leave without
    // running static destructors under it.
    std::_Exit(exitCode);
}
