#include "web/GatewayUrl.h"

#include <algorithm>
#include <cctype>

namespace vornalix::web {

namespace {

bool IsSchemeChar(unsigned char c) {
    return std::isalnum(c) || c == '+' || c == '-' || c == '.';
}

// Letters, digits, hyphens and dots: covers host names and dotted IPv4 addresses.
bool IsHostChar(unsigned char c) {
    return std::isalnum(c) || c == '-' || c == '.' || c == '_';
}

std::uint16_t DefaultPort(const std::string& scheme) {
    if (scheme == "http")
        return 80;
    if (scheme == "https")
        return 443;
    if (scheme == "ftp")
        return 21;
    return 0;
}

} // namespace

std::optional<GatewayUrl> GatewayUrl::Parse(const std::string& text) {
    std::size_t colon = text.find("://");
    if (colon == std::string::npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(text[0])))
        return std::nullopt;
    GatewayUrl url;
    url.scheme = text.substr(0, colon);
    if (!std::all_of(url.scheme.begin(), url.scheme.end(), [](char c) { return IsSchemeChar(c); }))
        return std::nullopt;
    std::transform(url.scheme.begin(), url.scheme.end(), url.scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });

    std::size_t start = colon + 3;
    std::size_t end = text.find_first_of("/?#", start);
    std::string authority = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    std::string rest = end == std::string::npos ? std::string() : text.substr(end);

    std::size_t portColon = authority.find(':');
    url.host = authority.substr(0, portColon);
    if (url.host.empty() || url.host.front() == '.' || url.host.front() == '-' ||
        !std::all_of(url.host.begin(), url.host.end(), [](char c) { return IsHostChar(c); }))
        return std::nullopt;

    url.port = DefaultPort(url.scheme);
    if (portColon != std::string::npos) {
        std::string digits = authority.substr(portColon + 1);
        if (digits.empty() || digits.size() > 5 ||
            !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
            return std::nullopt;
        unsigned long value = std::stoul(digits);
        if (value == 0 || value > 65535)
            return std::nullopt;
        url.port = static_cast<std::uint16_t>(value);
    }

    if (std::any_of(rest.begin(), rest.end(), [](unsigned char c) { return c <= ' ' || c == 0x7F; }))
        return std::nullopt;
    url.path = rest.empty() || rest.front() != '/' ? "/" + rest : rest;
    return url;
}

} // namespace vornalix::web
