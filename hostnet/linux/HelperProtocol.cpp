#include "hostnet/linux/HelperProtocol.h"

#include "common/DottedAddress.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace vornalix::hostnet::helper {

namespace {

constexpr std::size_t kMaxNameLength = 15;
constexpr std::size_t kMaxDescriptors = 4;

// In the order of Reason.
constexpr std::array<const char*, 13> kReasonWords = {"bad-request",      "busy",           "no-such-adapter",
                                                      "not-ethernet",     "enslaved",       "address-not-on-adapter",
                                                      "no-free-address",  "record-failed",  "networkmanager-refused",
                                                      "networkd-refused", "address-failed", "port-in-use",
                                                      "bind-failed"};

static_assert(kReasonWords.size() == static_cast<std::size_t>(Reason::BindFailed) + 1);

// In the order of Manager.
constexpr std::array<const char*, 3> kManagerWords = {"none", "networkmanager", "networkd"};

// Words separated by single blanks: nothing before the first, after the last or between two.
std::optional<std::vector<std::string>> SplitWords(const std::string& line) {
    std::vector<std::string> words;
    std::size_t start = 0;
    for (;;) {
        const std::size_t blank = line.find(' ', start);
        words.push_back(line.substr(start, blank - start));
        if (words.back().empty())
            return std::nullopt;
        if (blank == std::string::npos)
            return words;
        start = blank + 1;
    }
}

bool IsInterfaceName(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameLength || name == "." || name == "..")
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
               c == ':' || c == '-';
    });
}

// Four decimal octets, without leading zeros; the result in network order.
std::optional<std::uint32_t> ParseDotted(const std::string& text) {
    std::uint32_t address = 0;
    auto* octets = reinterpret_cast<unsigned char*>(&address);
    std::size_t start = 0;
    for (int octet = 0; octet < 4; ++octet) {
        const std::size_t end = octet < 3 ? text.find('.', start) : text.size();
        if (end == std::string::npos)
            return std::nullopt;
        const std::string digits = text.substr(start, end - start);
        if (digits.empty() || digits.size() > 3 || (digits.size() > 1 && digits[0] == '0') ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        const int value = std::stoi(digits);
        if (value > 255)
            return std::nullopt;
        octets[octet] = static_cast<unsigned char>(value);
        start = end + 1;
    }
    return address;
}

std::optional<int> ParseSmallNumber(const std::string& text, int max) {
    if (text.empty() || text.size() > 2 || (text.size() > 1 && text[0] == '0') ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int value = std::stoi(text);
    return value <= max ? std::optional<int>(value) : std::nullopt;
}

// A word of a refusal: printable, no blanks.
std::string CleanWord(const std::string& word) {
    std::string clean = word.empty() ? "?" : word;
    for (char& c : clean)
        if (c <= ' ' || c > '~')
            c = '?';
    return clean;
}

void CloseAll(std::vector<int>& descriptors) {
    for (int fd : descriptors)
        close(fd);
    descriptors.clear();
}

} // namespace

std::optional<Request> ParseRequest(const std::string& line) {
    if (line.size() > kMaxLine)
        return std::nullopt;
    if (line == "end")
        return Request{Request::Kind::End, {}, 0};
    const auto words = SplitWords(line);
    if (!words || words->size() < 2 || words->size() > 3 || !IsInterfaceName((*words)[1]))
        return std::nullopt;
    const bool open = (*words)[0] == "open";
    if (!open && (*words)[0] != "hold")
        return std::nullopt;
    // "open" changes nothing on the host, so it cannot give an adapter an address: it names one.
    if (open && words->size() != 3)
        return std::nullopt;
    Request request{open ? Request::Kind::Open : Request::Kind::Hold, (*words)[1], 0};
    if (words->size() == 3) {
        const auto address = ParseDotted((*words)[2]);
        if (!address || *address == 0)
            return std::nullopt;
        request.address = *address;
    }
    return request;
}

std::string FormatRequest(const Request& request) {
    if (request.kind == Request::Kind::End)
        return "end\n";
    std::string line = (request.kind == Request::Kind::Open ? "open " : "hold ") + request.interfaceName;
    if (request.address != 0)
        line += " " + common::FormatDottedAddress(request.address);
    return line + "\n";
}

std::string FormatHeld(const Held& held) {
    return "held " + common::FormatDottedAddress(held.address) + " " + std::to_string(held.prefixLength) + " " +
           common::FormatDottedAddress(held.offered) + " " + (held.temporary ? "1" : "0") + " " +
           kManagerWords[static_cast<std::size_t>(held.manager)] + "\n";
}

std::string FormatRefusal(const Refusal& refusal) {
    std::string line = std::string("refused ") + ReasonWord(refusal.reason);
    for (const std::string& word : refusal.words) {
        const std::string clean = CleanWord(word);
        if (line.size() + 1 + clean.size() > kMaxLine)
            break;
        line += " " + clean;
    }
    return line + "\n";
}

Reply ParseReply(const std::string& line, const std::vector<int>& descriptors) {
    Reply reply;
    const auto words = SplitWords(line);
    if (line.size() > kMaxLine || !words)
        return reply;
    if (line == "ended" && descriptors.empty()) {
        reply.ended = true;
    } else if ((*words)[0] == "held" && words->size() == 6 && descriptors.size() == 2) {
        const auto address = ParseDotted((*words)[1]);
        const auto prefix = ParseSmallNumber((*words)[2], 32);
        const auto offered = ParseDotted((*words)[3]);
        const auto manager = std::find_if(kManagerWords.begin(), kManagerWords.end(),
                                          [&](const char* word) { return (*words)[5] == word; });
        if (!address || !prefix || !offered || ((*words)[4] != "0" && (*words)[4] != "1") ||
            manager == kManagerWords.end())
            return reply;
        reply.held = Held{*address,
                          *prefix,
                          *offered,
                          (*words)[4] == "1",
                          static_cast<Manager>(manager - kManagerWords.begin()),
                          descriptors[0],
                          descriptors[1]};
    } else if ((*words)[0] == "refused" && words->size() >= 2 && descriptors.empty()) {
        const auto reason = ReasonFromWord((*words)[1]);
        if (!reason)
            return reply;
        reply.refusal = Refusal{*reason, std::vector<std::string>(words->begin() + 2, words->end())};
    }
    return reply;
}

const char* ReasonWord(Reason reason) {
    return kReasonWords[static_cast<std::size_t>(reason)];
}

std::optional<Reason> ReasonFromWord(const std::string& word) {
    for (std::size_t i = 0; i < kReasonWords.size(); ++i)
        if (word == kReasonWords[i])
            return static_cast<Reason>(i);
    return std::nullopt;
}

bool SendLine(int socket, const std::string& line, const std::vector<int>& descriptors) {
    if (descriptors.size() > kMaxDescriptors)
        return false;
    std::size_t sent = 0;
    bool descriptorsSent = descriptors.empty();
    while (sent < line.size()) {
        iovec part{const_cast<char*>(line.data() + sent), line.size() - sent};
        msghdr message{};
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kMaxDescriptors)] = {};
        if (!descriptorsSent) {
            const std::size_t size = sizeof(int) * descriptors.size();
            message.msg_control = control;
            message.msg_controllen = CMSG_SPACE(size);
            cmsghdr* header = CMSG_FIRSTHDR(&message);
            header->cmsg_level = SOL_SOCKET;
            header->cmsg_type = SCM_RIGHTS;
            header->cmsg_len = CMSG_LEN(size);
            std::memcpy(CMSG_DATA(header), descriptors.data(), size);
        }
        const ssize_t n = sendmsg(socket, &message, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd writable{socket, POLLOUT, 0};
            poll(&writable, 1, 1000);
            continue;
        }
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
        descriptorsSent = true;
    }
    return true;
}

bool ReceiveLine(int socket, std::string& line, std::vector<int>& descriptors, int timeoutMs) {
    line.clear();
    descriptors.clear();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    // One octet at a time: what follows the line end stays in the socket for the next call.
    for (;;) {
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            wait = static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
        }
        pollfd readable{socket, POLLIN, 0};
        const int ready = poll(&readable, 1, wait);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char octet = 0;
        iovec part{&octet, 1};
        msghdr message{};
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * kMaxDescriptors)];
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t n = recvmsg(socket, &message, MSG_CMSG_CLOEXEC | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        for (cmsghdr* header = CMSG_FIRSTHDR(&message); n > 0 && header != nullptr;
             header = CMSG_NXTHDR(&message, header)) {
            if (header->cmsg_level != SOL_SOCKET || header->cmsg_type != SCM_RIGHTS)
                continue;
            const std::size_t count = (header->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (std::size_t i = 0; i < count; ++i) {
                int fd = -1;
                std::memcpy(&fd, CMSG_DATA(header) + i * sizeof(int), sizeof fd);
                descriptors.push_back(fd);
            }
        }
        if (n <= 0 || (message.msg_flags & MSG_CTRUNC) != 0)
            break;
        if (octet == '\n')
            return true;
        if (line.size() >= kMaxLine)
            break;
        line.push_back(octet);
    }
    CloseAll(descriptors);
    return false;
}

} // namespace vornalix::hostnet::helper
