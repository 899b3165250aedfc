#include "ui/CommandLine.h"

namespace vornalix::ui {

namespace {
std::string firmwareArgument;
}

void SetFirmwareArgument(const std::string& path) { firmwareArgument = path; }
const std::string& FirmwareArgument() { return firmwareArgument; }

} // namespace vornalix::ui
