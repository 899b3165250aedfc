#pragma once
// A UDP relay between TFTP clients and a server that drops a share of the datagrams each way and sends a share
// of the others twice. Clients talk to listenAddress:listenPort; every server port gets a client-facing port of
// its own, so transfer ids still work.
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
               unsigned seed, double duplicateShare = 0.0, double clientDuplicateShare = -1.0);
    ~LossyRelay();

    // From now on every ACK of a final block (one that follows a DATA shorter than 516 bytes) is lost too.
    void LoseFinalAcks() { loseFinalAcks = true; }

    int dropped() const { return droppedCount; }
    // ACKs of a final block that were lost (by chance or by LoseFinalAcks).
    int finalAcksDropped() const { return finalAcksDroppedCount; }
    int forwarded() const { return forwardedCount; }
    int duplicated() const { return duplicatedCount; }
    // DATA packets that the server sent (before any drop or copy).
    int serverData() const { return serverDataCount; }

private:
    void Run();
    bool Drop();
    bool Duplicate(double share);
    int ClientFacing(int serverPort);

    std::string listenAddress;
    sockaddr_in server{};
    double dropShare;
    double duplicateShare;       // of the server's datagrams
    double clientDuplicateShare; // of the clients' datagrams
    std::mt19937 random;
    int listenSocket;
    int upstreamSocket;
    std::map<int, int> facing; // server port -> client-facing socket
    sockaddr_in client{};
    std::map<int, int> finalBlocks; // server port -> block number of its short DATA
    std::atomic<bool> loseFinalAcks{false};
    std::atomic<bool> stopping{false};
    std::atomic<int> droppedCount{0};
    std::atomic<int> finalAcksDroppedCount{0};
    std::atomic<int> forwardedCount{0};
    std::atomic<int> duplicatedCount{0};
    std::atomic<int> serverDataCount{0};
    std::thread worker;
};

} // namespace vornalix::recovery::test
