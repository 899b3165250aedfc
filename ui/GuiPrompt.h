#pragma once
// Message boxes on the GUI thread: caption = the application name, icon and buttons from the type.
#include "common/Prompt.h"

#include <QString>
#include <memory>

class QMessageBox;
class QObject;
class QWidget;

namespace vornalix::ui {

// The application name: the executable's file name without extension.
QString ApplicationName();
void SetApplicationNameFromPath(const QString& executablePath);

// Builds the box that MessageBox shows (for the snapshot tool too), centred on page when given.
// A Yes/No box has no close box and ignores Escape.
std::unique_ptr<QMessageBox> BuildMessageBox(const std::string& text, unsigned type, QWidget* page = nullptr);
// Maps a QMessageBox button to common::IDOK, common::IDCANCEL, common::IDRETRY, common::IDYES or common::IDNO.
int MessageBoxResult(int standardButton);

class GuiPrompt : public common::Prompt {
public:
    // Calls from other threads are run on the GUI thread and waited for.
    int MessageBox(const std::string& text, unsigned type) override;
};

// The prompt that pages use. Tests install a ScriptedPrompt.
common::Prompt& AppPrompt();
void SetAppPrompt(common::Prompt* prompt);

} // namespace vornalix::ui
