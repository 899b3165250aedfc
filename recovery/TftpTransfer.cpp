#include "recovery/TftpTransfer.h"

#include "recovery/AdapterInterface.h"
#include "recovery/TimedSocketIo.h"
#include "res/Resources.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vornalix::recovery {

namespace {

constexpr int kTitleTextId = 141;
constexpr int kStatusTextId = 142;
constexpr int kMaxProgressSteps = 10;
constexpr std::size_t kParamIniProbe = 256;

std::string OpenErrorText(const std::string& name) {
    return "Open File \"" + name + "\" Error";
}
std::string CreateErrorText(const std::string& name) {
    return "Can not create file \"" + name + "\"";
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return text;
}

} // namespace

TftpTransfer::TftpTransfer(RequestBlock block) : request(std::move(block)), server(*request.server) {}

TftpTransfer::~TftpTransfer() {
    CloseFile();
    DiscardPartialFile();
    if (sessionSocket >= 0)
        close(sessionSocket);
}

void TftpTransfer::Run() {
    Begin();
    server.sessionLimiter.acquire();
    const End end = Exchange();
    Finish(end);
    server.sessionLimiter.release();
    // Last: whoever waits for the sessions may go on once this is counted down.
    std::shared_ptr<TftpSessionContext> keep = request.server;
    std::lock_guard lock(keep->sessionsMutex);
    --keep->runningSessions;
    keep->sessionsChanged.notify_all();
}

void TftpTransfer::Begin() {
    const std::string peerText = "From host \"" + DottedAddress(server.serverAddress) + "\" " + "to Gateway \"" +
                                 DottedAddress(request.requester.sin_addr.s_addr) + "\" ";
    const std::string title = res::LoadString(kTitleTextId);
    const std::string status = res::LoadString(kStatusTextId);
    server.pageLink.Use([&](ProgressPage& page) {
        page.SetTitleText(title);
        page.InvalidateTitle();
        page.SetPeerText(peerText);
        page.SetStatusText(status);
        page.PostUpdate();
    });
}

TftpTransfer::End TftpTransfer::Exchange() {
    sessionSocket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sessionSocket >= 0) {
        const int on = 1;
        setsockopt(sessionSocket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        // Answer from the address the requester spoke to, also when the adapter holds several.
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = server.serverAddress;
        bind(sessionSocket, reinterpret_cast<sockaddr*>(&local), sizeof local);
    }
    bool first = true;
    for (;;) {
        std::span<const std::uint8_t> packet;
        std::size_t receivedLength = 0;
        if (first) {
            // The opening datagram: its options are not read (its received length counts as 0).
            packet = request.datagram;
            first = false;
        } else {
            sockaddr_in sender{};
            const int received = TimedSocketIo(sessionSocket, receiveArea.data(), receiveArea.size(), kDirectionReceive,
                                               server.timings.receiveWaitSeconds, server.timings.receiveTries, nullptr,
                                               nullptr, &sender);
            if (received <= 0)
                return End::Failed;
            // A datagram from anyone but the requester's address and port is not part of this transfer.
            if (!FromRequester(sender))
                continue;
            NoteHeardBack();
            receivedLength = static_cast<std::size_t>(received);
            packet = std::span<const std::uint8_t>(receiveArea.data(), receivedLength);
        }
        switch (TftpPacket::OpcodeOf(packet)) {
        case TftpPacket::RRQ:
            HandleReadRequest(packet, receivedLength);
            break;
        case TftpPacket::WRQ:
            HandleWriteRequest(packet, receivedLength);
            break;
        case TftpPacket::DATA:
            HandleData(packet);
            break;
        case TftpPacket::ACK:
            HandleAck(packet);
            break;
        default:
            break;
        }
        std::this_thread::sleep_for(server.timings.pause);
        if (done)
            return End::Completed;
    }
}

void TftpTransfer::Finish(End end) {
    if (end == End::Completed) {
        if (reportSuccess)
            server.pageLink.Use([](ProgressPage& page) { page.FinishTransfer(true); });
    } else if (!AbandonedForAnotherSession()) {
        server.pageLink.Use([](ProgressPage& page) { page.FinishTransfer(false); });
    }
    CloseFile();
    DiscardPartialFile();
    if (sessionSocket >= 0)
        close(sessionSocket);
    sessionSocket = -1;
}

void TftpTransfer::HandleReadRequest(std::span<const std::uint8_t> packet, std::size_t receivedLength) {
    const std::string name = TftpPacket::TextAt(packet, 2);
    const auto path = server.serveDirectory.FindForReading(name);
    const int opened = path ? open(path->c_str(), O_RDONLY | O_CLOEXEC) : -1;
    struct stat info {};
    if (opened < 0 || fstat(opened, &info) != 0) {
        if (opened >= 0)
            close(opened);
        const auto error = TftpPacket::Error(0, OpenErrorText(name));
        Send(error);
        return;
    }
    CloseFile();
    DiscardPartialFile();
    file = opened;
    peerAddress = request.requester;
    fileLength = static_cast<std::uint64_t>(info.st_size);
    blockNumber = 0;
    finalBlockSent = false;
    sessionMode = 1;

    reportSuccess = true;
    if (Lower(name) == "param.ini") {
        std::string head(kParamIniProbe, '\0');
        const ssize_t got = pread(file, head.data(), head.size(), 0);
        if (got > 0)
            reportSuccess = Lower(head.substr(0, static_cast<std::size_t>(got))).find("code") == std::string::npos;
    }

    TftpPacket::Options options;
    const bool negotiated = TftpPacket::ParseOptions(packet, receivedLength, options);
    blockSize = options.blockSize;
    timeoutOption = options.timeout;
    tsizeOption = options.tsize;
    if (negotiated)
        Send(TftpPacket::OptionAck(blockSize, timeoutOption));
    else
        SendBlockAfter(0);
    SetUpProgress();
    server.pageLink.Use([](ProgressPage& page) { page.DisableBackAndCancel(); });
}

void TftpTransfer::HandleWriteRequest(std::span<const std::uint8_t> packet, std::size_t receivedLength) {
    const std::string name = TftpPacket::TextAt(packet, 2);
    peerAddress = request.requester;
    CloseFile();
    DiscardPartialFile();
    const auto target = server.serveDirectory.TargetForWriting(name);
    if (target) {
        std::string temporary = (target->parent_path() / ".vornalix-receive-XXXXXX").string();
        const int created = mkstemp(temporary.data());
        if (created >= 0) {
            fchmod(created, 0644);
            file = created;
            writeTarget = *target;
            writeTemporary = temporary;
        }
    }
    if (file < 0) {
        Send(TftpPacket::Error(1, CreateErrorText(name)));
        return;
    }
    blockNumber = 0;
    finalBlockSent = false;
    sessionMode = 2;
    // A received file is not the firmware fetch: its end reports nothing to the page.
    reportSuccess = false;
    TftpPacket::Options options;
    const bool negotiated = TftpPacket::ParseOptions(packet, receivedLength, options);
    blockSize = options.blockSize;
    timeoutOption = options.timeout;
    tsizeOption = options.tsize;
    if (negotiated)
        Send(TftpPacket::OptionAck(blockSize, timeoutOption));
    else
        Send(TftpPacket::Ack(0));
}

void TftpTransfer::HandleData(std::span<const std::uint8_t> packet) {
    if (!peerAddress) {
        Send(TftpPacket::Error(1, CreateErrorText(TftpPacket::TextAt(packet, 2))));
        return;
    }
    if (sessionMode != 2 || finalBlockSent || packet.size() < 4)
        return;
    const std::uint16_t block = TftpPacket::BlockOf(packet);
    const std::size_t dataLength = packet.size() - 4;
    if (block == static_cast<std::uint16_t>(blockNumber)) {
        // The requester did not get our last ACK: repeat it, write nothing.
        Send(TftpPacket::Ack(block));
        return;
    }
    if (block != static_cast<std::uint16_t>(blockNumber + 1) || dataLength > static_cast<std::size_t>(blockSize))
        return;
    const auto position = static_cast<off_t>(static_cast<std::uint64_t>(blockNumber) * blockSize);
    if (pwrite(file, packet.data() + 4, dataLength, position) != static_cast<ssize_t>(dataLength))
        return;
    ++blockNumber;
    if (dataLength < static_cast<std::size_t>(blockSize)) {
        // The final block: only now does the received file replace what stood under its name.
        finalBlockSent = true;
        const bool stored = fsync(file) == 0 && close(file) == 0;
        file = -1;
        std::error_code error;
        if (stored)
            std::filesystem::rename(writeTemporary, writeTarget, error);
        if (!stored || error) {
            DiscardPartialFile();
            Send(TftpPacket::Error(1, CreateErrorText(writeTarget.filename().string())));
            done = true;
            return;
        }
        writeTemporary.clear();
        done = true;
    }
    Send(TftpPacket::Ack(block));
}

void TftpTransfer::HandleAck(std::span<const std::uint8_t> packet) {
    if (!peerAddress || sessionMode != 1)
        return;
    // The ACK's 16-bit number names one of the blocks sent so far: count back from the last one.
    const auto back = static_cast<std::uint16_t>(static_cast<std::uint16_t>(blockNumber) - TftpPacket::BlockOf(packet));
    if (back > blockNumber)
        return;
    const std::uint32_t acknowledged = blockNumber - back;
    if (finalBlockSent && acknowledged == blockNumber) {
        CloseFile();
        done = true;
        return;
    }
    SendBlockAfter(acknowledged);
    AdvanceProgress();
}

void TftpTransfer::SendBlockAfter(std::uint32_t acknowledged) {
    const auto position = static_cast<off_t>(static_cast<std::uint64_t>(acknowledged) * blockSize);
    ssize_t got = pread(file, sendArea.data() + 4, static_cast<std::size_t>(blockSize), position);
    if (got < 0)
        got = 0;
    blockNumber = acknowledged + 1;
    TftpPacket::PutDataHeader(sendArea, static_cast<std::uint16_t>(blockNumber));
    Send(std::span<const std::uint8_t>(sendArea.data(), 4 + static_cast<std::size_t>(got)));
    finalBlockSent = got < blockSize;
}

void TftpTransfer::SetUpProgress() {
    const auto size = static_cast<std::uint64_t>(blockSize);
    // An empty file still goes out as one (empty) block.
    const std::uint64_t blocks = std::max<std::uint64_t>(1, fileLength / size + (fileLength % size ? 1 : 0));
    const int steps = static_cast<int>(std::min<std::uint64_t>(blocks, kMaxProgressSteps));
    blocksPerStep = blocks / static_cast<std::uint64_t>(steps);
    server.pageLink.Use([&](ProgressPage& page) {
        page.SetProgressRange(0, steps);
        page.SetProgressStep(1);
    });
    AdvanceProgress();
}

void TftpTransfer::AdvanceProgress() {
    if (blockNumber / blocksPerStep > static_cast<std::uint64_t>(progressCount)) {
        const int position = ++progressCount;
        server.pageLink.Use([&](ProgressPage& page) { page.SetProgressPos(position); });
    }
}

void TftpTransfer::CloseFile() {
    if (file >= 0)
        close(file);
    file = -1;
}

void TftpTransfer::DiscardPartialFile() {
    if (!writeTemporary.empty()) {
        std::error_code error;
        std::filesystem::remove(writeTemporary, error);
        writeTemporary.clear();
    }
}

void TftpTransfer::Send(std::span<const std::uint8_t> packet) {
    sendto(sessionSocket, packet.data(), packet.size(), MSG_DONTROUTE,
           reinterpret_cast<const sockaddr*>(&request.requester), sizeof request.requester);
}

void TftpTransfer::NoteHeardBack() {
    if (heardBack)
        return;
    heardBack = true;
    std::lock_guard lock(server.sessionsMutex);
    server.answeringRequesters.insert(request.requester.sin_addr.s_addr);
}

bool TftpTransfer::AbandonedForAnotherSession() const {
    if (heardBack)
        return false;
    std::lock_guard lock(server.sessionsMutex);
    return server.answeringRequesters.count(request.requester.sin_addr.s_addr) != 0;
}

bool TftpTransfer::FromRequester(const sockaddr_in& sender) const {
    return sender.sin_addr.s_addr == request.requester.sin_addr.s_addr && sender.sin_port == request.requester.sin_port;
}

} // namespace vornalix::recovery
