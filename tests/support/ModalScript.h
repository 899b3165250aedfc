#pragma once
// Drives a modal dialog from inside its own modal loop.
#include "common/fake/ScriptedPrompt.h"
#include "ui/Dialog.h"
#include "ui/DialogBackend.h"
#include "ui/EventPump.h"
#include "ui/GuiPrompt.h"

#include <chrono>
#include <functional>

namespace vornalix::testing {

// Runs dialog modally; script runs once the modal loop is going. Returns the result code.
inline int RunModal(ui::Dialog& dialog, std::function<void(ui::Dialog&)> script) {
    ui::PostToGuiThread([&dialog, script = std::move(script)] { script(dialog); });
    return dialog.DoModal();
}

// Handles the GUI's events for a while.
inline void Wait(std::chrono::milliseconds pause) {
    const auto end = std::chrono::steady_clock::now() + pause;
    ui::WaitPumping([end] { return std::chrono::steady_clock::now() >= end; });
}

// Handles the GUI's events until done() holds or timeout passes; whether it held.
inline bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    ui::WaitPumping([&] { return done() || std::chrono::steady_clock::now() >= end; });
    return done();
}

// Installs a ScriptedPrompt as the application's prompt for the scope.
class PromptScope {
public:
    PromptScope() { ui::SetAppPrompt(&prompt); }
    ~PromptScope() { ui::SetAppPrompt(nullptr); }
    common::ScriptedPrompt prompt;
};

} // namespace vornalix::testing
