// vornalix-bootloader-sim: behaves like the gateway's boot loader on an unconfigured interface. Broadcasts
// BOOTREQUESTs until answered, takes the offered address, fetches param.ini (optionally) and the boot file by
// TFTP, checks length and CRC-32 and prints what happened. Exit 0 when everything asked for was received.
#include "common/DottedAddress.h"
#include "tools/bootloader-sim/BootLoader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

const char* kUsage =
    "usage: vornalix-bootloader-sim --interface NAME [switches]\n"
    "Acts as the gateway's boot loader on the unconfigured interface NAME: broadcasts BOOTREQUESTs until\n"
    "answered, takes the offered address (/24), fetches the named boot file by TFTP and checks it.\n"
    "Exits 0 when everything asked for was received (and matched), 1 otherwise.\n"
    "\n"
    "  --interface NAME     the interface to ask on (required)\n"
    "  --tries N            BOOTREQUESTs before giving up (default 10; 0 asks until stopped)\n"
    "  --interval-ms N      pause between BOOTREQUESTs (default 1000)\n"
    "  --param-ini          fetch PARAM.INI before the boot file\n"
    "  --blksize N          ask for this TFTP block size (default: no options)\n"
    "  --retransmit-ms N    resend the last TFTP packet after N ms of silence (default 1000)\n"
    "  --ack-delay-ms N     wait N ms before acknowledging each block (a slow boot loader)\n"
    "  --expect-size N      the boot file must have N bytes\n"
    "  --expect-crc32 HEX   the boot file must have this CRC-32\n"
    "  --output FILE        write the received boot file to FILE\n"
    "  --keep-address       leave the offered address on the interface afterwards\n"
    "  --help               show this text\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    BootLoaderSettings settings;
    long long expectSize = -1;
    long long expectCrc = -1;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
        if (option == "--interface")
            settings.interfaceName = value();
        else if (option == "--tries")
            settings.bootpTries = std::atoi(value().c_str());
        else if (option == "--interval-ms")
            settings.bootpIntervalMs = std::atoi(value().c_str());
        else if (option == "--param-ini")
            settings.fetchParamIni = true;
        else if (option == "--blksize")
            settings.blockSize = std::atoi(value().c_str());
        else if (option == "--retransmit-ms")
            settings.retransmitMs = std::atoi(value().c_str());
        else if (option == "--ack-delay-ms")
            settings.ackDelayMs = std::atoi(value().c_str());
        else if (option == "--expect-size")
            expectSize = std::atoll(value().c_str());
        else if (option == "--expect-crc32")
            expectCrc = std::strtoll(value().c_str(), nullptr, 16);
        else if (option == "--output")
            output = value();
        else if (option == "--keep-address")
            settings.keepAddress = true;
        else if (option == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else
            return Usage();
    }
    if (settings.interfaceName.empty())
        return Usage();

    BootLoader loader(settings);
    const auto reply = loader.RequestBootReply();
    if (!reply) {
        std::printf("no bootreply\n");
        return 1;
    }
    if (!loader.TakeAddress(reply->yiaddr)) {
        std::printf("cannot take the address %s\n", vornalix::common::FormatDottedAddress(reply->yiaddr).c_str());
        return 1;
    }
    std::string error;
    if (settings.fetchParamIni) {
        const auto parameters = loader.Fetch(reply->siaddr, "PARAM.INI", error);
        if (!parameters) {
            std::printf("tftp PARAM.INI failed: %s\n", error.c_str());
            return 1;
        }
        std::printf("tftp PARAM.INI %zu bytes crc32 %08x\n", parameters->size(), Crc32(*parameters));
    }
    const auto image = loader.Fetch(reply->siaddr, reply->file, error);
    if (!image) {
        std::printf("tftp %s failed: %s\n", reply->file.c_str(), error.c_str());
        return 1;
    }
    const std::uint32_t crc = Crc32(*image);
    std::printf("tftp %s %zu bytes crc32 %08x\n", reply->file.c_str(), image->size(), crc);
    if (!output.empty())
        std::ofstream(output, std::ios::binary)
            .write(reinterpret_cast<const char*>(image->data()), static_cast<std::streamsize>(image->size()));
    bool good = true;
    if (expectSize >= 0 && static_cast<long long>(image->size()) != expectSize) {
        std::printf("length mismatch: expected %lld\n", expectSize);
        good = false;
    }
    if (expectCrc >= 0 && crc != static_cast<std::uint32_t>(expectCrc)) {
        std::printf("crc32 mismatch: expected %08llx\n", expectCrc);
        good = false;
    }
    std::printf(good ? "verified\n" : "verification failed\n");
    return good ? 0 : 1;
}
