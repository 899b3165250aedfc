#include "common/Socket.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace vornalix::common {

SocketsStarted::SocketsStarted() : error(0) {}

SocketsStarted::~SocketsStarted() = default;

SocketHandle OpenUdpSocket(bool nonBlocking) {
    return socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | (nonBlocking ? SOCK_NONBLOCK : 0), 0);
}

void CloseSocket(SocketHandle socket) {
    if (socket != kNoSocket)
        close(socket);
}

bool SetNonBlocking(SocketHandle socket, bool on) {
    const int flags = fcntl(socket, F_GETFL);
    return flags >= 0 && fcntl(socket, F_SETFL, on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK) == 0;
}

bool SetSocketOption(SocketHandle socket, int level, int name, int value) {
    return setsockopt(socket, level, name, &value, sizeof value) == 0;
}

int LastSocketError() {
    return errno;
}

SocketError KindOfSocketError(int error) {
    switch (error) {
    case 0:
        return SocketError::None;
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
        return SocketError::WouldBlock;
    case EINTR:
        return SocketError::Interrupted;
    case EMSGSIZE:
        return SocketError::MessageTooLong;
    case EADDRINUSE:
        return SocketError::AddressInUse;
    case EACCES:
    case EPERM:
        return SocketError::AccessDenied;
    case EADDRNOTAVAIL:
    case ENODEV:
        return SocketError::AddressNotAvailable;
    default:
        return SocketError::Other;
    }
}

void SetLastSocketError(SocketError kind) {
    switch (kind) {
    case SocketError::None:
        errno = 0;
        break;
    case SocketError::WouldBlock:
        errno = EWOULDBLOCK;
        break;
    case SocketError::Interrupted:
        errno = EINTR;
        break;
    case SocketError::MessageTooLong:
        errno = EMSGSIZE;
        break;
    case SocketError::AddressInUse:
        errno = EADDRINUSE;
        break;
    case SocketError::AccessDenied:
        errno = EACCES;
        break;
    case SocketError::AddressNotAvailable:
        errno = EADDRNOTAVAIL;
        break;
    case SocketError::Other:
        errno = EIO;
        break;
    }
}

std::string SocketErrorText(int error) {
    return std::strerror(error);
}

int WaitForSocket(SocketHandle socket, SocketWait wait, int limitMs, SocketHandle wake) {
    pollfd watched[2] = {{socket, static_cast<short>(wait == SocketWait::Readable ? POLLIN : POLLOUT), 0},
                         {wake, POLLIN, 0}};
    return poll(watched, wake != kNoSocket ? 2 : 1, limitMs);
}

long SendDatagram(SocketHandle socket, const void* data, std::size_t size, const sockaddr_in& to, int flags) {
    return sendto(socket, data, size, flags, reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

long ReceiveDatagram(SocketHandle socket, void* buffer, std::size_t size, sockaddr_in* sender) {
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    // MSG_TRUNC: the whole length of a datagram larger than the buffer.
    const ssize_t received =
        recvfrom(socket, buffer, size, MSG_TRUNC | MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (received >= 0 && sender != nullptr)
        *sender = from;
    return static_cast<long>(received);
}

} // namespace vornalix::common
