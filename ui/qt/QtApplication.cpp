// The Qt application for the process's lifetime: its name, the icon and Qt's own words in the UI language.
#include "res/Resources.h"
#include "ui/Application.h"
#include "ui/GuiPrompt.h"
#include "ui/qt/QtDialog.h"
#include "ui/qt/QtLanguage.h"

#include <QApplication>

#include <cstdlib>

namespace vornalix::ui {

namespace {

// Whether a display to show windows on is named (X11, Wayland, or a Qt platform chosen by hand): without one,
// Qt would abort with its own English words.
bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return true;
    }
    return false;
}

class QtApplication : public Application {
public:
    QtApplication(int& argc, char** argv) : application(argc, argv) {}

private:
    QApplication application;
};

} // namespace

std::unique_ptr<Application> Application::Start(int& argc, char** argv) {
    if (!HasDisplay())
        return nullptr;
    auto started = std::make_unique<QtApplication>(argc, argv);
    if (argc > 0)
        SetApplicationNameFromPath(argv[0]);
    QApplication::setApplicationName(QString::fromStdString(ApplicationName()));
    QApplication::setWindowIcon(AppIcon());
    UseQtLanguage(res::CurrentLanguage());
    return started;
}

} // namespace vornalix::ui
