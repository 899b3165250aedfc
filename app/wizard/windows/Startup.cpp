#include "app/wizard/CommandLine.h"
#include "common/ProgramArguments.h"

namespace vornalix::app {

void PrepareProcess(int& argc, char**& argv) {
    common::UseUtf8Arguments(argc, argv);
}

const char* HelperUsage() {
    return "";
}

} // namespace vornalix::app
