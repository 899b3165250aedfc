#pragma once
// What the wizard takes from its command line.
#include <string>

namespace vornalix::app {

// The optional firmware file name; "" when none was given.
std::string FirmwareNameFromArguments(int argc, char** argv);

} // namespace vornalix::app
