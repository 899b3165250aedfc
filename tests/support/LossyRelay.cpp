#include "LossyRelay.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace vornalix::recovery::test {

namespace {

int BoundSocket(const std::string& address, int port) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(port));
    local.sin_addr.s_addr = inet_addr(address.c_str());
    bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    return fd;
}

} // namespace

LossyRelay::LossyRelay(const char* listenAddress, int listenPort, const char* serverAddress, int serverPort,
                       double dropShare, unsigned seed, double duplicateShare, double clientDuplicateShare)
    : listenAddress(listenAddress), dropShare(dropShare), duplicateShare(duplicateShare),
      clientDuplicateShare(clientDuplicateShare < 0 ? duplicateShare : clientDuplicateShare), random(seed),
      listenSocket(BoundSocket(listenAddress, listenPort)), upstreamSocket(BoundSocket(listenAddress, 0)) {
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<std::uint16_t>(serverPort));
    server.sin_addr.s_addr = inet_addr(serverAddress);
    worker = std::thread([this] { Run(); });
}

LossyRelay::~LossyRelay() {
    stopping = true;
    worker.join();
    close(listenSocket);
    close(upstreamSocket);
    for (auto& [port, fd] : facing)
        close(fd);
}

bool LossyRelay::Drop() {
    if (std::uniform_real_distribution<double>(0, 1)(random) < dropShare) {
        ++droppedCount;
        return true;
    }
    ++forwardedCount;
    return false;
}

bool LossyRelay::Duplicate(double share) {
    if (share <= 0 || std::uniform_real_distribution<double>(0, 1)(random) >= share)
        return false;
    ++duplicatedCount;
    return true;
}

int LossyRelay::ClientFacing(int serverPort) {
    auto found = facing.find(serverPort);
    if (found == facing.end())
        found = facing.emplace(serverPort, BoundSocket(listenAddress, 0)).first;
    return found->second;
}

void LossyRelay::Run() {
    std::vector<unsigned char> buffer(70000);
    while (!stopping) {
        std::vector<pollfd> watched{{listenSocket, POLLIN, 0}, {upstreamSocket, POLLIN, 0}};
        std::vector<int> ports{-1, -1};
        for (auto& [port, fd] : facing) {
            watched.push_back({fd, POLLIN, 0});
            ports.push_back(port);
        }
        if (poll(watched.data(), watched.size(), 50) <= 0)
            continue;
        for (std::size_t i = 0; i < watched.size(); ++i) {
            if (!(watched[i].revents & POLLIN))
                continue;
            sockaddr_in from{};
            socklen_t length = sizeof from;
            const ssize_t got =
                recvfrom(watched[i].fd, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &length);
            if (got < 0)
                continue;
            if (i == 1) {
                // From the server: out through the client-facing socket that belongs to its port.
                const int out = ClientFacing(ntohs(from.sin_port));
                if (got >= 2 && buffer[0] == 0 && buffer[1] == 3)
                    ++serverDataCount;
                if (got >= 4 && got < 516 && buffer[0] == 0 && buffer[1] == 3)
                    finalBlocks[ntohs(from.sin_port)] = buffer[2] << 8 | buffer[3];
                if (Drop())
                    continue;
                for (int copies = Duplicate(duplicateShare) ? 2 : 1; copies > 0; --copies)
                    sendto(out, buffer.data(), static_cast<std::size_t>(got), 0, reinterpret_cast<sockaddr*>(&client),
                           sizeof client);
                continue;
            }
            client = from;
            sockaddr_in to = server;
            if (i >= 2)
                to.sin_port = htons(static_cast<std::uint16_t>(ports[i]));
            const auto final = finalBlocks.find(ports[i]);
            const bool finalAck = i >= 2 && final != finalBlocks.end() && got == 4 && buffer[1] == 4 &&
                                  (buffer[2] << 8 | buffer[3]) == final->second;
            if (finalAck && loseFinalAcks) {
                ++droppedCount;
                ++finalAcksDroppedCount;
                continue;
            }
            if (Drop()) {
                finalAcksDroppedCount += finalAck ? 1 : 0;
                continue;
            }
            for (int copies = Duplicate(clientDuplicateShare) ? 2 : 1; copies > 0; --copies)
                sendto(upstreamSocket, buffer.data(), static_cast<std::size_t>(got), 0,
                       reinterpret_cast<sockaddr*>(&to), sizeof to);
        }
    }
}

} // namespace vornalix::recovery::test
