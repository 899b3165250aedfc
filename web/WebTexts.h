#pragma once
// Messages that the gateway client words itself (beyond the quoted texts): their string ids and
// the filling of their numbered fields ("%1", "%2", ...).
#include <initializer_list>
#include <string>

namespace vornalix::web {

enum WebTextId : int {
    kTextRefused = 300,
    kTextUnreachable = 301,
    kTextNameNotResolved = 302,
    kTextTimedOut = 303,
    kTextReset = 304,
    kTextProtocolError = 305,
    kTextFileNotFound = 306,
    kTextFileIsFolder = 307,
    kTextFileAccessDenied = 308,
    kTextFileNotRegular = 309,
    kTextFileOtherError = 310,
    kTextFileEmpty = 311,
    kTextFileReadError = 312,
    kTextFileShrunk = 313,
    kTextFileTooLarge = 314,
    kTextNoThread = 315,
};

// The string in the UI language with "%1", "%2", ... replaced by the arguments in that order.
std::string WebText(WebTextId id, std::initializer_list<std::string> arguments = {});

} // namespace vornalix::web
