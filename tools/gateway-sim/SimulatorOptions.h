#pragma once
// Switches of qel-gateway-sim.
#include <cstdint>
#include <string>

namespace vornalix::tools {

struct SimulatorOptions {
    std::string address = "127.0.0.1";
    std::uint16_t port = 80;     // 0: any free port (see portFile)
    std::string portFile;        // written with the port once listening
    std::string language = "en"; // en, ja (Shift-JIS page), ja-utf8
    std::string hardware = "1.02";
    std::string software = "R1.20 WEB Mar. 12, 2002";
    std::string infoPageFile;   // served verbatim as /_SystemInfo.htm
    bool auth = true;           // Basic authentication on /_SystemInfo.htm
    bool protectUpload = false; // ... and on /post-query
    std::string user = "default";
    std::string password;
    int programMs = 2000;       // time the programming form takes
    int restartMs = 5000;       // time the gateway is away after the restart form
    bool restartRefuse = false; // refuse connections while away (default: silent)
    std::string fault;          // "", "refuse", "hang", "garbage", "huge-header", "endless-info",
                                // "trickle-info", "endless-upload"
    int statusRoot = 200;
    int statusInfo = 0;             // 0: normal answer
    int statusUpload = 0;           // 0: 200 for a good upload, 400 for a bad one
    long long dropUploadAfter = -1; // close the connection after this many upload body bytes
    int failProgram = 0;            // drop the connection of the first N programming forms
    int slowMs = 0;                 // delay before every answer
    std::string recordDir;          // raw requests, requests.log and image.bin
    std::string storeFile;          // the last uploaded image
};

} // namespace vornalix::tools
