#include "recovery/TimedSocketIo.h"

#include "recovery/AdapterSocket.h"

#include <cstdint>

namespace vornalix::recovery {

namespace {

int ReceiveDatagram(common::SocketHandle socket, void* buffer, std::size_t size, sockaddr_in* sender) {
    sockaddr_in from{};
    const long received = common::ReceiveDatagram(socket, buffer, size, &from);
    if (received < 0)
        return -1;
    if (static_cast<std::size_t>(received) > size) {
        common::SetLastSocketError(common::SocketError::MessageTooLong);
        return -1;
    }
    if (sender != nullptr)
        *sender = from;
    return static_cast<int>(received);
}

} // namespace

int TimedSocketIo(common::SocketHandle socket, void* buffer, std::size_t size, int direction, int waitSeconds,
                  int tries, const sockaddr_in* address, const SendOrigin* origin, sockaddr_in* sender) {
    const auto waitMs = static_cast<int>(static_cast<std::uint16_t>(waitSeconds)) * 1000;
    const auto count = static_cast<std::uint16_t>(tries);
    int lastWait = 0;
    for (unsigned attempt = 0; attempt < count; ++attempt) {
        lastWait = common::WaitForSocket(
            socket, direction == kDirectionSend ? common::SocketWait::Writable : common::SocketWait::Readable, waitMs);
        if (lastWait < 0 && common::KindOfSocketError(common::LastSocketError()) == common::SocketError::Interrupted) {
            lastWait = 0;
            continue;
        }
        if (lastWait <= 0)
            continue;
        if (direction == kDirectionSend)
            return static_cast<int>(origin == nullptr
                                        ? common::SendDatagram(socket, buffer, size, *address, MSG_DONTROUTE)
                                        : SendFromAdapter(socket, buffer, size, *address, MSG_DONTROUTE,
                                                          origin->interfaceIndex, origin->sourceAddress));
        // Readiness may have been a pending error or a datagram that was already taken: report it as it is.
        return ReceiveDatagram(socket, buffer, size, sender);
    }
    return lastWait;
}

} // namespace vornalix::recovery
