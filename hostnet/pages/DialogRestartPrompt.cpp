#include "hostnet/pages/DialogRestartPrompt.h"

#include "hostnet/Platform.h"
#include "hostnet/pages/RestartPromptDialog.h"

namespace vornalix::hostnet {

DialogRestartPrompt::DialogRestartPrompt()
    : ownSystem(CreateSystemControl()), system(ownSystem.get()), osVersionWord(OsVersionWord()) {}

DialogRestartPrompt::DialogRestartPrompt(SystemControl& system, std::uint16_t osVersionWord)
    : system(&system), osVersionWord(osVersionWord) {}

DialogRestartPrompt::~DialogRestartPrompt() = default;

void DialogRestartPrompt::Show(const std::string& message, int mode) {
    RestartPromptDialog prompt(message, mode, *system, osVersionWord);
    prompt.DoModal();
}

} // namespace vornalix::hostnet
