#pragma once
// What the wizard takes from its command line.
#include <string>

namespace vornalix::app {

// The optional firmware file name: every argument after the program name, joined with single
// blanks (a name with blanks needs no quotes); "" when none was given.
std::string FirmwareNameFromArguments(int argc, char** argv);

// Whether the only argument is "--help".
bool AsksForHelp(int argc, char** argv);
const char* UsageText();

// What differs between systems (linux/, windows/).
// Before anything else: drops what the process must not hold, takes the arguments the system passes
// beside the user's (the helper's descriptor), and makes argv UTF-8.
void PrepareProcess(int& argc, char**& argv);
// The usage lines of the system's own options ("" when none).
const char* HelperUsage();

} // namespace vornalix::app
