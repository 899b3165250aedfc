// vornalix-recover ADDRESS FIRMWARE: the emergency transfer without the GUI. Starts the BOOTP and TFTP servers
// on the adapter that holds ADDRESS, prints what the transfer page would show, one line per change, and exits
// 0 when the firmware transfer finished, 1 when it failed, 2 when it could not start, 130 on Ctrl-C.
#include "recovery/AdapterInterface.h"
#include "recovery/BootReplyServer.h"
#include "recovery/TftpServer.h"
#include "res/Resources.h"
#include "tools/recover/ConsolePage.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

using namespace vornalix::recovery;

namespace {

constexpr int kExitFinished = 0;
constexpr int kExitFailed = 1;
constexpr int kExitCannotStart = 2;
constexpr int kExitInterrupted = 130;

int Usage(const char* program) {
    std::fprintf(stderr,
                 "usage: %s ADDRESS FIRMWARE\n"
                 "  ADDRESS   IPv4 address of the adapter that faces the gateway (e.g. 192.168.1.1)\n"
                 "  FIRMWARE  the firmware image; its folder is served by TFTP\n",
                 program);
    return kExitCannotStart;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return Usage(argv[0]);
    in_addr parsed{};
    if (inet_pton(AF_INET, argv[1], &parsed) != 1) {
        std::fprintf(stderr, "%s: \"%s\" is not an IPv4 address\n", argv[0], argv[1]);
        return kExitCannotStart;
    }
    const std::string firmware = argv[2];
    std::error_code error;
    if (!std::filesystem::is_regular_file(firmware, error) || !std::ifstream(firmware, std::ios::binary)) {
        std::fprintf(stderr, "%s: cannot read the firmware file \"%s\"\n", argv[0], firmware.c_str());
        return kExitCannotStart;
    }
    if (!AdapterInterface::Holding(parsed.s_addr)) {
        std::fprintf(stderr, "%s: no network adapter holds the address %s\n", argv[0], argv[1]);
        return kExitCannotStart;
    }

    // Ctrl-C and termination are taken by this thread only: block them before any server thread exists.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    ConsolePage page(stdout);
    BootReplyServer bootServer(parsed.s_addr, firmware);
    TftpServer tftpServer(parsed.s_addr, firmware, page);
    page.SetServers(&bootServer, &tftpServer);

    page.SetTitleText(vornalix::res::LoadString(106));
    const std::pair<const char*, int> servers[] = {{"BOOTP", 67}, {"TFTP", 69}};
    int serverIndex = 0;
    for (const ListenStatus& status : {bootServer.Start(), tftpServer.Start()}) {
        const auto [serverName, port] = servers[serverIndex++];
        if (!status.listening) {
            const std::string text = vornalix::recovery::ListenFailureText(status, serverName, port, argv[1]);
            std::fprintf(stderr, "%s: %s\n%s: %s\n", argv[0], text.c_str(), argv[0], status.reason.c_str());
            bootServer.Stop();
            tftpServer.Stop();
            tftpServer.DetachPage();
            return kExitCannotStart;
        }
    }
    std::printf("listening: BOOTP on %s port 67, TFTP on %s port 69, offering %s\n", argv[1], argv[1],
                bootServer.clientAddressText.c_str());
    page.SetStatusText(vornalix::res::LoadString(115));
    page.SetTitleText(vornalix::res::LoadString(105));
    page.PostUpdate();

    int exitCode = kExitInterrupted;
    for (;;) {
        const timespec tick{0, 100'000'000};
        const int caught = sigtimedwait(&stopSignals, nullptr, &tick);
        if (caught == SIGINT || caught == SIGTERM) {
            std::printf("interrupted: stopping the servers\n");
            break;
        }
        if (const auto result = page.Result()) {
            exitCode = *result ? kExitFinished : kExitFailed;
            break;
        }
    }
    bootServer.Stop();
    tftpServer.Stop();
    tftpServer.DetachPage();
    std::fflush(stdout);
    // A session may still be winding down on its own thread (it no longer touches the page): leave without
    // running static destructors under it.
    std::_Exit(exitCode);
}
