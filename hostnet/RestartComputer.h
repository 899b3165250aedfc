#pragma once
// Asks the operating system to reboot the PC: version 5 enables the shutdown privilege first,
// Windows Me reboots directly, any other system is left alone. Results are not examined.
#include "hostnet/SystemControl.h"

#include <cstdint>

namespace vornalix::hostnet {

void RestartComputer(SystemControl& system, std::uint16_t osVersionWord);
// The same over the platform's system calls and the process's OsVersionWord.
void RestartComputer();

} // namespace vornalix::hostnet
