#pragma once
// What the gateway's boot loader does after power-on: BOOTP from an unconfigured interface, then TFTP.
#include <cstdint>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <vector>

struct BootLoaderSettings {
    std::string interfaceName;
    int bootpTries = 10; // 0: until answered
    int bootpIntervalMs = 1000;
    bool fetchParamIni = false;
    int blockSize = 0;       // 0: no options; otherwise asked for on a request repeated to the session
    int retransmitMs = 1000; // TFTP: resend the last packet after this long without an answer
    int ackDelayMs = 0;      // TFTP: a slow boot loader waits this long before it acknowledges a block
    int tftpTries = 5;
    bool keepAddress = false; // leave the offered address on the interface afterwards
};

struct BootReplyFields {
    in_addr_t yiaddr = 0;
    in_addr_t siaddr = 0;
    std::string file;
};

class BootLoader {
public:
    explicit BootLoader(BootLoaderSettings settings) : settings(std::move(settings)) {}
    ~BootLoader();

    // Broadcasts BOOTREQUESTs until one is answered; nullopt after the last try.
    std::optional<BootReplyFields> RequestBootReply();
    // Puts the offered address (/24) on the interface, as the boot loader's own stack would take it.
    bool TakeAddress(in_addr_t address);
    // Fetches a file by TFTP from server port 69; nullopt on an error packet or silence (message in error).
    std::optional<std::vector<std::uint8_t>> Fetch(in_addr_t server, const std::string& name, std::string& error);

private:
    BootLoaderSettings settings;
    in_addr_t ownAddress = 0;
    bool addressTaken = false;
};

std::uint32_t Crc32(const std::vector<std::uint8_t>& bytes);
