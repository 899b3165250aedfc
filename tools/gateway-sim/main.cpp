// qel-gateway-sim: serves the Qel Gateway's web interface for tests, benchmarks and demos.
#include "tools/gateway-sim/GatewaySimulator.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using vornalix::tools::GatewaySimulator;
using vornalix::tools::SimulatorOptions;

namespace {

const char* kUsage =
    "Usage: qel-gateway-sim [switches]\n"
    "Serves the Qel Gateway's web interface: \"/\", \"/_SystemInfo.htm\" and POST \"/post-query\".\n"
    "\n"
    "  --address ADDR          IPv4 address to listen on (default 127.0.0.1)\n"
    "  --port N                TCP port (default 80; 0 picks a free port)\n"
    "  --port-file FILE        write the port to FILE once listening\n"
    "  --language en|ja|ja-utf8  system-information page in English, Japanese (Shift-JIS) or Japanese (UTF-8)\n"
    "  --hardware TEXT         hardware version (default \"1.02\")\n"
    "  --software TEXT         software version (default \"R1.20 WEB Mar. 12, 2002\")\n"
    "  --info-page FILE        serve FILE verbatim as /_SystemInfo.htm\n"
    "  --user NAME             accepted user name (default \"default\")\n"
    "  --password TEXT         accepted password (default empty)\n"
    "  --no-auth               no authentication on /_SystemInfo.htm\n"
    "  --protect-upload        authentication on /post-query as well\n"
    "  --program-ms N          time the programming form takes (default 2000)\n"
    "  --restart-ms N          time the gateway is away after the restart form (default 5000)\n"
    "  --restart-refuse        refuse connections while away (default: leave them unanswered)\n"
    "  --fault refuse|hang     refuse every connection, or accept and never answer\n"
    "  --fault garbage|huge-header  answer every request with non-HTTP bytes, or a 10 MB header line\n"
    "  --fault endless-info|trickle-info|endless-upload  answer /_SystemInfo.htm or the upload with a\n"
    "                          200 body that does not end (64 KiB every 10 ms, or a line every 50 ms)\n"
    "                          for 10 s\n"
    "  --status-root N         status of GET / (default 200)\n"
    "  --status-info N         status of GET /_SystemInfo.htm once authorised (e.g. 404, 500)\n"
    "  --status-upload N       status of every upload\n"
    "  --drop-upload-after N   close the connection after N bytes of an upload body\n"
    "  --fail-program N        close the connection of the first N programming forms\n"
    "  --slow-ms N             wait N ms before every answer\n"
    "  --record DIR            write each request's raw bytes to DIR/request-NNNN.bin, a log to\n"
    "                          DIR/requests.log and the uploaded image to DIR/image.bin\n"
    "  --store FILE            write the uploaded image to FILE\n"
    "  --help                  show this text\n";

[[noreturn]] void Fail(const std::string& text) {
    std::fprintf(stderr, "qel-gateway-sim: %s\n%s", text.c_str(), kUsage);
    std::exit(2);
}

long long Number(const std::string& name, const char* text) {
    char* end = nullptr;
    long long value = std::strtoll(text, &end, 10);
    if (!*text || *end)
        Fail("bad number for " + name + ": " + text);
    return value;
}

} // namespace

int main(int argc, char** argv) {
    SimulatorOptions options;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc)
                Fail("missing value for " + name);
            return argv[++i];
        };
        if (name == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (name == "--address") {
            options.address = value();
        } else if (name == "--port") {
            long long port = Number(name, value());
            if (port < 0 || port > 65535)
                Fail("port out of range");
            options.port = static_cast<std::uint16_t>(port);
        } else if (name == "--port-file") {
            options.portFile = value();
        } else if (name == "--language") {
            options.language = value();
            if (options.language != "en" && options.language != "ja" && options.language != "ja-utf8")
                Fail("unknown language " + options.language);
        } else if (name == "--hardware") {
            options.hardware = value();
        } else if (name == "--software") {
            options.software = value();
        } else if (name == "--info-page") {
            options.infoPageFile = value();
        } else if (name == "--user") {
            options.user = value();
        } else if (name == "--password") {
            options.password = value();
        } else if (name == "--no-auth") {
            options.auth = false;
        } else if (name == "--protect-upload") {
            options.protectUpload = true;
        } else if (name == "--program-ms") {
            options.programMs = static_cast<int>(Number(name, value()));
        } else if (name == "--restart-ms") {
            options.restartMs = static_cast<int>(Number(name, value()));
        } else if (name == "--restart-refuse") {
            options.restartRefuse = true;
        } else if (name == "--fault") {
            options.fault = value();
            static const char* const kFaults[] = {"refuse",       "hang",         "garbage",       "huge-header",
                                                  "endless-info", "trickle-info", "endless-upload"};
            if (std::find(std::begin(kFaults), std::end(kFaults), options.fault) == std::end(kFaults))
                Fail("unknown fault " + options.fault);
        } else if (name == "--status-root") {
            options.statusRoot = static_cast<int>(Number(name, value()));
        } else if (name == "--status-info") {
            options.statusInfo = static_cast<int>(Number(name, value()));
        } else if (name == "--status-upload") {
            options.statusUpload = static_cast<int>(Number(name, value()));
        } else if (name == "--drop-upload-after") {
            options.dropUploadAfter = Number(name, value());
        } else if (name == "--fail-program") {
            options.failProgram = static_cast<int>(Number(name, value()));
        } else if (name == "--slow-ms") {
            options.slowMs = static_cast<int>(Number(name, value()));
        } else if (name == "--record") {
            options.recordDir = value();
        } else if (name == "--store") {
            options.storeFile = value();
        } else {
            Fail("unknown switch " + name);
        }
    }
    std::signal(SIGPIPE, SIG_IGN);
    return GatewaySimulator(options).Run();
}
