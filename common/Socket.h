#pragma once
// The socket calls that differ between Windows Sockets and POSIX systems: the handle type, opening a UDP socket,
// closing, options, blocking mode, the last error and its kind, readiness waits and the datagram calls. Addresses,
// bind, getsockname and byte order are the same Berkeley interface on both. On Windows a program holds a
// SocketsStarted for as long as it uses sockets.
#ifdef _WIN32
// No GDI macros (ERROR) and no Windows Sockets 1 header.
#ifndef NOGDI
#define NOGDI
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
// After the system headers: our own names back.
#include "common/windows/OwnNames.h"
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/types.h>
#endif

#include <cstddef>
#include <cstdint>
#include <string>

#ifdef _WIN32
using in_addr_t = std::uint32_t; // an IPv4 address in network byte order (sin_addr.s_addr)
#endif

namespace vornalix::common {

#ifdef _WIN32
using SocketHandle = SOCKET;
#else
using SocketHandle = int;
#endif
// INVALID_SOCKET on Windows, -1 elsewhere.
constexpr SocketHandle kNoSocket = static_cast<SocketHandle>(-1);

// Starts Windows Sockets 1.1 for the program's lifetime (nothing to do elsewhere).
class SocketsStarted {
public:
    SocketsStarted();
    ~SocketsStarted();
    SocketsStarted(const SocketsStarted&) = delete;
    SocketsStarted& operator=(const SocketsStarted&) = delete;

    bool Started() const { return error == 0; }
    // The start-up's error code, 0 when sockets are usable.
    const int error;
};

enum class SocketError {
    None,
    WouldBlock,     // a non-blocking call found nothing to do
    Interrupted,    // a signal cut the call short
    MessageTooLong, // a datagram larger than the receive buffer, or a send too large for the link
    AddressInUse,
    AccessDenied,
    AddressNotAvailable, // no interface holds the address (or the device is gone)
    Other,
};

// A UDP socket that child processes do not inherit; kNoSocket on failure (LastSocketError says why).
SocketHandle OpenUdpSocket(bool nonBlocking);
void CloseSocket(SocketHandle socket);
bool SetNonBlocking(SocketHandle socket, bool on);
// setsockopt with an int value; false on failure.
bool SetSocketOption(SocketHandle socket, int level, int name, int value);

// errno or WSAGetLastError() of the last failed socket call on this thread.
int LastSocketError();
SocketError KindOfSocketError(int error);
// Makes LastSocketError report an error of this kind (MessageTooLong for a datagram a caller refuses).
void SetLastSocketError(SocketError kind);
// The system's words for a socket error code, one line.
std::string SocketErrorText(int error);

enum class SocketWait { Readable, Writable };
// Waits up to `limitMs` (negative: no limit) until `socket` is readable or writable, or until `wake` (when given)
// is readable. Returns the number of ready handles, 0 after the limit, -1 on error (LastSocketError; Interrupted
// is possible on POSIX). On POSIX `wake` may be any pollable descriptor.
int WaitForSocket(SocketHandle socket, SocketWait wait, int limitMs, SocketHandle wake = kNoSocket);

// sendto with `flags` (MSG_DONTROUTE...): the bytes sent, or -1 (LastSocketError).
long SendDatagram(SocketHandle socket, const void* data, std::size_t size, const sockaddr_in& to, int flags = 0);
// One datagram, without waiting on a non-blocking socket (on POSIX never waits): its length, of which at most
// `size` bytes are stored; a datagram larger than `size` returns a value above `size` (its whole length where the
// system tells it) and is consumed. -1 on error (LastSocketError). `sender` receives the sender when given.
long ReceiveDatagram(SocketHandle socket, void* buffer, std::size_t size, sockaddr_in* sender);

} // namespace vornalix::common
