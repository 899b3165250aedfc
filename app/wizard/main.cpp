// vornalix [--helper-fd N] [FIRMWARE]: the firmware upgrade wizard.
#include "app/wizard/CommandLine.h"
#include "app/wizard/WizardApp.h"
#include "common/DropCapabilities.h"
#include "hostnet/AdapterPrivilege.h"
#include "res/Resources.h"
#include "ui/AppIcon.h"
#include "ui/GuiPrompt.h"
#include "ui/QtLanguage.h"
#include "wizard/FirmwareFile.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
    vornalix::common::DropCapabilities();
    vornalix::hostnet::SetGivenHelperSocket(vornalix::hostnet::TakeHelperSocketArgument(argc, argv));
    // Before the application object: help needs no display.
    if (vornalix::app::AsksForHelp(argc, argv)) {
        std::fputs(vornalix::app::UsageText(), stdout);
        return 0;
    }
    // Qt would abort with its own English words.
    if (!vornalix::app::HasDisplay()) {
        std::fprintf(stderr, "%s\n", vornalix::res::LoadString(vornalix::res::StringId::NoDisplay).c_str());
        return 1;
    }
    QApplication application(argc, argv);
    vornalix::ui::SetApplicationNameFromPath(QString::fromLocal8Bit(argv[0]));
    QApplication::setApplicationName(vornalix::ui::ApplicationName());
    QApplication::setWindowIcon(vornalix::ui::AppIcon());
    vornalix::ui::UseQtLanguage(vornalix::res::CurrentLanguage());
    vornalix::wizard::SetFirmwareArgument(vornalix::app::FirmwareNameFromArguments(argc, argv));
    vornalix::ui::GuiPrompt prompt;
    vornalix::ui::SetAppPrompt(&prompt);
    vornalix::app::WizardApp wizard;
    wizard.InitInstance();
    vornalix::ui::SetAppPrompt(nullptr);
    return 0;
}
