#pragma once
// Runs qel-gateway-sim on a free loopback port for one test and reads what it recorded. The
// simulator is a Linux program; a Windows test under Wine starts it through Wine's support for
// Unix programs (see GatewaySimWindows.cpp).
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace vornalix::web::test {

class GatewaySim {
public:
    explicit GatewaySim(std::vector<std::string> switches = {});
    ~GatewaySim();
    GatewaySim(const GatewaySim&) = delete;
    GatewaySim& operator=(const GatewaySim&) = delete;

    std::uint16_t Port() const { return port; }
    std::string Url(const std::string& path = "/") const;
    // A scratch folder that is removed with the simulator.
    const std::string& Folder() const { return folder; }
    std::string WriteFile(const std::string& name, const std::string& bytes) const;

    // Lines of the request log: "NNNN conn=C METHOD PATH STATUS LENGTH" and "accept conn=C".
    std::vector<std::string> Log() const;
    // Request lines only, in request order, waiting up to a second until there are at least count of them.
    std::vector<std::string> Requests(std::size_t count = 0) const;
    // Connections accepted, waiting up to a second until there are at least count of them.
    std::size_t Accepts(std::size_t count = 0) const;
    // Raw bytes of request number n (1-based) as received.
    std::string RequestBytes(int n) const;
    std::string Image() const;

private:
    // Platform parts: starting the simulator with args (paths in its own form) and stopping it.
    void Launch(std::vector<std::string> args);
    void Stop();
    // path (one of ours) as the simulator names it; other switch values unchanged.
    static std::string SimPath(const std::string& path);

    std::intptr_t process = -1; // POSIX: the simulator's pid; Windows: the handle that keeps it running
    std::uint16_t port = 0;
    std::string folder;
};

std::string ReadAll(const std::string& path);
// A new empty folder for one test, named prefix-...; the caller removes it.
std::string MakeScratchFolder(const std::string& prefix);

} // namespace vornalix::web::test
