#include "web/NetworkFailure.h"

#include <winsock2.h>

namespace vornalix::web {

// libcurl reports the Winsock error of the failed call.
bool ClassifySocketError(long osError, NetworkFailure& failure) {
    switch (osError) {
    case WSAECONNREFUSED:
        failure = NetworkFailure::Refused;
        return true;
    case WSAEHOSTUNREACH:
    case WSAENETUNREACH:
    case WSAEHOSTDOWN:
    case WSAENETDOWN:
    case WSAEADDRNOTAVAIL:
        failure = NetworkFailure::Unreachable;
        return true;
    case WSAETIMEDOUT:
        failure = NetworkFailure::TimedOut;
        return true;
    case WSAECONNRESET:
    case WSAECONNABORTED:
    case WSAENETRESET:
    case WSAESHUTDOWN:
        failure = NetworkFailure::Reset;
        return true;
    default:
        return false;
    }
}

} // namespace vornalix::web
