#include "wizard/emergency/DialogRestartPrompt.h"

#include "hostnet/Platform.h"
#include "wizard/emergency/RestartPromptDialog.h"

namespace vornalix::wizard {

DialogRestartPrompt::DialogRestartPrompt()
    : ownSystem(hostnet::CreateSystemControl()), system(ownSystem.get()), osVersionWord(hostnet::OsVersionWord()) {}

DialogRestartPrompt::DialogRestartPrompt(hostnet::SystemControl& system, std::uint16_t osVersionWord)
    : system(&system), osVersionWord(osVersionWord) {}

DialogRestartPrompt::~DialogRestartPrompt() = default;

void DialogRestartPrompt::Show(const std::string& message, int mode) {
    RestartPromptDialog prompt(message, mode, *system, osVersionWord);
    prompt.DoModal();
}

} // namespace vornalix::wizard
