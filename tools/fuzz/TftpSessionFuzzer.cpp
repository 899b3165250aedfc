// libFuzzer target: one TFTP session driven by a sequence of datagrams (requests, ACKs, DATA, ERROR, runts, strays
// from other addresses and ports), pauses and a file that may shrink, against a page that checks what it is told:
// the session ends, FinishTransfer comes at most once, and success only after the requester acknowledged the
// block that carries the file's last byte.
#include "recovery/QuietProgressPage.h"
#include "recovery/TftpTransfer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <unistd.h>

using namespace vornalix::recovery;

namespace {

constexpr std::uint16_t kRequesterPort = 2000;
const in_addr_t kRequesterAddress = inet_addr("10.0.0.2");
const in_addr_t kServerAddress = inet_addr("10.0.0.1");
constexpr auto kSilence = std::chrono::seconds(20);

// Reads the fuzzer's bytes; zeros once they are used up.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
    bool empty() const { return at >= size; }
    std::uint8_t Byte() { return at < size ? data[at++] : 0; }
    std::uint16_t Word() { return static_cast<std::uint16_t>(Byte() << 8 | Byte()); }
    std::vector<std::uint8_t> Bytes(std::size_t count) {
        std::vector<std::uint8_t> bytes;
        while (count-- > 0 && !empty())
            bytes.push_back(Byte());
        return bytes;
    }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

struct Folder {
    std::filesystem::path root;
    std::string firmware;
};

// The served folder, rewritten for every input (run-fuzzers.sh points TMPDIR at a tmpfs where there is one).
const Folder& TheFolder() {
    static const Folder folder = [] {
        const auto root = std::filesystem::temp_directory_path() / ("vx-session-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(root);
        return Folder{root, (root / "image.bin").string()};
    }();
    return folder;
}

void Put(std::vector<std::uint8_t>& packet, const std::string& text) {
    packet.insert(packet.end(), text.begin(), text.end());
    packet.push_back(0);
}

// A read or write request; `file` gets the served file a read request names (empty for none).
std::vector<std::uint8_t> RequestDatagram(Input& in, std::string& file) {
    const std::uint8_t kind = in.Byte();
    std::vector<std::uint8_t> packet{0, static_cast<std::uint8_t>(kind & 0x80 ? 2 : 1)};
    static const char* const names[] = {"IMAGE.BIN", "param.ini", "missing.bin", "upload.bin"};
    static const char* const files[] = {"image.bin", "param.ini", "", ""};
    if ((kind & 3) == 3 && kind & 0x40) {
        // Any bytes, after a prefix that no served file has.
        const auto raw = in.Bytes(in.Byte() + (kind & 4 ? 50u : 0u));
        Put(packet, "~");
        packet.pop_back();
        packet.insert(packet.end(), raw.begin(), raw.end());
        packet.push_back(0);
    } else {
        Put(packet, names[kind & 3]);
        if (!(kind & 0x80))
            file = files[kind & 3];
    }
    Put(packet, "octet");
    if (kind & 0x10) {
        Put(packet, "blksize");
        Put(packet, std::to_string(in.Word() % 1100));
    }
    if (kind & 0x20) {
        Put(packet, "timeout");
        Put(packet, std::to_string(in.Byte() % 70));
    }
    if (kind & 0x08)
        Put(packet, "tsize"), Put(packet, "0");
    return packet;
}

// One datagram of the sequence; `file` as for RequestDatagram.
std::vector<std::uint8_t> Datagram(Input& in, std::uint8_t kind, std::string& file) {
    switch (kind % 6) {
    case 0:
        return RequestDatagram(in, file);
    case 1:
    case 2: {
        const std::uint16_t block = in.Word();
        return {0, 4, static_cast<std::uint8_t>(block >> 8), static_cast<std::uint8_t>(block)};
    }
    case 3: {
        const std::uint16_t block = in.Word();
        std::vector<std::uint8_t> packet{0, 3, static_cast<std::uint8_t>(block >> 8), static_cast<std::uint8_t>(block)};
        packet.resize(4 + in.Word() % 1100, 0x5a);
        return packet;
    }
    case 4:
        return {0, 5, 0, static_cast<std::uint8_t>(in.Byte() % 8), 'x', 0};
    default:
        return in.Bytes(in.Byte() % 16);
    }
}

class Page : public QuietProgressPage {
public:
    void FinishTransfer(bool success) override;

    std::function<void(bool)> check;
    int finishes = 0;
};

void Page::FinishTransfer(bool success) {
    if (++finishes > 1)
        std::abort();
    check(success);
}

class Channel : public TftpChannel {
public:
    explicit Channel(Input& in) : in(in) {}

    int Receive(std::uint8_t* buffer, std::size_t size, sockaddr_in& sender) override {
        if (ended)
            std::abort(); // a session goes on after its silence
        while (!in.empty()) {
            const std::uint8_t kind = in.Byte();
            if (kind >= 0xF0) {
                // A pause; one of the silence's length ends the session.
                const auto pause = std::chrono::milliseconds((kind & 0x0F) * 1500 + in.Byte() * 10);
                now += pause;
                if (pause >= kSilence)
                    return Silence();
                continue;
            }
            if (kind >= 0xE0) {
                // The served file loses its end.
                std::filesystem::resize_file(TheFolder().firmware, in.Word() % 6000);
                continue;
            }
            std::string file;
            const std::vector<std::uint8_t> datagram = Datagram(in, kind, file);
            sender.sin_family = AF_INET;
            sender.sin_addr.s_addr = kind & 0x80 ? inet_addr("10.0.0.9") : kRequesterAddress;
            sender.sin_port = htons(kind & 0x40 ? kRequesterPort + 1 : kRequesterPort);
            now += std::chrono::milliseconds(1);
            const bool fromRequester = !(kind & 0xC0);
            lastFromRequester = fromRequester ? datagram : std::vector<std::uint8_t>{};
            if (fromRequester)
                Expect(file);
            const std::size_t length = std::min(datagram.size(), size);
            std::copy_n(datagram.begin(), length, buffer);
            return static_cast<int>(length);
        }
        return Silence();
    }

    void Send(std::span<const std::uint8_t> packet, const sockaddr_in& to) override {
        if (to.sin_addr.s_addr != kRequesterAddress || to.sin_port != htons(kRequesterPort))
            std::abort(); // only the requester hears from a session
        if (packet.size() >= 4 && packet[1] == 3)
            sent[static_cast<std::uint16_t>(packet[2] << 8 | packet[3])].assign(packet.begin() + 4, packet.end());
        if (packet.size() >= 2 && packet[1] == 6)
            sent.clear(); // an OACK starts the blocks again
    }

    Clock::time_point Now() const override { return now; }
    void Pause() override {}

    // A read request for `file` that the session can open makes that file, as it is now, the one to serve.
    void Expect(const std::string& file) {
        std::ifstream stream(TheFolder().root / file, std::ios::binary);
        if (!file.empty() && stream)
            expected.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    }

    std::map<std::uint16_t, std::vector<std::uint8_t>> sent; // the latest DATA of every block number
    std::vector<std::uint8_t> lastFromRequester;
    std::vector<std::uint8_t> expected;

private:
    int Silence() {
        ended = true;
        return 0;
    }

    Input& in;
    Clock::time_point now{};
    bool ended = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const Folder& folder = TheFolder();
    std::vector<char> content(in.Word() % 5000);
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 7 + 1);
    std::ofstream(folder.firmware, std::ios::binary | std::ios::trunc).write(content.data(), content.size());
    std::ofstream(folder.root / "param.ini", std::ios::trunc) << (in.Byte() & 1 ? "code=image.bin\n" : "[boot]\n");
    // What earlier write requests stored goes: every input starts from the same two files.
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder.root, error))
        if (const auto name = entry.path().filename(); name != "image.bin" && name != "param.ini")
            std::filesystem::remove(entry.path(), error);

    const auto page = std::make_shared<Page>();
    auto context = std::make_shared<TftpSessionContext>(kServerAddress, folder.firmware, page,
                                                        TftpTimings{4, 5, std::chrono::microseconds(0)});
    sockaddr_in requester{};
    requester.sin_family = AF_INET;
    requester.sin_addr.s_addr = kRequesterAddress;
    requester.sin_port = htons(kRequesterPort);
    std::string file;
    std::vector<std::uint8_t> opening = Datagram(in, in.Byte(), file);
    auto channel = std::make_unique<Channel>(in);
    Channel& seen = *channel;
    seen.Expect(file);
    page->check = [&](bool success) {
        if (!success)
            return;
        // Success: the requester's last word was the ACK of the block that ends the file, and the blocks sent up
        // to it hold the file as it was at the start.
        const auto& ack = seen.lastFromRequester;
        if (ack.size() < 4 || ack[0] != 0 || ack[1] != 4)
            std::abort();
        const auto last = static_cast<std::uint16_t>(ack[2] << 8 | ack[3]);
        std::vector<std::uint8_t> served;
        for (std::uint16_t block = 1; block != 0 && block <= last; ++block) {
            const auto found = seen.sent.find(block);
            if (found == seen.sent.end())
                std::abort();
            served.insert(served.end(), found->second.begin(), found->second.end());
        }
        if (served != seen.expected)
            std::abort();
    };
    if (!context->AdmitSession(requester))
        std::abort();
    TftpTransfer(RequestBlock{context, requester, std::move(opening)}, std::move(channel)).Run();
    if (context->runningSessions != 0 || context->TransfersFrom(kRequesterAddress) != 0)
        std::abort();
    return 0;
}
