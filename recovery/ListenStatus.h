#pragma once
// Whether a server really listens, and why not: the transfer page tells the user what to do.
#include <string>

namespace vornalix::recovery {

enum class ListenFailure {
    None,
    NotStarted,
    PortInUse,         // another program holds UDP port 67 or 69 on this address
    PermissionDenied,  // ports below 1024 need root or CAP_NET_BIND_SERVICE
    AddressNotPresent, // no adapter holds the chosen address
    NameTooLong,       // the boot file name does not fit the reply's 128-byte file field
    SocketError,       // anything else (text in reason)
};

struct ListenStatus {
    bool listening = false;
    ListenFailure failure = ListenFailure::NotStarted;
    int error = 0;      // the failed call's socket error code (LastSocketError), 0 when none
    std::string reason; // one line for the log: what failed and the system's words

    static ListenStatus Listening();
    static ListenStatus Failed(ListenFailure failure, int error, const std::string& what);
    // Maps the error code of a socket call (bind, setsockopt) to a failure kind.
    static ListenStatus FromErrno(int error, const std::string& what);
};

// The failure told to the user in the UI language, one line: the server (e.g. "BOOTP"), its UDP
// port on address, and what to do about it. "" while it listens.
std::string ListenFailureText(const ListenStatus& status, const std::string& server, int port,
                              const std::string& address);

} // namespace vornalix::recovery
