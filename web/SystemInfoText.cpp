#include "web/SystemInfoText.h"

namespace vornalix::web {

namespace {

constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";

bool IsShiftJisLead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

std::size_t FindAtCharacter(const std::string& text, std::string_view label) {
    if (label.empty())
        return std::string::npos;
    // UTF-8 synchronises by itself: a match of a valid label always starts a character.
    if (IsValidUtf8(text))
        return text.find(label);
    for (std::size_t i = 0; i + label.size() <= text.size();) {
        if (text.compare(i, label.size(), label) == 0)
            return i;
        i += IsShiftJisLead(static_cast<unsigned char>(text[i])) ? 2 : 1;
    }
    return std::string::npos;
}

} // namespace

void StripTags(std::string& line, bool& inTag) {
    std::size_t out = 0;
    for (char c : line) {
        if (inTag) {
            if (c == '>')
                inTag = false;
        } else if (c == '<') {
            inTag = true;
        } else {
            line[out++] = c;
        }
    }
    line.resize(out);
}

std::string ExtractField(const std::string& text, std::string_view label) {
    std::size_t at = FindAtCharacter(text, label);
    if (at == std::string::npos)
        return {};
    std::size_t start = text.find_first_not_of(kWhiteSpace, at + label.size());
    if (start == std::string::npos)
        return {};
    std::size_t lineEnd = text.find('\n', start);
    if (lineEnd == std::string::npos)
        return {};
    std::string value = text.substr(start, lineEnd - start);
    std::size_t last = value.find_last_not_of(kWhiteSpace);
    value.resize(last == std::string::npos ? 0 : last + 1);
    return value;
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t extra;
        char32_t code;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= text.size())
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            unsigned char t = static_cast<unsigned char>(text[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (t & 0x3F);
        }
        if ((extra == 2 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
            (extra == 3 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
        i += extra + 1;
    }
    return true;
}

} // namespace vornalix::web
