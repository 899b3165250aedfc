#pragma once
// The restart prompt as the media-sense guard asks for it: a RestartPromptDialog run modally.
#include "hostnet/OsVersionWord.h"
#include "hostnet/RestartPrompt.h"
#include "hostnet/SystemControl.h"

#include <cstdint>
#include <memory>

namespace vornalix::wizard {

class DialogRestartPrompt : public hostnet::RestartPrompt {
public:
    // Over the platform's system calls and the process's OsVersionWord.
    DialogRestartPrompt();
    DialogRestartPrompt(hostnet::SystemControl& system, std::uint16_t osVersionWord);
    ~DialogRestartPrompt() override;

    // Creates the prompt, runs it modally (on the GUI thread) and destroys it.
    void Show(const std::string& message, int mode) override;

private:
    std::unique_ptr<hostnet::SystemControl> ownSystem;
    hostnet::SystemControl* system;
    std::uint16_t osVersionWord;
};

} // namespace vornalix::wizard
