#include "tools/gateway-sim/SimulatorConnection.h"

#include "tools/gateway-sim/GatewaySimulator.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace vornalix::tools {

namespace {

constexpr std::size_t kMaxHead = 64 * 1024;
constexpr std::size_t kMaxFormBody = 1024 * 1024;
constexpr std::uint64_t kLegacyImageSize = 0xD0000;
constexpr const char* kProgramForm = "Load=T&ButtonUpgrade=1&POST_END=1";
constexpr const char* kRestartForm = "Load=S&Reboot=Execute";
constexpr const char* kHardwareLabelSjis =
    "\x83\x6e\x81\x5b\x83\x68\x83\x45\x83\x46\x83\x41\x81\x45\x83\x6f\x81\x5b\x83\x57\x83\x87\x83\x93";
constexpr const char* kSoftwareLabelSjis =
    "\x83\x5c\x83\x74\x83\x67\x83\x45\x83\x46\x83\x41\x81\x45\x83\x6f\x81\x5b\x83\x57\x83\x87\x83\x93";

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Trim(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t");
    std::size_t last = text.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::string Base64(const std::string& text) {
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < text.size(); i += 3) {
        unsigned v = (unsigned char)text[i] << 16 | (unsigned char)text[i + 1] << 8 | (unsigned char)text[i + 2];
        out += {alphabet[v >> 18], alphabet[(v >> 12) & 63], alphabet[(v >> 6) & 63], alphabet[v & 63]};
    }
    if (i + 1 == text.size()) {
        unsigned v = (unsigned char)text[i] << 16;
        out += {alphabet[v >> 18], alphabet[(v >> 12) & 63], '=', '='};
    } else if (i + 2 == text.size()) {
        unsigned v = (unsigned char)text[i] << 16 | (unsigned char)text[i + 1] << 8;
        out += {alphabet[v >> 18], alphabet[(v >> 12) & 63], alphabet[(v >> 6) & 63], '='};
    }
    return out;
}

const char* Reason(int status) {
    switch (status) {
    case 100:
        return "Continue";
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

std::string Page(const std::string& title, const std::string& text) {
    return "<html><head><title>" + title + "</title></head>\n<body>\n<p>" + text + "</p>\n</body></html>\n";
}

} // namespace

SimulatorConnection::SimulatorConnection(GatewaySimulator& simulator, int fd, int number)
    : simulator(simulator), fd(fd), number(number) {}

SimulatorConnection::~SimulatorConnection() {
    if (record)
        std::fclose(record);
}

std::size_t SimulatorConnection::Receive(char* buffer, std::size_t size) {
    std::size_t n = 0;
    if (!buffered.empty()) {
        n = std::min(size, buffered.size());
        std::copy_n(buffered.data(), n, buffer);
        buffered.erase(0, n);
    } else {
        ssize_t got;
        do
            got = ::recv(fd, buffer, size, 0);
        while (got < 0 && errno == EINTR);
        n = got > 0 ? static_cast<std::size_t>(got) : 0;
    }
    Record(buffer, n);
    return n;
}

void SimulatorConnection::Record(const char* data, std::size_t size) {
    if (record && size)
        std::fwrite(data, 1, size, record);
}

void SimulatorConnection::Drop() {
    ::shutdown(fd, SHUT_RDWR);
    dropped = true;
}

bool SimulatorConnection::ReadHead(Request& request) {
    std::size_t end;
    while ((end = buffered.find("\r\n\r\n")) == std::string::npos) {
        if (buffered.size() > kMaxHead)
            return false;
        char chunk[4096];
        ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        buffered.append(chunk, static_cast<std::size_t>(got));
    }
    std::string head = buffered.substr(0, end + 4);
    buffered.erase(0, end + 4);

    request.number = simulator.NextRequestNumber();
    const SimulatorOptions& options = simulator.Options();
    if (!options.recordDir.empty()) {
        char name[64];
        std::snprintf(name, sizeof name, "/request-%04d.bin", request.number);
        record = std::fopen((options.recordDir + name).c_str(), "wb");
    }
    Record(head.data(), head.size());

    std::istringstream lines(head);
    std::string line;
    std::getline(lines, line);
    std::istringstream requestLine(line);
    requestLine >> request.method >> request.path;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::size_t colon = line.find(':');
        if (colon != std::string::npos)
            request.headers[Lower(line.substr(0, colon))] = Trim(line.substr(colon + 1));
    }
    auto length = request.headers.find("content-length");
    if (length != request.headers.end())
        request.contentLength = std::stoull(length->second);
    auto connection = request.headers.find("connection");
    closeAfter = connection != request.headers.end() && Lower(connection->second) == "close";
    return !request.method.empty();
}

bool SimulatorConnection::ReadBody(Request& request, std::string& body, std::size_t limit) {
    char chunk[65536];
    std::uint64_t remaining = request.contentLength;
    while (remaining > 0) {
        std::size_t n = Receive(chunk, static_cast<std::size_t>(std::min<std::uint64_t>(sizeof chunk, remaining)));
        if (n == 0)
            return false;
        remaining -= n;
        if (body.size() < limit)
            body.append(chunk, std::min(n, limit - body.size()));
    }
    return true;
}

bool SimulatorConnection::Authorized(const Request& request) const {
    const SimulatorOptions& options = simulator.Options();
    auto header = request.headers.find("authorization");
    return header != request.headers.end() &&
           header->second == "Basic " + Base64(options.user + ":" + options.password);
}

std::string SimulatorConnection::SystemInfoPage() const {
    const SimulatorOptions& options = simulator.Options();
    if (!options.infoPageFile.empty()) {
        std::ifstream file(options.infoPageFile, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    std::string hardwareLabel = "Hardware Version";
    std::string softwareLabel = "Software Version";
    if (options.language == "ja") {
        hardwareLabel = kHardwareLabelSjis;
        softwareLabel = kSoftwareLabelSjis;
    } else if (options.language == "ja-utf8") {
        hardwareLabel = "ハードウェア・バージョン";
        softwareLabel = "ソフトウェア・バージョン";
    }
    return "<html><head><title>System Information</title></head>\n<body>\n<table border=\"1\">\n"
           "<tr><td><b>" +
           hardwareLabel + "</b></td>\n<td>" + options.hardware +
           "</td></tr>\n"
           "<tr><td><b>" +
           softwareLabel + "</b></td>\n<td>" + options.software +
           "</td></tr>\n"
           "</table>\n</body></html>\n";
}

bool SimulatorConnection::Send(int status, const std::string& body, const std::string& extraHeaders) {
    std::string contentType = "text/html";
    if (simulator.Options().language == "ja")
        contentType += "; charset=Shift_JIS";
    else if (simulator.Options().language == "ja-utf8")
        contentType += "; charset=UTF-8";
    std::string message = "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) +
                          "\r\nServer: Qel-Gateway\r\nContent-Type: " + contentType +
                          "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extraHeaders +
                          (closeAfter ? "Connection: close\r\n" : "") + "\r\n" + body;
    return SendRaw(message);
}

bool SimulatorConnection::SendRaw(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void SimulatorConnection::SendEndless(bool trickle) {
    // Fast: 64 KiB every 10 ms, far beyond a gateway's link, yet paced, so that a client that reads
    // faster takes it a chunk at a time however busy the machine is.
    std::string filler = trickle ? "<p>.</p>\n" : std::string(64 * 1024 - 1, '.') + "\n";
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool open = SendRaw("HTTP/1.1 200 OK\r\nServer: Qel-Gateway\r\nContent-Type: text/html\r\n"
                        "Connection: close\r\n\r\n<html><body>\n");
    while (open && std::chrono::steady_clock::now() < end) {
        open = SendRaw(filler);
        std::this_thread::sleep_for(std::chrono::milliseconds(trickle ? 50 : 10));
    }
    Drop();
}

void SimulatorConnection::Serve() {
    const SimulatorOptions& options = simulator.Options();
    const std::string challenge = "WWW-Authenticate: Basic realm=\"Qel Gateway\"\r\n";
    for (;;) {
        Request request;
        if (!ReadHead(request))
            return;
        if (options.slowMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(options.slowMs));
        if (options.fault == "hang" || options.fault == "garbage" || options.fault == "huge-header") {
            if (options.fault == "garbage")
                SendRaw("\x7f\x01 this is not an HTTP answer\r\n\r\n");
            else if (options.fault == "huge-header")
                SendRaw("HTTP/1.1 200 OK\r\nX-Filler: " + std::string(10 << 20, 'a') + "\r\n\r\n");
            char sink[4096];
            while (Receive(sink, sizeof sink) > 0) {
            }
            return;
        }
        auto expect = request.headers.find("expect");
        if (expect != request.headers.end() && Lower(expect->second) == "100-continue") {
            static const char interim[] = "HTTP/1.1 100 Continue\r\n\r\n";
            ::send(fd, interim, sizeof interim - 1, MSG_NOSIGNAL);
        }

        int status = 0;
        bool restart = false;
        auto contentType = request.headers.find("content-type");
        bool multipart =
            contentType != request.headers.end() && Lower(contentType->second).rfind("multipart/form-data", 0) == 0;
        if (request.method == "POST" && request.path == "/post-query" && multipart) {
            status = HandleUpload(request);
        } else {
            std::string body;
            if (!ReadBody(request, body, kMaxFormBody))
                return;
            if (request.method == "GET" && request.path == "/") {
                status = options.statusRoot;
                Send(status, Page("Qel Gateway", "Qel Gateway web interface"));
            } else if (request.method == "GET" && request.path == "/_SystemInfo.htm") {
                if (options.auth && !Authorized(request)) {
                    Send(status = 401, Page("401 Unauthorized", "Authorization required"), challenge);
                } else if (options.fault == "endless-info" || options.fault == "trickle-info") {
                    SendEndless(options.fault == "trickle-info");
                    status = 200;
                } else if (options.statusInfo) {
                    Send(status = options.statusInfo, Page("Error", Reason(options.statusInfo)));
                } else {
                    Send(status = 200, SystemInfoPage());
                }
            } else if (request.method == "POST" && request.path == "/post-query") {
                if (options.protectUpload && !Authorized(request)) {
                    Send(status = 401, Page("401 Unauthorized", "Authorization required"), challenge);
                } else if (body == kProgramForm) {
                    if (simulator.DropThisProgramForm()) {
                        Drop();
                    } else {
                        std::this_thread::sleep_for(std::chrono::milliseconds(options.programMs));
                        Send(status = 200, Page("Upgrade", "Flash programmed"));
                    }
                } else if (body == kRestartForm) {
                    Send(status = 200, Page("Restart", "Restarting"));
                    restart = true;
                } else {
                    Send(status = 400, Page("Error", "Unknown form"));
                }
            } else {
                Send(status = 404, Page("404 Not Found", "Not Found"));
            }
        }
        if (record) {
            std::fclose(record);
            record = nullptr;
        }
        char line[512];
        std::snprintf(line, sizeof line, "%04d conn=%d %s %s %d %llu", request.number, number, request.method.c_str(),
                      request.path.c_str(), status, static_cast<unsigned long long>(request.contentLength));
        simulator.Log(line);
        if (restart)
            simulator.ScheduleRestart();
        if (dropped || closeAfter)
            return;
    }
}

int SimulatorConnection::HandleUpload(Request& request) {
    const SimulatorOptions& options = simulator.Options();
    if (options.protectUpload && !Authorized(request)) {
        std::string ignored;
        if (!ReadBody(request, ignored, 0))
            return 0;
        Send(401, Page("401 Unauthorized", "Authorization required"),
             "WWW-Authenticate: Basic realm=\"Qel Gateway\"\r\n");
        return 401;
    }
    std::string contentType = request.headers["content-type"];
    std::string boundary;
    std::size_t at = contentType.find("boundary=");
    if (at != std::string::npos) {
        boundary = contentType.substr(at + 9);
        boundary = boundary.substr(0, boundary.find(';'));
        if (boundary.size() >= 2 && boundary.front() == '"')
            boundary = boundary.substr(1, boundary.size() - 2);
    }
    const std::string opening = "--" + boundary + "\r\n";
    const std::string closing = "\r\n--" + boundary + "--\r\n";

    std::string imagePath = !options.storeFile.empty()   ? options.storeFile
                            : !options.recordDir.empty() ? options.recordDir + "/image.bin"
                                                         : std::string();
    std::FILE* image = imagePath.empty() ? nullptr : std::fopen(imagePath.c_str(), "wb");
    std::string partHead;
    bool inData = false;
    bool good = !boundary.empty();
    std::string tail;
    std::uint64_t imageSize = 0;
    std::uint64_t received = 0;
    std::uint64_t remaining = request.contentLength;
    static thread_local char chunk[256 * 1024];
    while (remaining > 0) {
        std::size_t n = Receive(chunk, static_cast<std::size_t>(std::min<std::uint64_t>(sizeof chunk, remaining)));
        if (n == 0)
            break;
        remaining -= n;
        received += n;
        if (options.dropUploadAfter >= 0 && received >= static_cast<std::uint64_t>(options.dropUploadAfter)) {
            Drop();
            break;
        }
        std::size_t offset = 0;
        if (!inData) {
            std::size_t before = partHead.size();
            partHead.append(chunk, n);
            std::size_t end = partHead.find("\r\n\r\n");
            if (end == std::string::npos) {
                good = good && partHead.size() < 16384;
                continue;
            }
            inData = true;
            offset = end + 4 - before;
            partHead.resize(end + 4);
            good = good && partHead.rfind(opening, 0) == 0 &&
                   partHead.find("name=\"FirmwareDownload\"") != std::string::npos;
        }
        tail.append(chunk + offset, n - offset);
        if (tail.size() > closing.size()) {
            std::size_t out = tail.size() - closing.size();
            if (image)
                std::fwrite(tail.data(), 1, out, image);
            imageSize += out;
            tail.erase(0, out);
        }
    }
    if (image)
        std::fclose(image);
    if (dropped)
        return 0;
    if (remaining > 0) {
        Drop();
        return 0;
    }
    good = good && inData && tail == closing;
    bool legacy =
        options.hardware.find("1.01") != std::string::npos && options.software.find("R1.10") != std::string::npos;
    if (legacy && imageSize != kLegacyImageSize)
        good = false;
    if (options.fault == "endless-upload") {
        SendEndless(false);
        return 200;
    }
    int status = options.statusUpload ? options.statusUpload : good ? 200 : 400;
    Send(status, Page("Upload", good ? "Image received: " + std::to_string(imageSize) + " bytes" : "Bad upload"));
    return status;
}

} // namespace vornalix::tools
