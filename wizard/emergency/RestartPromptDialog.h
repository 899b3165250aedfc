#pragma once
// The restart prompt (dialog 138): one message with either Close, or Restart Now and Restart
// Later. Every way out ends with 1; Restart Now first asks the system to reboot. While it is
// open, dialogs are grey; when it closes they are light cyan again.
#include "hostnet/OsVersionWord.h"
#include "hostnet/SystemControl.h"
#include "ui/Dialog.h"

#include <memory>
#include <string>

namespace vornalix::wizard {

class RestartPromptDialog : public ui::Dialog {
public:
    static constexpr int kTemplateId = 138;
    static constexpr int kRestartNow = 1030;
    static constexpr int kRestartLater = 1031;
    static constexpr int kMessage = 1032;

    // mode 1: Close only; mode 2: Restart Now and Restart Later; other modes keep the template's
    // buttons. Restart Now goes through the platform's system calls.
    RestartPromptDialog(const std::string& message, int mode);
    RestartPromptDialog(const std::string& message, int mode, hostnet::SystemControl& system,
                        std::uint16_t osVersionWord);

    const std::string& Message() const { return message; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id) override;
    // Escape, the close box and Restart Later: the OK handling too.
    void OnCancel() override;
    void DoDataExchange(bool saveAndValidate) override;
    void OnDestroy() override;
    // Enter is the OK handling whichever button has the focus: it never restarts the PC.
    int OnEnterCommand() const override { return common::IDOK; }

private:
    std::string message;
    int mode;
    std::unique_ptr<hostnet::SystemControl> ownSystem;
    hostnet::SystemControl& system;
    std::uint16_t osVersionWord;
};

} // namespace vornalix::wizard
