#pragma once
// The string table and dialog templates, in English (1033) and Japanese (1041).
// The set follows the user's locale; nothing else chooses.
// windows.h names LoadStringA LoadString by a macro, which would rename the functions below.
#ifdef LoadString
#undef LoadString
#endif
#include "res/DialogTemplate.h"
#include "res/StringIds.h"

#include <initializer_list>
#include <string>

namespace vornalix::res {

enum class Language { English = 1033, Japanese = 1041 };

// The language of the resources in use: chosen once from the user's locale
// (LC_ALL, LC_MESSAGES, LANG: "ja..." selects Japanese).
Language CurrentLanguage();
// For tests and the snapshot tool only.
void OverrideLanguage(Language language);
// "ja_JP.UTF-8", "ja" → Japanese; anything else → English.
Language LanguageFromLocaleName(const std::string& name);

// A string by id, UTF-8; an id the table does not define yields "".
std::string LoadString(int id);
std::string LoadString(int id, Language language);
inline std::string LoadString(StringId id) {
    return LoadString(static_cast<int>(id));
}
inline std::string LoadString(StringId id, Language language) {
    return LoadString(static_cast<int>(id), language);
}

// The string with "%1", "%2", ... replaced by the arguments in that order.
std::string FormatString(StringId id, std::initializer_list<std::string> arguments);

// A dialog template by id; nullptr for an unknown id.
const DialogTemplate* FindDialog(int id);
const DialogTemplate* FindDialog(int id, Language language);

// Every dialog id that has a template.
const std::vector<int>& DialogIds();

// Length of a UTF-8 text in the Japanese code page (Shift-JIS): one byte for ASCII and
// half-width katakana, two for every other character.
std::size_t ShiftJisLength(const std::string& utf8);

} // namespace vornalix::res
