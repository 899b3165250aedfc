#include "recovery/ListenStatus.h"

#include "res/Resources.h"

#include "common/Socket.h"

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
        status.reason += ": " + common::SocketErrorText(error);
    return status;
}

ListenStatus ListenStatus::FromErrno(int error, const std::string& what) {
    switch (common::KindOfSocketError(error)) {
    case common::SocketError::AddressInUse:
        return Failed(ListenFailure::PortInUse, error, what);
    case common::SocketError::AccessDenied:
        return Failed(ListenFailure::PermissionDenied, error, what);
    case common::SocketError::AddressNotAvailable:
        return Failed(ListenFailure::AddressNotPresent, error, what);
    default:
        return Failed(ListenFailure::SocketError, error, what);
    }
}

std::string ListenFailureText(const ListenStatus& status, const std::string& server, int port,
                              const std::string& address) {
    using res::StringId;
    if (status.listening)
        return {};
    StringId id = StringId::ListenSocketError;
    switch (status.failure) {
    case ListenFailure::None:
        return {};
    case ListenFailure::NotStarted:
        id = StringId::ListenNotStarted;
        break;
    case ListenFailure::PortInUse:
        id = StringId::ListenPortInUse;
        break;
    case ListenFailure::PermissionDenied:
        id = StringId::PortsNeedAdministrator;
        break;
    case ListenFailure::AddressNotPresent:
        id = StringId::ListenAddressNotPresent;
        break;
    case ListenFailure::NameTooLong:
        id = StringId::ListenNameTooLong;
        break;
    case ListenFailure::SocketError:
        break;
    }
    return res::FormatString(id, {server, std::to_string(port), address, std::to_string(status.error)});
}

} // namespace vornalix::recovery
