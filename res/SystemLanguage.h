#pragma once
// The user's language as the system states it: the locale for messages on Linux, the user's UI language on
// Windows (as the system's resource loader chooses resources).
#include "res/Resources.h"

namespace vornalix::res {

Language SystemLanguage();

} // namespace vornalix::res
