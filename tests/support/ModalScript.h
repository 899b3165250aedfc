#pragma once
// Drives a modal dialog from inside its own modal loop.
#include "common/fake/ScriptedPrompt.h"
#include "ui/Dialog.h"
#include "ui/GuiPrompt.h"

#include <QCoreApplication>
#include <QTimer>

#include <functional>

namespace vornalix::testing {

// Runs dialog modally; script runs once the modal loop is going. Returns the result code.
inline int RunModal(ui::Dialog& dialog, std::function<void(ui::Dialog&)> script) {
    QTimer::singleShot(0, &dialog, [&dialog, script] { script(dialog); });
    return dialog.DoModal();
}

// Installs a ScriptedPrompt as the application's prompt for the scope.
class PromptScope {
public:
    PromptScope() { ui::SetAppPrompt(&prompt); }
    ~PromptScope() { ui::SetAppPrompt(nullptr); }
    common::ScriptedPrompt prompt;
};

} // namespace vornalix::testing
