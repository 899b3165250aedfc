// vornalix [--helper-fd N] [FIRMWARE]: the firmware upgrade wizard (--helper-fd on Linux only).
#include "app/wizard/CommandLine.h"
#include "app/wizard/WizardApp.h"
#include "res/Resources.h"
#include "ui/Application.h"
#include "ui/GuiPrompt.h"
#include "wizard/FirmwareFile.h"

#include <cstdio>
#include <memory>

int main(int argc, char** argv) {
    vornalix::app::PrepareProcess(argc, argv);
    // Before the application object: help needs no display.
    if (vornalix::app::AsksForHelp(argc, argv)) {
        std::fputs(vornalix::app::UsageText(), stdout);
        return 0;
    }
    auto application = vornalix::ui::Application::Start(argc, argv);
    if (!application) {
        std::fprintf(stderr, "%s\n", vornalix::res::LoadString(vornalix::res::StringId::NoDisplay).c_str());
        return 1;
    }
    vornalix::wizard::SetFirmwareArgument(vornalix::app::FirmwareNameFromArguments(argc, argv));
    vornalix::ui::GuiPrompt prompt;
    vornalix::ui::SetAppPrompt(&prompt);
    vornalix::app::WizardApp wizard;
    wizard.InitInstance();
    vornalix::ui::SetAppPrompt(nullptr);
    return 0;
}
