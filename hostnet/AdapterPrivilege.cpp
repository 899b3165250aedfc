#include "hostnet/AdapterPrivilege.h"

#include <cstdlib>
#include <cstring>

namespace vornalix::hostnet {

int TakeHelperSocketArgument(int& argc, char** argv) {
    if (argc < 3 || std::strcmp(argv[1], "--helper-fd") != 0)
        return -1;
    char* end = nullptr;
    const long socket = std::strtol(argv[2], &end, 10);
    if (end == argv[2] || *end != '\0' || socket < 3 || socket > 65535)
        return -1;
    for (int i = 3; i <= argc; ++i)
        argv[i - 2] = argv[i];
    argc -= 2;
    return static_cast<int>(socket);
}

} // namespace vornalix::hostnet
