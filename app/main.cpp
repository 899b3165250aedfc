// vornalix [FIRMWARE]: the firmware upgrade wizard.
#include "app/WizardApp.h"
#include "ui/AppIcon.h"
#include "ui/CommandLine.h"
#include "ui/GuiPrompt.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    vornalix::ui::SetApplicationNameFromPath(QString::fromLocal8Bit(argv[0]));
    QApplication::setApplicationName(vornalix::ui::ApplicationName());
    QApplication::setWindowIcon(vornalix::ui::AppIcon());
    if (argc > 1)
        vornalix::ui::SetFirmwareArgument(argv[1]);
    vornalix::ui::GuiPrompt prompt;
    vornalix::ui::SetAppPrompt(&prompt);
    vornalix::app::WizardApp wizard;
    wizard.InitInstance();
    vornalix::ui::SetAppPrompt(nullptr);
    return 0;
}
