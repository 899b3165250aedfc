#include "app/CommandLine.h"

namespace vornalix::app {

std::string FirmwareNameFromArguments(int argc, char** argv) {
    return argc > 1 ? argv[1] : "";
}

} // namespace vornalix::app
