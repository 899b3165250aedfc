#pragma once
// Start-up: sockets, dialog colours, then the welcome page as the main window.
#include "wizard/PageFactory.h"

#include <memory>

namespace vornalix::common {
class SocketsStarted;
}
namespace vornalix::wizard {
class WelcomePage;
}

namespace vornalix::app {

class WizardApp {
public:
    WizardApp();
    virtual ~WizardApp();
    // Runs the wizard; returns false in every case, so the process ends after it.
    bool InitInstance();

protected:
    // Whether the sockets library can be used: a UDP socket can be opened.
    virtual bool StartSockets();
    virtual std::unique_ptr<wizard::WelcomePage> CreateWelcomePage();

    wizard::PageFactory pageFactory;

private:
    std::unique_ptr<common::SocketsStarted> sockets; // for the program's lifetime
};

// The message shown when sockets cannot be started.
std::string SocketStartupFailureText();

} // namespace vornalix::app
