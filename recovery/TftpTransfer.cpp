#include "recovery/TftpTransfer.h"

#include "common/DottedAddress.h"
#include "recovery/TftpSocketChannel.h"
#include "res/Resources.h"

#include <algorithm>

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
// RFC 1350's error 3.
constexpr const char* kDiskFullText = "Disk full or allocation exceeded";

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
}

void TftpTransfer::Run() {
    Begin();
    server.TakePlace(request.number);
    channel = server.openChannel ? server.openChannel(request.requester)
                                 : std::make_unique<TftpSocketChannel>(server.serverAddress, server.timings);
    Finish(Exchange());
    channel.reset();
    server.ReleasePlace();
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

// The session ends after the silence limit without progress from its requester: datagrams from anyone else, and
// the requester's own repeats (an old ACK, a DATA block again) do not hold it. While the last block of a read
// waits for its ACK, that block goes out again after every receive wait within the limit (the requester may
// have lost it; one that has it acknowledges again).
SessionEnd TftpTransfer::Exchange() {
    const auto wait = std::chrono::seconds(server.timings.receiveWaitSeconds);
    const auto silence = wait * server.timings.receiveTries;
    auto lastProgress = channel->Now();
    // The request itself is the requester's first progress: the newest request then was its own, however late
    // this thread came to run.
    waitingSince = request.number;
    // The opening datagram: its options are not read (its received length counts as 0).
    Handle(request.datagram, 0);
    int lastBlockResends = 0;
    for (;;) {
        if (failed)
            return SessionEnd::Failed;
        if (done)
            return SessionEnd::Completed;
        const auto now = channel->Now();
        if (progressed) {
            progressed = false;
            lastProgress = now;
            waitingSince = server.LatestRequest();
            lastBlockResends = 0;
        }
        const auto deadline = lastProgress + silence;
        if (now >= deadline)
            return AwaitingLastAck() ? SessionEnd::Unconfirmed : SessionEnd::Failed;
        auto until = deadline;
        if (AwaitingLastAck()) {
            if (const auto resendAt = lastProgress + wait * (lastBlockResends + 1); resendAt < deadline) {
                if (now >= resendAt) {
                    ++lastBlockResends;
                    Send(std::span<const std::uint8_t>(sendArea.data(), sentLength));
                    continue;
                }
                until = resendAt;
            }
        }
        sockaddr_in sender{};
        const int received = channel->Receive(receiveArea.data(), receiveArea.size(), sender,
                                              std::chrono::ceil<std::chrono::milliseconds>(until - now));
        if (received == TftpChannel::kReceiveError)
            return SessionEnd::Failed;
        // Silence, or a datagram from anyone but the requester's address and port, whatever its length: not
        // part of this transfer.
        if (received == TftpChannel::kSilence || !FromRequester(sender))
            continue;
        if (static_cast<std::size_t>(received) > receiveArea.size())
            return SessionEnd::Failed;
        const std::span<const std::uint8_t> packet(receiveArea.data(), static_cast<std::size_t>(received));
        // The requester gives the transfer up.
        if (TftpPacket::OpcodeOf(packet) == TftpPacket::ERROR)
            return SessionEnd::Failed;
        Handle(packet, packet.size());
    }
}

void TftpTransfer::Handle(std::span<const std::uint8_t> packet, std::size_t receivedLength) {
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
}

void TftpTransfer::Finish(SessionEnd end) {
    CloseFile();
    DiscardPartialFile();
    server.SessionFinished(request.number, end, sessionMode == 1 && reportSuccess, waitingSince);
}

bool TftpTransfer::AwaitingLastAck() const {
    return sessionMode == 1 && finalBlockSent && !done && !failed;
}

void TftpTransfer::Progress() {
    progressed = true;
    if (!transferring) {
        transferring = true;
        server.TransferBegins(request.number);
    }
}

void TftpTransfer::HandleReadRequest(std::span<const std::uint8_t> packet, std::size_t receivedLength) {
    const auto name = TftpPacket::NameOf(packet);
    const auto path = name ? server.serveDirectory.FindForReading(*name) : std::nullopt;
    FileHandle opened = path ? FileHandle::OpenForReading(*path) : FileHandle();
    const auto size = opened.IsOpen() ? opened.Size() : std::nullopt;
    if (!size) {
        Send(TftpPacket::Error(0, OpenErrorText(name.value_or(TftpPacket::TextAt(packet, 2)))));
        return;
    }
    CloseFile();
    DiscardPartialFile();
    file = std::move(opened);
    peerAddress = request.requester;
    requestedName = *name;
    fileLength = *size;
    blockNumber = 0;
    finalBlockSent = false;
    sessionMode = 1;
    lastResend.reset();
    Progress();

    reportSuccess = true;
    if (Lower(*name) == "param.ini") {
        std::string head(kParamIniProbe, '\0');
        const long got = file.ReadAt(head.data(), head.size(), 0);
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
    sessionMode = 0;
    const auto target = name ? server.serveDirectory.TargetForWriting(*name) : std::nullopt;
    if (target) {
        std::filesystem::path temporary;
        file = server.serveDirectory.CreateReceiveFile(temporary);
        if (file.IsOpen()) {
            writeTarget = *target;
            writeTemporary = temporary;
        }
    }
    if (!file.IsOpen()) {
        Send(TftpPacket::Error(1, CreateErrorText(name.value_or(TftpPacket::TextAt(packet, 2)))));
        return;
    }
    // A received file leaves the folder's file system some room.
    std::error_code spaceError;
    const auto space = std::filesystem::space(writeTemporary.parent_path(), spaceError);
    const std::uint64_t free = spaceError ? 0 : std::uint64_t{space.available};
    writeAllowance = free > kWriteReserve ? free - kWriteReserve : 0;
    TftpPacket::Options announced;
    TftpPacket::ParseOptions(packet, receivedLength, announced);
    if (writeAllowance == 0 || announced.tsize > writeAllowance) {
        CloseFile();
        DiscardPartialFile();
        Send(TftpPacket::Error(3, kDiskFullText));
        return;
    }
    blockNumber = 0;
    finalBlockSent = false;
    sessionMode = 2;
    Progress();
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
    const std::uint64_t position = static_cast<std::uint64_t>(blockNumber) * static_cast<std::uint64_t>(blockSize);
    if (position + dataLength > writeAllowance) {
        Send(TftpPacket::Error(3, kDiskFullText));
        failed = true;
        return;
    }
    if (!file.WriteAt(packet.data() + 4, dataLength, position))
        return;
    ++blockNumber;
    Progress();
    if (dataLength < static_cast<std::size_t>(blockSize)) {
        // The final block: only now does the received file replace what stood under its name. It is renamed
        // while still open (and locked), so that no server start takes it for a leftover.
        finalBlockSent = true;
        done = true;
        std::error_code error;
        const bool synced = file.Flush();
        if (synced)
            std::filesystem::rename(writeTemporary, writeTarget, error);
        const bool stored = synced && !error;
        CloseFile();
        if (stored) {
            writeTemporary.clear();
        } else {
            DiscardPartialFile();
            Send(TftpPacket::Error(1, CreateErrorText(writeTarget.filename().string())));
            return;
        }
    }
    Send(TftpPacket::Ack(block));
}

void TftpTransfer::HandleAck(std::span<const std::uint8_t> packet) {
    if (!peerAddress || sessionMode != 1)
        return;
    // The ACK's 16-bit number names one of the blocks sent so far: count back from the last one.
    const auto back = static_cast<std::uint16_t>(static_cast<std::uint16_t>(blockNumber) - TftpPacket::BlockOf(packet));
    if (back == 0) {
        Progress();
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
        const long read = file.ReadAt(sendArea.data() + 4 + got, expected - got, offset + got);
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
    sentLength = 4 + expected;
    Send(std::span<const std::uint8_t>(sendArea.data(), sentLength));
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
    file.Close();
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

bool TftpTransfer::FromRequester(const sockaddr_in& sender) const {
    return sender.sin_addr.s_addr == request.requester.sin_addr.s_addr && sender.sin_port == request.requester.sin_port;
}

} // namespace vornalix::recovery
