// libFuzzer target: the TFTP server with several sessions at once. The input is a script of datagrams to port 69
// and to the session ports from several requesters (the boot loader, its twins from other ports of its address,
// a second requester, a stranger), losses of the server's datagrams, pauses and a file that shrinks. Sessions
// meet the script through the channel seam on a virtual clock: one session thread runs at a time, and time
// moves only when every session waits. What is checked:
//  - a run never ends as failed or as sent-not-confirmed while another session transfers or a request waits
//    for a place; FinishTransfer comes at most once;
//  - a run with a completed image read, or whose requester holds every byte of the image, never ends as failed;
//  - every session ends within the silence limit of its requester's last datagram (or of getting its place),
//    no datagram from anyone else ends it, and only its requester hears from it;
//  - every run ends once the script does: with an outcome, or with no session left after one that completed
//    without reporting (a stored file, a param.ini that names the image);
//  - at most 5 sessions hold places and 16 wait (the rest are dropped), and places go in arrival order.
#include "recovery/QuietProgressPage.h"
#include "recovery/TftpServer.h"
#include "recovery/TftpTransfer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

using namespace vornalix::recovery;
using Bytes = std::vector<std::uint8_t>;
using TimePoint = TftpChannel::Clock::time_point;
using std::chrono::milliseconds;

namespace {

const in_addr_t kServerAddress = inet_addr("10.0.0.1");
const TftpTimings kTimings{4, 5, std::chrono::microseconds(0)};
constexpr auto kSilence = std::chrono::seconds(20);
constexpr int kEndpoints = 5;

// Who sends: the boot loader, the boot loader from two other ports, a second requester and a stranger; from
// kEndpoints on, a crowd of requesters at one more address (enough to fill the places and the queue).
sockaddr_in Endpoint(int index) {
    static const std::pair<const char*, std::uint16_t> endpoints[kEndpoints] = {
        {"10.0.0.2", 2000}, {"10.0.0.2", 2001}, {"10.0.0.2", 2002}, {"10.0.0.3", 3000}, {"10.0.0.9", 4000}};
    sockaddr_in address{};
    address.sin_family = AF_INET;
    if (index >= kEndpoints) {
        address.sin_addr.s_addr = inet_addr("10.0.0.4");
        address.sin_port = htons(static_cast<std::uint16_t>(5000 + index - kEndpoints));
        return address;
    }
    address.sin_addr.s_addr = inet_addr(endpoints[index].first);
    address.sin_port = htons(endpoints[index].second);
    return address;
}

bool Same(const sockaddr_in& a, const sockaddr_in& b) {
    return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

[[noreturn]] void Violation(int line) {
    std::fprintf(stderr, "TftpSessionFuzzer: the check at line %d does not hold\n", line);
    std::abort();
}

// A check of the server's behaviour (or of the script's model of it).
#define Check(holds)                                                                                                   \
    do {                                                                                                               \
        if (!(holds))                                                                                                  \
            Violation(__LINE__);                                                                                       \
    } while (0)

// VX_FUZZ_TRACE=1: every step of a script on stderr (to read a finding).
const bool kTrace = std::getenv("VX_FUZZ_TRACE") != nullptr;

std::string Describe(const sockaddr_in& who) {
    return std::string(inet_ntoa(who.sin_addr)) + ":" + std::to_string(ntohs(who.sin_port));
}

std::string Describe(std::span<const std::uint8_t> datagram) {
    std::string text = std::to_string(datagram.size()) + " bytes";
    if (datagram.size() >= 2)
        text += ", opcode " + std::to_string(datagram[1]);
    if (datagram.size() >= 4)
        text += ", " + std::to_string(datagram[2] << 8 | datagram[3]);
    if (datagram.size() >= 3 && (datagram[1] == 1 || datagram[1] == 2))
        text += " " + std::string(reinterpret_cast<const char*>(datagram.data() + 2),
                                  strnlen(reinterpret_cast<const char*>(datagram.data() + 2), datagram.size() - 2));
    return text;
}

#define Trace(...)                                                                                                     \
    do {                                                                                                               \
        if (kTrace)                                                                                                    \
            std::fprintf(stderr, __VA_ARGS__);                                                                         \
    } while (0)

// Reads the fuzzer's bytes; zeros once they are used up.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
    bool empty() const { return at >= size; }
    std::uint8_t Byte() { return at < size ? data[at++] : 0; }
    std::uint16_t Word() { return static_cast<std::uint16_t>(Byte() << 8 | Byte()); }
    Bytes Take(std::size_t count) {
        Bytes bytes;
        while (count-- > 0 && !empty())
            bytes.push_back(Byte());
        return bytes;
    }

private:
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

// The served folder, rewritten for every input (run-fuzzers.sh points TMPDIR at a tmpfs where there is one).
struct Folder {
    std::filesystem::path root;
    std::string firmware;
};

const Folder& TheFolder() {
    static const Folder folder = [] {
        const auto root = std::filesystem::temp_directory_path() / ("vx-session-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(root);
        return Folder{root, (root / "image.bin").string()};
    }();
    return folder;
}

void Put(Bytes& packet, const std::string& text) {
    packet.insert(packet.end(), text.begin(), text.end());
    packet.push_back(0);
}

// A read or write request; `name` gets the name it asks for ("" for none the folder has).
Bytes RequestDatagram(Input& in, std::string& name) {
    const std::uint8_t kind = in.Byte();
    Bytes packet{0, static_cast<std::uint8_t>(kind & 0x80 ? 2 : 1)};
    static const char* const names[] = {"IMAGE.BIN", "param.ini", "missing.bin", "upload.bin"};
    if ((kind & 3) == 3 && kind & 0x40) {
        // Any bytes, after a prefix that no served file has.
        const Bytes raw = in.Take(in.Byte() + (kind & 4 ? 50u : 0u));
        packet.push_back('~');
        packet.insert(packet.end(), raw.begin(), raw.end());
        packet.push_back(0);
    } else {
        Put(packet, names[kind & 3]);
        name = names[kind & 3];
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
        Put(packet, "tsize"), Put(packet, std::to_string(in.Byte() & 1 ? 1'000'000'000'000'000ull : in.Word()));
    return packet;
}

// Any datagram to port 69.
Bytes OpeningDatagram(Input& in, std::string& name) {
    switch (in.Byte() % 6) {
    case 0:
    case 1:
    case 2:
        return RequestDatagram(in, name);
    case 3: {
        const std::uint16_t block = in.Word();
        return {0, 4, static_cast<std::uint8_t>(block >> 8), static_cast<std::uint8_t>(block)};
    }
    case 4: {
        Bytes packet{0, 3, 0, 1};
        packet.resize(4 + in.Word() % 600, 0x5a);
        return packet;
    }
    default:
        return in.Take(in.Byte() % 16);
    }
}

// What the requester side knows of one session, from the datagrams the session sent it (and did not lose).
struct SessionView {
    sockaddr_in requester{};
    std::string name;      // of the latest request sent to it
    int requestOpcode = 0; // of that request
    bool open = true;
    bool accepted = false;   // sent DATA, ACK or OACK: it transfers until it ends
    int mode = 0;            // 1 read, 2 write, as its answers show
    int blockSize = 512;     // as the requester knows it
    int sentBlockSize = 512; // as the session's last OACK said
    bool finalSent = false;  // the last DATA it sent ends its file
    bool answering = true;   // a request came, and the session has not answered it yet
    bool woken = false;      // its last receive ended in silence
    std::map<std::uint16_t, Bytes> delivered;
    std::optional<std::uint16_t> everyByte; // the block that ends the requested file, once all of it arrived
    std::uint16_t nextWrite = 1;            // the DATA block a write session waits for
    std::uint16_t lastData = 0;             // the newest DATA block that arrived
    Bytes lastSent;
    TimePoint heard{}; // place taken, or the requester's latest datagram to it
    TimePoint deadline{};
    bool blocked = false;
    bool expired = false;
    std::deque<std::pair<sockaddr_in, Bytes>> inbox;
};

class World;

class Page : public QuietProgressPage {
public:
    explicit Page(World& world) : world(world) {}
    void FinishTransfer(TransferOutcome outcome) override;

private:
    World& world;
};

class World {
public:
    World(Input& in, Bytes firmware, Bytes paramIni, bool paramNamesImage)
        : in(in), firmware(std::move(firmware)), paramIni(std::move(paramIni)), paramNamesImage(paramNamesImage),
          page(std::make_shared<Page>(*this)), server(kServerAddress, TheFolder().firmware, page, kTimings) {
        server.context->openChannel = [this](const sockaddr_in& requester) { return OpenChannel(requester); };
    }

    void Run();
    void Finished(TransferOutcome result);

private:
    class Channel;
    friend class Channel;

    std::unique_ptr<TftpChannel> OpenChannel(const sockaddr_in& requester);
    int Receive(std::size_t index, std::uint8_t* buffer, std::size_t size, sockaddr_in& sender, milliseconds wait);
    void Sent(std::size_t index, std::span<const std::uint8_t> packet, const sockaddr_in& to);
    void Closed(std::size_t index);

    void ToPortSixtyNine(int endpoint);
    void ToSession(std::uint8_t action);
    void Drive(std::uint8_t action);
    // Hands `datagram` to session `index` from `from` and waits until every session waits again.
    void Deliver(std::size_t index, const sockaddr_in& from, Bytes datagram, const std::string& name = {});
    void Advance(std::chrono::milliseconds by);
    void WaitQuiet(std::unique_lock<std::mutex>& lock);
    void CheckQuiet();
    bool Lost();
    const Bytes* Content(const std::string& name) const;
    bool Reports(const std::string& name) const;
    Bytes NextMove(const SessionView& view, bool last);

    Input& in;
    const Bytes firmware;
    const Bytes paramIni;
    const bool paramNamesImage;
    const std::shared_ptr<Page> page;
    TftpServer server;

    std::mutex mutex;
    std::condition_variable changed;
    TimePoint now{};
    std::vector<std::unique_ptr<SessionView>> sessions;
    // The opening datagram of every admitted session that has no port yet: its requester and its name.
    std::deque<std::pair<sockaddr_in, std::pair<std::string, int>>> admitted;
    int lossPercent = 0;
    std::uint32_t lossState = 1;
    std::optional<TransferOutcome> outcome;
    bool imageCompleted = false; // an image read completed before the run ended
    bool quietCompletion = false;
};

thread_local std::size_t currentSession = SIZE_MAX;

class World::Channel : public TftpChannel {
public:
    Channel(World& world, std::size_t index) : world(world), index(index) { currentSession = index; }
    ~Channel() override { world.Closed(index); }
    int Receive(std::uint8_t* buffer, std::size_t size, sockaddr_in& sender, milliseconds wait) override {
        return world.Receive(index, buffer, size, sender, wait);
    }
    void Send(std::span<const std::uint8_t> packet, const sockaddr_in& to) override { world.Sent(index, packet, to); }
    Clock::time_point Now() const override {
        std::lock_guard lock(world.mutex);
        return world.now;
    }
    void Pause() override {}

private:
    World& world;
    const std::size_t index;
};

void Page::FinishTransfer(TransferOutcome outcome) {
    world.Finished(outcome);
}

std::unique_ptr<TftpChannel> World::OpenChannel(const sockaddr_in& requester) {
    std::lock_guard lock(mutex);
    // Places go in arrival order.
    Check(!admitted.empty() && Same(admitted.front().first, requester));
    Trace("%8lld ms  session %zu for %s has a place\n",
          static_cast<long long>(now.time_since_epoch().count() / 1000000), sessions.size(),
          Describe(requester).c_str());
    auto view = std::make_unique<SessionView>();
    view->requester = requester;
    view->name = admitted.front().second.first;
    view->requestOpcode = admitted.front().second.second;
    view->heard = now;
    admitted.pop_front();
    sessions.push_back(std::move(view));
    changed.notify_all();
    return std::make_unique<Channel>(*this, sessions.size() - 1);
}

int World::Receive(std::size_t index, std::uint8_t* buffer, std::size_t size, sockaddr_in& sender, milliseconds wait) {
    std::unique_lock lock(mutex);
    SessionView& view = *sessions[index];
    Check(wait.count() > 0);
    view.deadline = now + wait;
    view.blocked = true;
    changed.notify_all();
    changed.wait(lock, [&] { return !view.inbox.empty() || view.expired; });
    view.blocked = false;
    view.woken = view.inbox.empty();
    if (view.inbox.empty()) {
        view.expired = false;
        return TftpChannel::kSilence;
    }
    auto [from, datagram] = std::move(view.inbox.front());
    view.inbox.pop_front();
    sender = from;
    std::copy_n(datagram.begin(), std::min(size, datagram.size()), buffer);
    return static_cast<int>(datagram.size());
}

void World::Sent(std::size_t index, std::span<const std::uint8_t> packet, const sockaddr_in& to) {
    std::lock_guard lock(mutex);
    SessionView& view = *sessions[index];
    // Only the requester hears from a session.
    Check(Same(to, view.requester));
    view.lastSent.assign(packet.begin(), packet.end());
    const std::uint16_t opcode = TftpPacket::OpcodeOf(packet);
    if (opcode == TftpPacket::DATA || opcode == TftpPacket::ACK || opcode == TftpPacket::OACK)
        view.accepted = true;
    if (opcode == TftpPacket::DATA)
        view.mode = 1;
    else if (opcode == TftpPacket::ACK)
        view.mode = 2;
    else if (opcode == TftpPacket::OACK)
        view.mode = view.requestOpcode;
    if (opcode == TftpPacket::OACK) {
        TftpPacket::Options options;
        Bytes asRequest(packet.begin(), packet.end());
        asRequest.insert(asRequest.begin() + 2, {'x', 0, 'o', 0});
        TftpPacket::ParseOptions(asRequest, asRequest.size(), options);
        view.sentBlockSize = options.blockSize;
    } else if (view.answering && (opcode == TftpPacket::DATA || opcode == TftpPacket::ACK)) {
        view.sentBlockSize = TftpPacket::kDefaultBlockSize; // accepted without options
    }
    view.answering = false;
    if (opcode == TftpPacket::DATA)
        view.finalSent = packet.size() - 4 < static_cast<std::size_t>(view.sentBlockSize);
    const bool lost = Lost();
    Trace("%8lld ms  session %zu sends %s%s\n", static_cast<long long>(now.time_since_epoch().count() / 1000000), index,
          Describe(packet).c_str(), lost ? " (lost)" : "");
    if (lost)
        return;
    if (opcode == TftpPacket::OACK) {
        view.blockSize = view.sentBlockSize;
        view.delivered.clear();
        view.everyByte.reset();
        view.nextWrite = 1;
    } else if (opcode == TftpPacket::ACK) {
        view.nextWrite = static_cast<std::uint16_t>(TftpPacket::BlockOf(packet) + 1);
    } else if (opcode == TftpPacket::DATA && packet.size() >= 4) {
        const std::uint16_t block = TftpPacket::BlockOf(packet);
        view.lastData = block;
        view.delivered[block].assign(packet.begin() + 4, packet.end());
        // Does the requester now hold the whole file it asked for?
        if (const Bytes* content = Content(view.name)) {
            Bytes joined;
            for (std::uint16_t at = 1; at != 0; ++at) {
                const auto found = view.delivered.find(at);
                if (found == view.delivered.end())
                    break;
                joined.insert(joined.end(), found->second.begin(), found->second.end());
                if (found->second.size() < static_cast<std::size_t>(view.blockSize)) {
                    if (joined == *content)
                        view.everyByte = at;
                    break;
                }
            }
        }
    }
}

void World::Closed(std::size_t index) {
    std::lock_guard lock(mutex);
    SessionView& view = *sessions[index];
    // No session outlives the silence limit of its requester's last datagram.
    Check(now - view.heard <= kSilence);
    view.open = false;
    Trace("%8lld ms  session %zu ends\n", static_cast<long long>(now.time_since_epoch().count() / 1000000), index);
    // A param.ini that names the image, sent and not confirmed: the image request follows.
    const bool lastBlockOut = view.lastSent.size() >= 2 && view.lastSent[1] == TftpPacket::DATA && view.finalSent;
    if (view.woken && view.mode == 1 && lastBlockOut && !Reports(view.name))
        quietCompletion = true;
    changed.notify_all();
}

void World::Finished(TransferOutcome result) {
    std::lock_guard lock(mutex);
    Check(!outcome);
    outcome = result;
    Trace("%8lld ms  the run ends: %d\n", static_cast<long long>(now.time_since_epoch().count() / 1000000),
          static_cast<int>(result));
    if (result == TransferOutcome::Succeeded)
        return;
    // No other session transfers, and no request waits for a place.
    for (std::size_t i = 0; i < sessions.size(); ++i)
        Check(i == currentSession || !sessions[i]->open || !sessions[i]->accepted);
    Check(server.context->Count().waiting == 0);
    // A completed image read ends the run with success at once; a requester with every byte of the image
    // never ends it as failed.
    Check(!imageCompleted);
    if (result == TransferOutcome::Failed)
        for (const auto& view : sessions) {
            Trace("  %s: every byte %d, mode %d\n", view->name.c_str(), view->everyByte ? *view->everyByte : -1,
                  view->mode);
            Check(!(view->everyByte && Reports(view->name) && view->mode == 1));
        }
}

bool World::Lost() {
    lossState = lossState * 1103515245u + 12345u;
    return static_cast<int>((lossState >> 16) % 100) < lossPercent;
}

const Bytes* World::Content(const std::string& name) const {
    if (name == "IMAGE.BIN")
        return &firmware;
    if (name == "param.ini")
        return &paramIni;
    return nullptr;
}

bool World::Reports(const std::string& name) const {
    return name == "IMAGE.BIN" || (name == "param.ini" && !paramNamesImage);
}

void World::WaitQuiet(std::unique_lock<std::mutex>& lock) {
    // Quiet: every running session waits for a datagram, or for a place while all are taken.
    for (int rounds = 0;; ++rounds) {
        const auto counts = server.context->Count();
        const int blocked = static_cast<int>(std::count_if(sessions.begin(), sessions.end(), [](const auto& view) {
            return view->open && view->blocked && view->inbox.empty() && !view->expired;
        }));
        if (counts.running == blocked + (counts.placed == TftpSessionContext::kPlaces ? counts.waiting : 0))
            break;
        Check(rounds < 2'000'000); // a session that never waits again
        changed.wait_for(lock, std::chrono::microseconds(20));
    }
    CheckQuiet();
}

void World::CheckQuiet() {
    const auto counts = server.context->Count();
    Check(counts.placed <= TftpSessionContext::kPlaces);
    Check(counts.waiting <= TftpSessionContext::kWaitingRequests + TftpSessionContext::kPlaces - counts.placed);
    for (const auto& view : sessions)
        if (view->open && view->blocked)
            Check(view->deadline - view->heard <= kSilence);
}

void World::ToPortSixtyNine(int endpoint) {
    std::string name;
    const Bytes datagram = OpeningDatagram(in, name);
    const sockaddr_in from = Endpoint(endpoint);
    std::unique_lock lock(mutex);
    // After the run's end the servers are stopped.
    if (outcome)
        return;
    const int before = server.context->Count().running;
    admitted.push_back({from, {name, TftpPacket::OpcodeOf(datagram)}});
    Trace("%8lld ms  %s to port 69: %s\n", static_cast<long long>(now.time_since_epoch().count() / 1000000),
          Describe(from).c_str(), Describe(datagram).c_str());
    lock.unlock();
    server.StartSession(from, datagram.data(), datagram.size());
    lock.lock();
    if (server.context->Count().running == before)
        admitted.pop_back(); // dropped: the same requester waits already, or too many do
    WaitQuiet(lock);
}

// The requester's next move in a session: the ACK of the newest block (read) or the next DATA (write).
Bytes World::NextMove(const SessionView& view, bool last) {
    if (view.mode == 2) {
        Bytes packet{0, 3, static_cast<std::uint8_t>(view.nextWrite >> 8), static_cast<std::uint8_t>(view.nextWrite)};
        packet.resize(4 + (last ? in.Byte() % view.blockSize : view.blockSize), 0x33);
        return packet;
    }
    return {0, 4, static_cast<std::uint8_t>(view.lastData >> 8), static_cast<std::uint8_t>(view.lastData)};
}

void World::ToSession(std::uint8_t action) {
    std::unique_lock lock(mutex);
    if (sessions.empty())
        return;
    const std::size_t index = in.Byte() % sessions.size();
    const SessionView& view = *sessions[index];
    const sockaddr_in from = action & 0x08 ? Endpoint(((action >> 4) + in.Byte()) % kEndpoints) : view.requester;
    Bytes datagram;
    std::string name;
    switch (action & 7) {
    case 0:
    case 1:
        datagram = NextMove(view, action & 1);
        break;
    case 2: {
        const auto block = static_cast<std::uint16_t>(view.lastData - 1);
        datagram = {0, 4, static_cast<std::uint8_t>(block >> 8), static_cast<std::uint8_t>(block)};
        break;
    }
    case 3: {
        const std::uint16_t block = in.Word();
        datagram = {0, 4, static_cast<std::uint8_t>(block >> 8), static_cast<std::uint8_t>(block)};
        break;
    }
    case 4:
        lock.unlock();
        datagram = RequestDatagram(in, name);
        lock.lock();
        break;
    case 5:
        datagram = {0, 5, 0, static_cast<std::uint8_t>(in.Byte() % 8), 'x', 0};
        break;
    case 6:
        datagram = in.Take(in.Byte() % 4);
        break;
    default:
        datagram.assign(2049 + in.Word() % 2000, 0x04);
        break;
    }
    lock.unlock();
    Deliver(index, from, std::move(datagram), name);
}

void World::Drive(std::uint8_t action) {
    std::size_t index;
    {
        std::lock_guard lock(mutex);
        if (sessions.empty())
            return;
        index = in.Byte() % sessions.size();
    }
    for (int step = (action & 0x1F) + 1; step > 0; --step) {
        std::unique_lock lock(mutex);
        const SessionView& view = *sessions[index];
        if (!view.open)
            return;
        Bytes datagram = NextMove(view, step == 1 && action & 0x10);
        const sockaddr_in from = view.requester;
        lock.unlock();
        Advance(milliseconds(in.Byte() % 4 == 0 ? 900 : 5));
        Deliver(index, from, std::move(datagram));
    }
}

void World::Deliver(std::size_t index, const sockaddr_in& from, Bytes datagram, const std::string& requested) {
    Advance(milliseconds(1));
    std::unique_lock lock(mutex);
    SessionView& view = *sessions[index];
    if (!view.open)
        return;
    const bool fromRequester = Same(from, view.requester);
    const std::uint16_t opcode = TftpPacket::OpcodeOf(datagram);
    // What may complete the session: an ACK to a read, a DATA to a write.
    const bool readAck = fromRequester && opcode == TftpPacket::ACK && view.mode == 1;
    const bool writeData = fromRequester && opcode == TftpPacket::DATA && view.mode == 2;
    const std::string name = view.name;
    const bool ended = outcome.has_value();
    if (fromRequester) {
        view.heard = now;
        // A requester that asks again, gives up, or shows that it lacks the last block (the ACK before it) no
        // longer holds the file.
        const bool lacksLast = opcode == TftpPacket::ACK && datagram.size() >= 4 && view.everyByte &&
                               TftpPacket::BlockOf(datagram) == static_cast<std::uint16_t>(*view.everyByte - 1);
        const bool keeps = !lacksLast && opcode != TftpPacket::RRQ && opcode != TftpPacket::WRQ &&
                           opcode != TftpPacket::ERROR && datagram.size() <= TftpTransfer::kDatagramSize;
        if (!keeps) {
            view.everyByte.reset();
            if (opcode == TftpPacket::RRQ || opcode == TftpPacket::WRQ) {
                // Without an OACK the request's blocks have the default size.
                view.delivered.clear();
                view.blockSize = TftpPacket::kDefaultBlockSize;
                view.answering = true;
                view.name = requested;
                view.requestOpcode = opcode;
            }
        }
    }
    Trace("%8lld ms  %s to session %zu: %s\n", static_cast<long long>(now.time_since_epoch().count() / 1000000),
          Describe(from).c_str(), index, Describe(datagram).c_str());
    view.inbox.push_back({from, std::move(datagram)});
    changed.notify_all();
    WaitQuiet(lock);
    if (!fromRequester) {
        // Nothing from anyone else ends a session.
        Check(view.open);
        return;
    }
    const bool failedWrite =
        view.lastSent.size() >= 4 && view.lastSent[1] == TftpPacket::ERROR && view.lastSent[3] == 3;
    // A read that ends on an ACK without an ERROR completed.
    if (!view.open && readAck && view.lastSent.size() >= 2 && view.lastSent[1] == TftpPacket::DATA) {
        quietCompletion = quietCompletion || !Reports(name);
        // A completed image read ends the run with success, unless the run had ended before.
        if (Reports(name) && !ended) {
            imageCompleted = true;
            Check(outcome == TransferOutcome::Succeeded);
        }
    }
    if (!view.open && writeData && !failedWrite)
        quietCompletion = true;
}

void World::Advance(milliseconds by) {
    std::unique_lock lock(mutex);
    const TimePoint target = now + by;
    for (;;) {
        // The session whose wait ends first (the lowest number of those that end together).
        SessionView* next = nullptr;
        for (const auto& view : sessions)
            if (view->open && view->blocked && view->deadline <= target && (!next || view->deadline < next->deadline))
                next = view.get();
        if (!next)
            break;
        now = std::max(now, next->deadline);
        next->expired = true;
        changed.notify_all();
        WaitQuiet(lock);
    }
    now = target;
}

void World::Run() {
    while (!in.empty()) {
        const std::uint8_t action = in.Byte();
        if (action < 0x30) {
            Advance(milliseconds(1));
            ToPortSixtyNine(action < 0x28 ? action % kEndpoints : kEndpoints + in.Byte() % 32);
        } else if (action < 0xA0) {
            ToSession(action);
        } else if (action < 0xC0) {
            Drive(action);
        } else if (action < 0xD0) {
            std::lock_guard lock(mutex);
            lossPercent = (action & 0x0F) * 3;
        } else if (action < 0xD4) {
            // The served image loses its end.
            std::error_code error;
            std::filesystem::resize_file(TheFolder().firmware, in.Word() % 6000, error);
        } else if (action < 0xF0) {
            Advance(milliseconds((action & 0x0F) * 100 + in.Byte()));
        } else {
            Advance(milliseconds((action & 0x0F) * 1500 + in.Byte() * 10));
        }
    }
    // The script is over: every session ends by its silence.
    for (int round = 0; round < 100 && server.context->Count().running > 0; ++round)
        Advance(kSilence);
    std::lock_guard lock(mutex);
    const auto counts = server.context->Count();
    Check(counts.running == 0);
    Check(counts.outcome == outcome);
    // A run without an outcome has no session left, and had one that completed without reporting (or none).
    Check(outcome || quietCompletion || sessions.empty());
    if (imageCompleted)
        Check(outcome == TransferOutcome::Succeeded);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in(data, size);
    const Folder& folder = TheFolder();
    Bytes firmware(in.Word() % 5000);
    for (std::size_t i = 0; i < firmware.size(); ++i)
        firmware[i] = static_cast<std::uint8_t>(i * 7 + 1);
    std::ofstream(folder.firmware, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(firmware.data()), static_cast<std::streamsize>(firmware.size()));
    const bool paramNamesImage = in.Byte() & 1;
    const std::string paramText = paramNamesImage ? "code=image.bin\n" : "[boot]\n";
    std::ofstream(folder.root / "param.ini", std::ios::trunc) << paramText;
    // What earlier write requests stored goes: every input starts from the same two files.
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder.root, error))
        if (const auto name = entry.path().filename(); name != "image.bin" && name != "param.ini")
            std::filesystem::remove(entry.path(), error);
    World world(in, firmware, Bytes(paramText.begin(), paramText.end()), paramNamesImage);
    world.Run();
    return 0;
}
