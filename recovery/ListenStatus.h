#pragma once
// Whether a server really listens, and why not: the transfer page tells the user what to do.
#include <string>

namespace vornalix::recovery {

enum class ListenFailure {
    None,
    NotStarted,
    PortInUse,         // another program holds UDP port 67 or 69 on this address
    PermissionDenied,  // ports below 1024 need root or CAP_NET_BIND_SERVICE (reason: the setcap line to run)
    AddressNotPresent, // no adapter holds the chosen address
    NameTooLong,       // the boot file name does not fit the reply's 128-byte file field
    SocketError,       // anything else (text in reason)
};

struct ListenStatus {
    bool listening = false;
    ListenFailure failure = ListenFailure::NotStarted;
    int error = 0;      // errno of the failed call, 0 when none
    std::string reason; // one line for people: English, or the user's language where a permission is missing

    static ListenStatus Listening();
    static ListenStatus Failed(ListenFailure failure, int error, const std::string& what);
    // Maps the errno of a socket call (bind, setsockopt) to a failure kind.
    static ListenStatus FromErrno(int error, const std::string& what);
};

} // namespace vornalix::recovery
