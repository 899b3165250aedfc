#include "web/NetworkFailure.h"

#include "res/Resources.h"

#include <curl/curl.h>

#include <cstdio>

namespace vornalix::web {

NetworkFailure ClassifyFailure(int curlCode, long osErrno) {
    NetworkFailure failure;
    switch (curlCode) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return NetworkFailure::NameNotResolved;
    case CURLE_OPERATION_TIMEDOUT:
        return NetworkFailure::TimedOut;
    case CURLE_COULDNT_CONNECT:
        return ClassifySocketError(osErrno, failure) ? failure : NetworkFailure::Refused;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        return ClassifySocketError(osErrno, failure) ? failure : NetworkFailure::Reset;
    default:
        // Answers that are not HTTP, header lines beyond the library's limit, bodies beyond ours.
        return NetworkFailure::ProtocolError;
    }
}

std::string FailureSentence(NetworkFailure failure) {
    switch (failure) {
    case NetworkFailure::Refused:
        return res::LoadString(res::StringId::ConnectionRefused);
    case NetworkFailure::Unreachable:
        return res::LoadString(res::StringId::HostUnreachable);
    case NetworkFailure::NameNotResolved:
        return res::LoadString(res::StringId::NameNotResolved);
    case NetworkFailure::TimedOut:
        return res::LoadString(res::StringId::ConnectionTimedOut);
    case NetworkFailure::Reset:
        return res::LoadString(res::StringId::ConnectionReset);
    case NetworkFailure::ProtocolError:
        break;
    }
    return res::LoadString(res::StringId::ProtocolError);
}

std::string ConnectionErrorText(int curlCode, long osErrno) {
    char line[64];
    std::snprintf(line, sizeof line, "%s %d %s\n", "Error: (", curlCode, ") ");
    return line + FailureSentence(ClassifyFailure(curlCode, osErrno));
}

void LogNetworkFailure(const std::string& what, int curlCode, long osErrno, const std::string& libraryText) {
    std::fprintf(stderr, "vornalix: %s: libcurl error %d (errno %ld): %s\n", what.c_str(), curlCode, osErrno,
                 libraryText.c_str());
}

} // namespace vornalix::web
