#include "web/NetworkFailure.h"

#include <cerrno>

namespace vornalix::web {

bool ClassifySocketError(long osError, NetworkFailure& failure) {
    switch (osError) {
    case ECONNREFUSED:
        failure = NetworkFailure::Refused;
        return true;
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EHOSTDOWN:
    case ENETDOWN:
    case EADDRNOTAVAIL:
        failure = NetworkFailure::Unreachable;
        return true;
    case ETIMEDOUT:
        failure = NetworkFailure::TimedOut;
        return true;
    case ECONNRESET:
    case ECONNABORTED:
    case EPIPE:
        failure = NetworkFailure::Reset;
        return true;
    default:
        return false;
    }
}

} // namespace vornalix::web
