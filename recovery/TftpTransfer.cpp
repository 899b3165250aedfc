#include "recovery/TftpTransfer.h"

#include "common/DottedAddress.h"
#include "recovery/TftpSocketChannel.h"
#include "res/Resources.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vornalix::recovery {

namespace {

constexpr int kMaxProgressSteps = 10;
constexpr std::size_t kParamIniProbe = 256;

std::string OpenErrorText(const std::string& name) {
    return "Open File \"" + name + "\" Error";
}
std::string CreateErrorText(const std::string& name) {
    return "Can not create file \"" + name + "\"";
}
std::string ReadErrorText(const std::string& name) {
    return "Read File \"" + name + "\" Error";
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return text;
}

} // namespace

TftpTransfer::TftpTransfer(RequestBlock block, std::unique_ptr<TftpChannel> channel)
    : request(std::move(block)), server(*request.server), channel(std::move(channel)) {}

TftpTransfer::~TftpTransfer() {
    CloseFile();
    DiscardPartialFile();
}

void TftpTransfer::Run() {
    Begin();
    server.sessionLimiter.acquire();
    server.PlaceTaken(request.requester);
    if (!channel)
        channel = std::make_unique<TftpSocketChannel>(server.serverAddress, server.timings);
    const End end = Exchange();
    Finish(end);
    channel.reset();
    server.PlaceReleased();
    server.sessionLimiter.release();
    // Last: whoever waits for the sessions may go on once this is counted down.
    const std::shared_ptr<TftpSessionContext> keep = request.server;
    keep->SessionEnded();
}

void TftpTransfer::Begin() {
    const std::string peerText = "From host \"" + common::FormatDottedAddress(server.serverAddress) + "\" " +
                                 "to Gateway \"" + common::FormatDottedAddress(request.requester.sin_addr.s_addr) +
                                 "\" ";
    const std::string title = res::LoadString(res::StringId::UpdatingFirmwareTitle);
    const std::string status = res::LoadString(res::StringId::UpdatingFirmware);
    ProgressPage& page = *server.page;
    page.SetTitleText(title);
    page.InvalidateTitle();
    page.SetPeerText(peerText);
    page.SetStatusText(status);
    page.PostUpdate();
}

TftpTransfer::End TftpTransfer::Exchange() {
    const auto silence = std::chrono::seconds(server.timings.receiveWaitSeconds * server.timings.receiveTries);
    auto lastHeard = channel->Now();
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
            const int received = channel->Receive(receiveArea.data(), receiveArea.size(), sender);
            if (received <= 0)
                return End::Failed;
            // A datagram from anyone but the requester's address and port is not part of this transfer, and
            // does not keep the session from ending by silence.
            if (!FromRequester(sender)) {
                if (channel->Now() - lastHeard >= silence)
                    return End::Failed;
                continue;
            }
            lastHeard = channel->Now();
            receivedLength = static_cast<std::size_t>(received);
            packet = std::span<const std::uint8_t>(receiveArea.data(), receivedLength);
            if (TftpPacket::OpcodeOf(packet) != TftpPacket::ERROR)
                NoteHeardBack();
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
        channel->Pause();
        if (failed)
            return End::Failed;
        if (done)
            return End::Completed;
    }
}

void TftpTransfer::Finish(End end) {
    if (end == End::Completed) {
        if (reportSuccess)
            server.FinishTransfer(true);
    } else if (!MayEndQuietly()) {
        server.FinishTransfer(false);
    }
    if (transferring)
        server.TransferEnds(request.requester.sin_addr.s_addr);
    transferring = false;
    CloseFile();
    DiscardPartialFile();
}

bool TftpTransfer::MayEndQuietly() const {
    const in_addr_t from = request.requester.sin_addr.s_addr;
    // The requester resent its request and took the twin session's answer (an ERROR it sent here, such as
    // "Unknown transfer ID", does not count as taking this one).
    if (accepted && !heardBack && server.TransfersFrom(from) > 0)
        return true;
    // A stray datagram or a refused request from someone else.
    return !accepted && server.TransfersFromOthers(from) > 0;
}

void TftpTransfer::HandleReadRequest(std::span<const std::uint8_t> packet, std::size_t receivedLength) {
    const auto name = TftpPacket::NameOf(packet);
    const auto path = name ? server.serveDirectory.FindForReading(*name) : std::nullopt;
    const int opened = path ? open(path->c_str(), O_RDONLY | O_CLOEXEC) : -1;
    struct stat info {};
    if (opened < 0 || fstat(opened, &info) != 0) {
        if (opened >= 0)
            close(opened);
        Send(TftpPacket::Error(0, OpenErrorText(name.value_or(TftpPacket::TextAt(packet, 2)))));
        return;
    }
    CloseFile();
    DiscardPartialFile();
    file = opened;
    peerAddress = request.requester;
    requestedName = *name;
    fileLength = static_cast<std::uint64_t>(info.st_size);
    blockNumber = 0;
    finalBlockSent = false;
    sessionMode = 1;
    lastResend.reset();
    accepted = true;
    NoteHeardBack(false);

    reportSuccess = true;
    if (Lower(*name) == "param.ini") {
        std::string head(kParamIniProbe, '\0');
        const ssize_t got = pread(file, head.data(), head.size(), 0);
        if (got > 0)
            reportSuccess = Lower(head.substr(0, static_cast<std::size_t>(got))).find("code") == std::string::npos;
    }

    if (!Negotiate(packet, receivedLength))
        SendBlock(1);
    if (failed)
        return;
    SetUpProgress();
    server.page->DisableBackAndCancel();
}

void TftpTransfer::HandleWriteRequest(std::span<const std::uint8_t> packet, std::size_t receivedLength) {
    const auto name = TftpPacket::NameOf(packet);
    peerAddress = request.requester;
    CloseFile();
    DiscardPartialFile();
    const auto target = name ? server.serveDirectory.TargetForWriting(*name) : std::nullopt;
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
        Send(TftpPacket::Error(1, CreateErrorText(name.value_or(TftpPacket::TextAt(packet, 2)))));
        return;
    }
    blockNumber = 0;
    finalBlockSent = false;
    sessionMode = 2;
    accepted = true;
    NoteHeardBack(false);
    // A received file is not the firmware fetch: its end reports nothing to the page.
    reportSuccess = false;
    if (!Negotiate(packet, receivedLength))
        Send(TftpPacket::Ack(0));
}

bool TftpTransfer::Negotiate(std::span<const std::uint8_t> packet, std::size_t receivedLength) {
    TftpPacket::Options options;
    const bool negotiated = TftpPacket::ParseOptions(packet, receivedLength, options);
    blockSize = options.blockSize;
    timeoutOption = options.timeout;
    tsizeOption = options.tsize;
    if (negotiated)
        Send(TftpPacket::OptionAck(blockSize, timeoutOption));
    return negotiated;
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
    if (back == 0) {
        if (finalBlockSent) {
            CloseFile();
            done = true;
            return;
        }
        SendBlock(blockNumber + 1);
        AdvanceProgress();
        return;
    }
    // An ACK older than the one before the latest block is a late copy: its successor was acknowledged.
    if (back != 1 || blockNumber == 0)
        return;
    // The ACK before the latest block again: the requester may have lost that block, or the network copied
    // the ACK. Copies arrive together and the requester repeats itself only after its own time-out, so one
    // resend per interval recovers a lost block without answering every copy (each answered copy would be
    // acknowledged twice in turn, and the copies would multiply).
    const auto now = channel->Now();
    const auto interval = std::chrono::milliseconds(timeoutOption * 1000 / kResendIntervalDivisor);
    if (lastResend && now - *lastResend < interval)
        return;
    lastResend = now;
    SendBlock(blockNumber);
}

void TftpTransfer::SendBlock(std::uint32_t number) {
    const std::uint64_t size = static_cast<std::uint64_t>(blockSize);
    const std::uint64_t offset = static_cast<std::uint64_t>(number - 1) * size;
    const std::size_t expected =
        offset >= fileLength ? 0 : static_cast<std::size_t>(std::min(size, fileLength - offset));
    std::size_t got = 0;
    while (got < expected) {
        const ssize_t read = pread(file, sendArea.data() + 4 + got, expected - got, static_cast<off_t>(offset + got));
        if (read < 0 && errno == EINTR)
            continue;
        if (read <= 0)
            break;
        got += static_cast<std::size_t>(read);
    }
    if (got < expected) {
        // A short block would tell the requester that the file ends here.
        Send(TftpPacket::Error(0, ReadErrorText(requestedName)));
        failed = true;
        return;
    }
    blockNumber = number;
    TftpPacket::PutDataHeader(sendArea, static_cast<std::uint16_t>(blockNumber));
    Send(std::span<const std::uint8_t>(sendArea.data(), 4 + expected));
    finalBlockSent = expected < size;
}

void TftpTransfer::SetUpProgress() {
    const auto size = static_cast<std::uint64_t>(blockSize);
    // An empty file still goes out as one (empty) block.
    const std::uint64_t blocks = std::max<std::uint64_t>(1, fileLength / size + (fileLength % size ? 1 : 0));
    const int steps = static_cast<int>(std::min<std::uint64_t>(blocks, kMaxProgressSteps));
    blocksPerStep = blocks / static_cast<std::uint64_t>(steps);
    server.page->SetProgressRange(0, steps);
    server.page->SetProgressStep(1);
    AdvanceProgress();
}

void TftpTransfer::AdvanceProgress() {
    if (blockNumber / blocksPerStep > static_cast<std::uint64_t>(progressCount)) {
        const int position = ++progressCount;
        server.page->SetProgressPos(position);
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
    channel->Send(packet, request.requester);
}

void TftpTransfer::NoteHeardBack(bool heard) {
    heardBack = heardBack || heard;
    // Twins and strays weigh their silence against the transfers that run (see MayEndQuietly).
    if (accepted && heardBack && !transferring) {
        transferring = true;
        server.TransferBegins(request.requester.sin_addr.s_addr);
    }
}

bool TftpTransfer::FromRequester(const sockaddr_in& sender) const {
    return sender.sin_addr.s_addr == request.requester.sin_addr.s_addr && sender.sin_port == request.requester.sin_port;
}

} // namespace vornalix::recovery
