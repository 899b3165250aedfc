#include "tools/gateway-sim/GatewaySimulator.h"

#include "tools/gateway-sim/SimulatorConnection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <thread>

namespace vornalix::tools {

GatewaySimulator::GatewaySimulator(SimulatorOptions options) : options(std::move(options)) {}

int GatewaySimulator::OpenListener() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(boundPort ? boundPort : options.port);
    if (::inet_pton(AF_INET, options.address.c_str(), &address.sin_addr) != 1 ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("qel-gateway-sim: bind");
        ::close(fd);
        return -1;
    }
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    boundPort = ntohs(address.sin_port);
    // A bound socket that does not listen refuses every connection.
    if (options.fault != "refuse" && ::listen(fd, 64) != 0) {
        std::perror("qel-gateway-sim: listen");
        ::close(fd);
        return -1;
    }
    return fd;
}

int GatewaySimulator::Run() {
    listener = OpenListener();
    if (listener < 0)
        return 1;
    if (!options.portFile.empty()) {
        std::string temporary = options.portFile + ".tmp";
        std::ofstream(temporary) << boundPort << "\n";
        std::rename(temporary.c_str(), options.portFile.c_str());
    }
    std::printf("qel-gateway-sim listening on %s:%u\n", options.address.c_str(), boundPort);
    std::fflush(stdout);

    for (;;) {
        if (restartRequested) {
            // Let the answer to the restart form leave before the gateway goes away.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            CloseAllConnections();
            if (options.restartRefuse) {
                ::close(listener);
                std::this_thread::sleep_for(std::chrono::milliseconds(options.restartMs));
                listener = OpenListener();
                if (listener < 0)
                    return 1;
            } else {
                // Connections wait unanswered in the backlog until the gateway is back.
                std::this_thread::sleep_for(std::chrono::milliseconds(options.restartMs));
            }
            restartRequested = false;
            Log("restarted");
            continue;
        }
        pollfd entry{listener, POLLIN, 0};
        if (::poll(&entry, 1, 100) <= 0 || options.fault == "refuse")
            continue;
        int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        int number = ++connectionCount;
        Log("accept conn=" + std::to_string(number));
        Track(fd);
        std::thread([this, fd, number] {
            SimulatorConnection(*this, fd, number).Serve();
            Untrack(fd);
            ::close(fd);
        }).detach();
    }
}

void GatewaySimulator::Log(const std::string& line) {
    if (options.recordDir.empty())
        return;
    std::lock_guard lock(mutex);
    std::ofstream(options.recordDir + "/requests.log", std::ios::app) << line << "\n";
}

void GatewaySimulator::ScheduleRestart() {
    restartRequested = true;
}

void GatewaySimulator::Track(int fd) {
    std::lock_guard lock(mutex);
    connections.insert(fd);
}

void GatewaySimulator::Untrack(int fd) {
    std::lock_guard lock(mutex);
    connections.erase(fd);
}

void GatewaySimulator::CloseAllConnections() {
    std::lock_guard lock(mutex);
    for (int fd : connections)
        ::shutdown(fd, SHUT_RDWR);
}

} // namespace vornalix::tools
