#pragma once
// The system version as one number, major × 256 + minor, taken once at start-up.
// Linux has no such version: the word is 0 there, so the registry and restart steps do
// nothing while the lease operations run.
#include <cstdint>

namespace vornalix::hostnet {

// The process-wide version word: the platform's value unless a test has set another.
std::uint16_t OsVersionWord();
// Replaces the process-wide word (tests, and start-up on a platform that reads one).
void SetOsVersionWord(std::uint16_t word);

// Version 4.0: the lease operations do nothing.
constexpr bool IsVersion40(std::uint16_t word) {
    return word == 0x0400;
}
// Major version 5: the TCP/IP registry path and the privilege step before a restart.
constexpr bool IsMajorVersion5(std::uint16_t word) {
    return (word & 0xFF00) == 0x0500;
}
// Version 4.90: the network-transport registry path and a restart without privilege step.
constexpr bool IsWindowsMe(std::uint16_t word) {
    return (word & 0xFFF0) == 0x0450;
}

} // namespace vornalix::hostnet
