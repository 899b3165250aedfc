#pragma once
// The few system calls the backend tests make themselves, kept apart from headers whose names the
// system's headers would take over as macros.
#include "hostnet/Registry.h"

#include <string>

namespace vornalix::hostnet::test {

constexpr RegKey kHKeyCurrentUser = 0x80000001;

// This test program's own path.
std::string OwnProgram();
// Runs a command line to its end; its standard output in output. The exit code, -1 when it did not start.
int RunProgram(const std::string& commandLine, std::string& output);
// Whether the process has the library loaded.
bool ModuleLoaded(const char* name);
// The class string of an existing key; "" when it cannot be opened.
std::string KeyClass(RegKey root, const std::string& path);

} // namespace vornalix::hostnet::test
