#pragma once
// Asks the user for the gateway's user name and password after the gateway refused them.
#include <string>

namespace vornalix::web {

enum class PasswordChoice { Retry, GiveUp };

class PasswordPrompt {
public:
    virtual ~PasswordPrompt() = default;
    // userName and password hold the refused credentials on entry and the new ones when the
    // answer is Retry. May be called from any thread; returns once the user has answered.
    virtual PasswordChoice AskPassword(std::string& userName, std::string& password) = 0;
};

} // namespace vornalix::web
