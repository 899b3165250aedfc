#include "app/wizard/CommandLine.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace vornalix::app {

std::string FirmwareNameFromArguments(int argc, char** argv) {
    std::string name;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            name += ' ';
        name += argv[i];
    }
    return name;
}

bool AsksForHelp(int argc, char** argv) {
    return argc == 2 && std::strcmp(argv[1], "--help") == 0;
}

const char* UsageText() {
    static const std::string text =
        std::string("usage: vornalix ") + (*HelperUsage() ? "[--helper-fd N] " : "") +
        "[FIRMWARE]\n"
        "The firmware upgrade wizard for the Qel Gateway.\n"
        "FIRMWARE  the firmware file the wizard's file pages start with; the rest of the command line\n"
        "          after the program name, joined with single blanks, relative to the current folder.\n"
        "          Without it, the first \"*.bin\" file of the current folder in alphabetical order.\n" +
        HelperUsage();
    return text.c_str();
}

} // namespace vornalix::app
