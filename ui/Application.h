#pragma once
// The GUI application for the process's lifetime: the toolkit, the application name and icon, the UI
// language of the toolkit's own words.
#include <memory>

namespace vornalix::ui {

class Application {
public:
    // Fails (nullptr) when there is no display to show windows on; the caller says so in the UI language.
    static std::unique_ptr<Application> Start(int& argc, char** argv);
    virtual ~Application() = default;
};

} // namespace vornalix::ui
