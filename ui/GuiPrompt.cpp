#include "ui/GuiPrompt.h"
#include "ui/Dialog.h"
#include "ui/DialogBackend.h"
#include "ui/GuiThread.h"

#include <atomic>

namespace vornalix::ui {

namespace {

std::string applicationName = "vornalix";
std::atomic<common::Prompt*> appPrompt{nullptr};

} // namespace

const std::string& ApplicationName() {
    return applicationName;
}

void SetApplicationNameFromPath(const std::string& executablePath) {
    std::string name = executablePath.substr(executablePath.find_last_of("/\\") + 1);
    std::string::size_type dot = name.rfind('.');
    applicationName = dot != std::string::npos && dot > 0 ? name.substr(0, dot) : name;
}

int GuiPrompt::MessageBox(const std::string& text, unsigned type) {
    int answer = common::IDOK;
    GuiThread::Run([&] {
        // Centred on the page it belongs to, when that is on screen.
        Dialog* page = ActiveModalDialog();
        answer = ShowMessageBox(text, type, page && page->IsVisible() ? page : nullptr);
    });
    return answer;
}

common::Prompt& AppPrompt() {
    static GuiPrompt fallback;
    common::Prompt* prompt = appPrompt.load();
    return prompt ? *prompt : fallback;
}

void SetAppPrompt(common::Prompt* prompt) {
    appPrompt.store(prompt);
}

} // namespace vornalix::ui
