#include "common/Socket.h"

#include <mswsock.h>
#include <windows.h>

namespace vornalix::common {

namespace {

int StartSockets() {
    WSADATA data{};
    return WSAStartup(0x0101, &data);
}

} // namespace

SocketsStarted::SocketsStarted() : error(StartSockets()) {}

SocketsStarted::~SocketsStarted() {
    if (error == 0)
        WSACleanup();
}

SocketHandle OpenUdpSocket(bool nonBlocking) {
    const SocketHandle opened = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (opened == kNoSocket)
        return kNoSocket;
    SetHandleInformation(reinterpret_cast<HANDLE>(opened), HANDLE_FLAG_INHERIT, 0);
    // As on POSIX, an ICMP "port unreachable" for an earlier send is no error of a later receive.
    BOOL report = FALSE;
    DWORD returned = 0;
    WSAIoctl(opened, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &returned, nullptr, nullptr);
    if (nonBlocking && !SetNonBlocking(opened, true)) {
        const int error = WSAGetLastError();
        closesocket(opened);
        WSASetLastError(error);
        return kNoSocket;
    }
    return opened;
}

void CloseSocket(SocketHandle socket) {
    if (socket != kNoSocket)
        closesocket(socket);
}

bool SetNonBlocking(SocketHandle socket, bool on) {
    u_long mode = on ? 1 : 0;
    return ioctlsocket(socket, FIONBIO, &mode) == 0;
}

bool SetSocketOption(SocketHandle socket, int level, int name, int value) {
    return setsockopt(socket, level, name, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

int LastSocketError() {
    return WSAGetLastError();
}

SocketError KindOfSocketError(int error) {
    switch (error) {
    case 0:
        return SocketError::None;
    case WSAEWOULDBLOCK:
        return SocketError::WouldBlock;
    case WSAEINTR:
        return SocketError::Interrupted;
    case WSAEMSGSIZE:
        return SocketError::MessageTooLong;
    case WSAEADDRINUSE:
        return SocketError::AddressInUse;
    case WSAEACCES:
        return SocketError::AccessDenied;
    case WSAEADDRNOTAVAIL:
        return SocketError::AddressNotAvailable;
    default:
        return SocketError::Other;
    }
}

void SetLastSocketError(SocketError kind) {
    switch (kind) {
    case SocketError::None:
        WSASetLastError(0);
        break;
    case SocketError::WouldBlock:
        WSASetLastError(WSAEWOULDBLOCK);
        break;
    case SocketError::Interrupted:
        WSASetLastError(WSAEINTR);
        break;
    case SocketError::MessageTooLong:
        WSASetLastError(WSAEMSGSIZE);
        break;
    case SocketError::AddressInUse:
        WSASetLastError(WSAEADDRINUSE);
        break;
    case SocketError::AccessDenied:
        WSASetLastError(WSAEACCES);
        break;
    case SocketError::AddressNotAvailable:
        WSASetLastError(WSAEADDRNOTAVAIL);
        break;
    case SocketError::Other:
        WSASetLastError(WSAENETDOWN);
        break;
    }
}

std::string SocketErrorText(int error) {
    wchar_t* text = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string utf8;
    if (length > 0) {
        const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        utf8.resize(static_cast<std::size_t>(bytes));
        WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8.data(), bytes, nullptr, nullptr);
    }
    LocalFree(text);
    // One line: no trailing CR LF or full stop.
    while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == '\r' || utf8.back() == ' ' || utf8.back() == '.'))
        utf8.pop_back();
    return utf8.empty() ? "error " + std::to_string(error) : utf8;
}

int WaitForSocket(SocketHandle socket, SocketWait wait, int limitMs, SocketHandle wake) {
    fd_set watched, woken;
    FD_ZERO(&watched);
    FD_ZERO(&woken);
    FD_SET(socket, &watched);
    if (wake != kNoSocket)
        FD_SET(wake, &woken);
    timeval limit{limitMs / 1000, (limitMs % 1000) * 1000};
    fd_set* readable = wait == SocketWait::Readable ? &watched : &woken;
    fd_set* writable = wait == SocketWait::Writable ? &watched : nullptr;
    if (wait == SocketWait::Readable && wake != kNoSocket)
        FD_SET(wake, &watched);
    // The first argument is ignored; an empty set is an error, hence no read set when nothing is read.
    const int ready =
        select(0, readable->fd_count > 0 ? readable : nullptr, writable, nullptr, limitMs < 0 ? nullptr : &limit);
    return ready == SOCKET_ERROR ? -1 : ready;
}

long SendDatagram(SocketHandle socket, const void* data, std::size_t size, const sockaddr_in& to, int flags) {
    const int sent = sendto(socket, static_cast<const char*>(data), static_cast<int>(size), flags,
                            reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return sent == SOCKET_ERROR ? -1 : sent;
}

long ReceiveDatagram(SocketHandle socket, void* buffer, std::size_t size, sockaddr_in* sender) {
    sockaddr_in from{};
    int fromLength = sizeof from;
    const int received = recvfrom(socket, static_cast<char*>(buffer), static_cast<int>(size), 0,
                                  reinterpret_cast<sockaddr*>(&from), &fromLength);
    if (received == SOCKET_ERROR) {
        // A socket opened elsewhere may still report an earlier send's "port unreachable": nothing was received.
        if (WSAGetLastError() == WSAECONNRESET) {
            WSASetLastError(WSAEWOULDBLOCK);
            return -1;
        }
        // The first `size` bytes were stored and the rest discarded; the whole length is not told.
        if (WSAGetLastError() != WSAEMSGSIZE)
            return -1;
        if (sender != nullptr)
            *sender = from;
        return static_cast<long>(size) + 1;
    }
    if (sender != nullptr)
        *sender = from;
    return received;
}

} // namespace vornalix::common
