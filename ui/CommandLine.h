#pragma once
// The optional firmware file name given on the command line.
#include <string>

namespace vornalix::ui {

void SetFirmwareArgument(const std::string& path);
// Empty when none was given.
const std::string& FirmwareArgument();

} // namespace vornalix::ui
