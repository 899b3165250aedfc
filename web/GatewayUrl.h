#pragma once
// The parts of a gateway address as the user typed it: scheme://host[:port][/path].
#include <cstdint>
#include <optional>
#include <string>

namespace vornalix::web {

struct GatewayUrl {
    std::string scheme;     // lower case: "http", "https", "ftp", ...
    std::string host;       // host name or dotted IPv4 address
    std::uint16_t port = 0; // the explicit port, else the scheme's default (0 when unknown)
    std::string path;       // "/" when the text names none

    bool IsHttp() const { return scheme == "http"; }

    // nullopt for a text without "scheme://", with an empty or malformed host, or a port
    // outside 1..65535. User information, IPv6 literals and blanks are not accepted.
    static std::optional<GatewayUrl> Parse(const std::string& text);
};

} // namespace vornalix::web
