#pragma once
// The listening side of the simulator: accepts connections, runs one thread per connection,
// goes away for a while after a restart request, and keeps the request log.
#include "tools/gateway-sim/SimulatorOptions.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <string>

namespace vornalix::tools {

class GatewaySimulator {
public:
    explicit GatewaySimulator(SimulatorOptions options);
    // Binds and serves until the process ends; returns 1 when the address cannot be bound.
    int Run();

    const SimulatorOptions& Options() const { return options; }
    // Next request number (1, 2, ...).
    int NextRequestNumber() { return ++requestCount; }
    void Log(const std::string& line);
    // The gateway goes away for options.restartMs from now on.
    void ScheduleRestart();
    // Counts a programming form; true while such forms are still to be dropped.
    bool DropThisProgramForm() { return programForms++ < options.failProgram; }
    void Track(int fd);
    void Untrack(int fd);

private:
    int OpenListener();
    void CloseAllConnections();

    SimulatorOptions options;
    int listener = -1;
    std::uint16_t boundPort = 0;
    std::atomic<int> requestCount{0};
    std::atomic<int> connectionCount{0};
    std::atomic<int> programForms{0};
    std::atomic<bool> restartRequested{false};
    std::mutex mutex;
    std::set<int> connections;
};

} // namespace vornalix::tools
