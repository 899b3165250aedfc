#include "recovery/ListenStatus.h"

#include <cerrno>
#include <cstring>

namespace vornalix::recovery {

ListenStatus ListenStatus::Listening() {
    ListenStatus status;
    status.listening = true;
    status.failure = ListenFailure::None;
    return status;
}

ListenStatus ListenStatus::Failed(ListenFailure failure, int error, const std::string& what) {
    ListenStatus status;
    status.failure = failure;
    status.error = error;
    status.reason = what;
    if (error != 0)
        status.reason += ": " + std::string(std::strerror(error));
    switch (failure) {
    case ListenFailure::PortInUse:
        status.reason += " (another server already uses this port; stop it and try again)";
        break;
    case ListenFailure::PermissionDenied:
        status.reason += " (ports below 1024 need root or the CAP_NET_BIND_SERVICE capability)";
        break;
    case ListenFailure::AddressNotPresent:
        status.reason += " (no network adapter holds this address)";
        break;
    default:
        break;
    }
    return status;
}

ListenStatus ListenStatus::FromErrno(int error, const std::string& what) {
    switch (error) {
    case EADDRINUSE:
        return Failed(ListenFailure::PortInUse, error, what);
    case EACCES:
    case EPERM:
        return Failed(ListenFailure::PermissionDenied, error, what);
    case EADDRNOTAVAIL:
    case ENODEV:
        return Failed(ListenFailure::AddressNotPresent, error, what);
    default:
        return Failed(ListenFailure::SocketError, error, what);
    }
}

} // namespace vornalix::recovery
