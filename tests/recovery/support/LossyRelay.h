#pragma once
// A UDP relay between TFTP clients and a server that drops a share of the datagrams each way. Clients talk to
// listenAddress:listenPort; every server port gets a client-facing port of its own, so transfer ids still work.
#include <atomic>
#include <map>
#include <netinet/in.h>
#include <random>
#include <string>
#include <thread>

namespace vornalix::recovery::test {

class LossyRelay {
public:
    LossyRelay(const char* listenAddress, int listenPort, const char* serverAddress, int serverPort, double dropShare,
               unsigned seed);
    ~LossyRelay();

    int dropped() const { return droppedCount; }
    int forwarded() const { return forwardedCount; }

private:
    void Run();
    bool Drop();
    int ClientFacing(int serverPort);

    std::string listenAddress;
    sockaddr_in server{};
    double dropShare;
    std::mt19937 random;
    int listenSocket;
    int upstreamSocket;
    std::map<int, int> facing; // server port -> client-facing socket
    sockaddr_in client{};
    std::atomic<bool> stopping{false};
    std::atomic<int> droppedCount{0};
    std::atomic<int> forwardedCount{0};
    std::thread worker;
};

} // namespace vornalix::recovery::test
