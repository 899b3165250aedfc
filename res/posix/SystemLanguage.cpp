#include "res/SystemLanguage.h"

#include <cstdlib>

namespace vornalix::res {

Language SystemLanguage() {
    // The first of these that is set and not empty names the locale for messages, as in setlocale().
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return LanguageFromLocaleName(value);
    }
    return Language::English;
}

} // namespace vornalix::res
