#pragma once
// How a failed exchange is told to the user: libcurl's code, with the system's errno where it
// tells more, maps to one failure class, and each class has one plain sentence in the UI
// language. libcurl's own text goes to the log only.
#include <string>

namespace vornalix::web {

enum class NetworkFailure { Refused, Unreachable, NameNotResolved, TimedOut, Reset, ProtocolError };

NetworkFailure ClassifyFailure(int curlCode, long osErrno);
// The class of a socket error the system reported (errno, or a Winsock code on Windows); false when
// it tells nothing more than libcurl's code.
bool ClassifySocketError(long osError, NetworkFailure& failure);
std::string FailureSentence(NetworkFailure failure);
// The reachability test's message: "Error: ( code ) \n" and the sentence of the code's class.
std::string ConnectionErrorText(int curlCode, long osErrno);
// One line on standard error: what was asked, libcurl's code and its own text.
void LogNetworkFailure(const std::string& what, int curlCode, long osErrno, const std::string& libraryText);

} // namespace vornalix::web
