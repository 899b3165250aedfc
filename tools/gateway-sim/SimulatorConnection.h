#pragma once
// One client connection of the simulator: reads requests one after the other (keep-alive),
// records them, and answers as the gateway's web interface does.
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

namespace vornalix::tools {

class GatewaySimulator;

class SimulatorConnection {
public:
    SimulatorConnection(GatewaySimulator& simulator, int fd, int number);
    ~SimulatorConnection();
    void Serve();

private:
    struct Request {
        std::string method;
        std::string path;
        std::map<std::string, std::string> headers; // names in lower case
        std::uint64_t contentLength = 0;
        int number = 0;
    };

    bool ReadHead(Request& request);
    bool ReadBody(Request& request, std::string& body, std::size_t limit);
    // Returns the status sent, or 0 when the connection was dropped on purpose.
    int HandleUpload(Request& request);
    bool Authorized(const Request& request) const;
    std::string SystemInfoPage() const;
    bool Send(int status, const std::string& body, const std::string& extraHeaders = "");
    bool SendRaw(const std::string& bytes);
    // A 200 answer that does not end: filler for up to 10 s (fast, or a line every 50 ms), then close.
    void SendEndless(bool trickle);
    std::size_t Receive(char* buffer, std::size_t size);
    void Record(const char* data, std::size_t size);
    void Drop();

    GatewaySimulator& simulator;
    int fd;
    int number;
    std::string buffered; // bytes read past the current request's head
    std::FILE* record = nullptr;
    bool closeAfter = false;
    bool dropped = false;
};

} // namespace vornalix::tools
