#include "app/wizard/CommandLine.h"
#include "common/ProgramArguments.h"

namespace vornalix::app {

void PrepareProcess(int& argc, char**& argv) {
    common::UseUtf8Arguments(argc, argv);
}

// Windows always has its desktop.
bool HasDisplay() {
    return true;
}

const char* HelperUsage() {
    return "";
}

} // namespace vornalix::app
