#include "app/wizard/CommandLine.h"
#include "common/DropCapabilities.h"
#include "hostnet/AdapterPrivilege.h"

namespace vornalix::app {

void PrepareProcess(int& argc, char**& argv) {
    common::DropCapabilities();
    hostnet::SetGivenHelperSocket(hostnet::TakeHelperSocketArgument(argc, argv));
}

const char* HelperUsage() {
    return "--helper-fd N  descriptor N is connected to a running vornalix-adapter-helper, which does the\n"
           "          emergency upgrade's privileged steps (without it: started directly as root, or through\n"
           "          pkexec, which asks for an administrator's password).\n";
}

} // namespace vornalix::app
