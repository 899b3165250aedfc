#pragma once
// One TFTP session: answers the datagram that opened it and then talks to its requester from a port of its
// own, serving a file (read request) or storing one (write request), and drives the page's progress.
#include "recovery/TftpPacket.h"
#include "recovery/TftpSessionContext.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vornalix::recovery {

class TftpTransfer {
public:
    static constexpr std::size_t kDatagramSize = 2048;

    explicit TftpTransfer(RequestBlock request);
    ~TftpTransfer();

    TftpTransfer(const TftpTransfer&) = delete;
    TftpTransfer& operator=(const TftpTransfer&) = delete;

    // The session thread: runs until the session completes or fails, then reports to the page.
    void Run();

private:
    enum class End { Completed, Failed };

    void Begin();
    End Exchange();
    void Finish(End end);

    void HandleReadRequest(std::span<const std::uint8_t> packet, std::size_t receivedLength);
    void HandleWriteRequest(std::span<const std::uint8_t> packet, std::size_t receivedLength);
    void HandleData(std::span<const std::uint8_t> packet);
    void HandleAck(std::span<const std::uint8_t> packet);

    // Sends the block that follows `acknowledged` (a 32-bit block count) and advances the progress.
    void SendBlockAfter(std::uint32_t acknowledged);
    void SetUpProgress();
    void AdvanceProgress();
    void CloseFile();
    void DiscardPartialFile();

    void Send(std::span<const std::uint8_t> packet);
    bool FromRequester(const sockaddr_in& sender) const;
    void NoteHeardBack();
    bool AbandonedForAnotherSession() const;

    RequestBlock request;
    TftpSessionContext& server;
    int sessionSocket = -1;
    std::array<std::uint8_t, kDatagramSize> receiveArea{};
    std::array<std::uint8_t, 4 + TftpPacket::kMaxBlockSize> sendArea{};

    std::optional<sockaddr_in> peerAddress; // recorded when a request is accepted
    int file = -1;
    int sessionMode = 0;           // 1 serving a read, 2 receiving a write
    std::uint32_t blockNumber = 0; // blocks sent (read) or received (write); 16 bits of it go on the wire
    bool finalBlockSent = false;
    int blockSize = TftpPacket::kDefaultBlockSize;
    int timeoutOption = TftpPacket::kDefaultTimeout;
    std::uint64_t tsizeOption = 0;
    std::uint64_t fileLength = 0;
    bool reportSuccess = true;
    int progressCount = 0;
    std::uint64_t blocksPerStep = 1;
    bool done = false;
    bool heardBack = false; // the requester has sent anything to this session's port

    std::filesystem::path writeTarget;    // where a received file goes after its final block
    std::filesystem::path writeTemporary; // where it is written meanwhile
};

} // namespace vornalix::recovery
