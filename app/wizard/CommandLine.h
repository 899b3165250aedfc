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

} // namespace vornalix::app
