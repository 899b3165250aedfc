#pragma once
// Message boxes on the GUI thread: caption = the application name, icon and buttons from the type.
#include "ui/Prompt.h"

#include <QString>
#include <memory>

class QMessageBox;
class QObject;

namespace vornalix::ui {

// The application name: the executable's file name without extension.
QString ApplicationName();
void SetApplicationNameFromPath(const QString& executablePath);

// Builds the box that MessageBox shows (for the snapshot tool too).
std::unique_ptr<QMessageBox> BuildMessageBox(const std::string& text, unsigned type);
// Maps a QMessageBox button to IDOK, IDCANCEL, IDRETRY, IDYES or IDNO.
int MessageBoxResult(int standardButton);

class GuiPrompt : public Prompt {
public:
    // Created on the GUI thread; calls from other threads are run there and waited for.
    GuiPrompt();
    ~GuiPrompt() override;
    int MessageBox(const std::string& text, unsigned type) override;

private:
    std::unique_ptr<QObject> guiContext;
};

// The prompt that pages use. Tests install a ScriptedPrompt.
Prompt& AppPrompt();
void SetAppPrompt(Prompt* prompt);

} // namespace vornalix::ui
