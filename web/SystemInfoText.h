#pragma once
// Reading the gateway's system-information page: markup removal and labelled values.
#include <string>
#include <string_view>

namespace vornalix::web {

inline constexpr std::string_view kHardwareLabel = "Hardware Version";
inline constexpr std::string_view kSoftwareLabel = "Software Version";
// The Japanese labels in the gateway's code page (Shift-JIS) ...
inline constexpr std::string_view kHardwareLabelSjis =
    "\x83\x6e\x81\x5b\x83\x68\x83\x45\x83\x46\x83\x41\x81\x45\x83\x6f\x81\x5b\x83\x57\x83\x87\x83\x93";
inline constexpr std::string_view kSoftwareLabelSjis =
    "\x83\x5c\x83\x74\x83\x67\x83\x45\x83\x46\x83\x41\x81\x45\x83\x6f\x81\x5b\x83\x57\x83\x87\x83\x93";
// ... and in UTF-8, for a page served that way.
inline constexpr std::string_view kHardwareLabelUtf8 = "ハードウェア・バージョン";
inline constexpr std::string_view kSoftwareLabelUtf8 = "ソフトウェア・バージョン";

// Removes markup from one line in place: "<" opens a tag, ">" closes it, and both and everything
// between them are dropped. inTag carries an open tag from one line to the next.
void StripTags(std::string& line, bool& inTag);

// The value after the first occurrence of label: leading white space (line breaks included)
// skipped, cut at the next line feed, trailing white space removed. Empty when the label is
// missing or no line feed follows. The label is matched only at character boundaries, the
// text being taken as UTF-8 when it is valid UTF-8 and as Shift-JIS otherwise.
std::string ExtractField(const std::string& text, std::string_view label);

bool IsValidUtf8(std::string_view text);
// A Shift-JIS (code page 932) text as UTF-8; undecodable bytes become U+FFFD.
std::string ShiftJisToUtf8(std::string_view text);

} // namespace vornalix::web
