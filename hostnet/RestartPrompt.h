#pragma once
// How the core asks for the restart prompt (dialog 138) without knowing the GUI.
#include <string>

namespace vornalix::hostnet {

class RestartPrompt {
public:
    enum Mode : int {
        CloseOnly = 1,         // one Close button
        RestartNowOrLater = 2, // Restart Now and Restart Later
    };
    virtual ~RestartPrompt() = default;
    // Shows message in a modal prompt in the given mode; returns when the prompt has closed.
    virtual void Show(const std::string& message, int mode) = 0;
};

} // namespace vornalix::hostnet
