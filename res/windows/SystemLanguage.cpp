#include "res/SystemLanguage.h"

#include <windows.h>

namespace vornalix::res {

Language SystemLanguage() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::Japanese : Language::English;
}

} // namespace vornalix::res
