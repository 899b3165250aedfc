// main() for GUI tests: the GUI application (offscreen on Linux) with a runtime folder of its own, then
// GoogleTest.
#ifndef _WIN32
#include "RuntimeFolder.h"
#endif
#include "ui/Application.h"
#include "ui/GuiPrompt.h"

#include <gmock/gmock.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
#ifndef _WIN32
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    vornalix::testing::PrivateRuntimeFolder runtimeFolder;
#endif
    auto application = vornalix::ui::Application::Start(argc, argv);
    if (!application) {
        std::fprintf(stderr, "no GUI to run the tests on\n");
        return 1;
    }
    vornalix::ui::SetApplicationNameFromPath("vornalix");
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
