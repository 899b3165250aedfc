#pragma once
// Message boxes as the core code sees them: no Qt here. The GUI implements Prompt and
// marshals each call onto its own thread; tests answer through ScriptedPrompt.
#include <string>

namespace vornalix::common {

// Box types, as the Windows MB_* flags: buttons in the low nibble, icon in the next.
enum MessageBoxType : unsigned {
    MB_OK = 0x00,
    MB_OKCANCEL = 0x01,
    MB_YESNO = 0x04,
    MB_RETRYCANCEL = 0x05,
    MB_ICONEXCLAMATION = 0x30,
    MB_ICONINFORMATION = 0x40,
};
constexpr unsigned kButtonMask = 0x0F;
constexpr unsigned kIconMask = 0xF0;

// Results of a message box and of a dialog's standard commands.
enum DialogResult : int { IDOK = 1, IDCANCEL = 2, IDRETRY = 4, IDYES = 6, IDNO = 7 };

class Prompt {
public:
    virtual ~Prompt() = default;
    // Shows text in a modal box of the given type; returns the button pressed (IDOK, IDYES, ...).
    // May be called from any thread; it returns once the user has answered.
    virtual int MessageBox(const std::string& text, unsigned type) = 0;
};

} // namespace vornalix::common
