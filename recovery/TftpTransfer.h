#pragma once
// One TFTP session: answers the datagram that opened it and then talks to its requester from a port of its
// own, serving a file (read request) or storing one (write request), and drives the page's progress.
#include "recovery/FileHandle.h"
#include "recovery/TftpChannel.h"
#include "recovery/TftpPacket.h"
#include "recovery/TftpSessionContext.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vornalix::recovery {

class TftpTransfer {
public:
    static constexpr std::size_t kDatagramSize = 2048;
    // A repeated ACK brings the latest block again at most once within this share of the "timeout" option.
    static constexpr int kResendIntervalDivisor = 5;
    // Free space that a received file leaves on the folder's file system.
    static constexpr std::uint64_t kWriteReserve = 16u << 20;

    explicit TftpTransfer(RequestBlock request);
    ~TftpTransfer();

    TftpTransfer(const TftpTransfer&) = delete;
    TftpTransfer& operator=(const TftpTransfer&) = delete;

    // The session thread: waits for a place, runs until the session ends, then reports how it ended.
    void Run();

private:
    void Begin();
    SessionEnd Exchange();
    void Handle(std::span<const std::uint8_t> packet, std::size_t receivedLength);
    void Finish(SessionEnd end);
    // The last block of a read went out and its ACK has not come.
    bool AwaitingLastAck() const;

    void HandleReadRequest(std::span<const std::uint8_t> packet, std::size_t receivedLength);
    void HandleWriteRequest(std::span<const std::uint8_t> packet, std::size_t receivedLength);
    void HandleData(std::span<const std::uint8_t> packet);
    void HandleAck(std::span<const std::uint8_t> packet);
    // Takes the options of a request received on the session's port and sends the OACK when one was
    // recognised; false when the request is to be answered as without options.
    bool Negotiate(std::span<const std::uint8_t> packet, std::size_t receivedLength);

    // Sends block `number` (a 32-bit count from 1) as the file held it at open and advances the progress. A
    // block the file can no longer fill ends the session as failed.
    void SendBlock(std::uint32_t number);
    void SetUpProgress();
    void AdvanceProgress();
    void CloseFile();
    void DiscardPartialFile();
    // The requester moved the transfer on: a request accepted, a new block acknowledged or received.
    void Progress();

    void Send(std::span<const std::uint8_t> packet);
    bool FromRequester(const sockaddr_in& sender) const;

    RequestBlock request;
    TftpSessionContext& server;
    std::unique_ptr<TftpChannel> channel;
    std::array<std::uint8_t, kDatagramSize> receiveArea{};
    std::array<std::uint8_t, 4 + TftpPacket::kMaxBlockSize> sendArea{};
    std::size_t sentLength = 0; // of the block in sendArea

    std::optional<sockaddr_in> peerAddress; // recorded when a request is accepted
    std::string requestedName;
    FileHandle file;
    int sessionMode = 0;           // 1 serving a read, 2 receiving a write
    std::uint32_t blockNumber = 0; // blocks sent (read) or received (write); 16 bits of it go on the wire
    bool finalBlockSent = false;
    int blockSize = TftpPacket::kDefaultBlockSize;
    int timeoutOption = TftpPacket::kDefaultTimeout;
    std::uint64_t tsizeOption = 0;
    std::uint64_t fileLength = 0;
    std::uint64_t writeAllowance = 0; // bytes a received file may have
    bool reportSuccess = true;
    int progressCount = 0;
    std::uint64_t blocksPerStep = 1;
    bool done = false;
    bool failed = false;       // the session ends as failed
    bool transferring = false; // a request of this session was accepted
    bool progressed = false;   // since the last datagram was handled
    std::uint64_t waitingSince = 0;
    std::optional<TftpChannel::Clock::time_point> lastResend;

    std::filesystem::path writeTarget;    // where a received file goes after its final block
    std::filesystem::path writeTemporary; // where it is written meanwhile
};

} // namespace vornalix::recovery
