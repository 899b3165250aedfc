#pragma once
// Message boxes on the GUI thread: caption = the application name, icon and buttons from the type, centred
// on the page on screen.
#include "common/Prompt.h"

#include <string>

namespace vornalix::ui {

// The application name: the executable's file name without extension.
const std::string& ApplicationName();
void SetApplicationNameFromPath(const std::string& executablePath);

class GuiPrompt : public common::Prompt {
public:
    // Calls from other threads are run on the GUI thread and waited for.
    int MessageBox(const std::string& text, unsigned type) override;
};

// The prompt that pages use. Tests install a ScriptedPrompt.
common::Prompt& AppPrompt();
void SetAppPrompt(common::Prompt* prompt);

} // namespace vornalix::ui
