#include "res/Resources.h"

#include "res/StringTables.h"
#include "res/SystemLanguage.h"

#include <atomic>
#include <vector>

namespace vornalix::res {

namespace {

std::atomic<int> overridden{0};

} // namespace

Language LanguageFromLocaleName(const std::string& name) {
    bool japanese = name.size() >= 2 && name.compare(0, 2, "ja") == 0 &&
                    (name.size() == 2 || name[2] == '_' || name[2] == '.' || name[2] == '@' || name[2] == '-');
    return japanese ? Language::Japanese : Language::English;
}

Language CurrentLanguage() {
    if (int value = overridden.load())
        return static_cast<Language>(value);
    static const Language fromSystem = SystemLanguage();
    return fromSystem;
}

void OverrideLanguage(Language language) {
    overridden.store(static_cast<int>(language));
}

std::string LoadString(int id) {
    return LoadString(id, CurrentLanguage());
}

std::string LoadString(int id, Language language) {
    const auto& table = language == Language::Japanese ? JapaneseStrings() : EnglishStrings();
    auto it = table.find(id);
    return it == table.end() ? std::string() : it->second;
}

const DialogTemplate* FindDialog(int id) {
    return FindDialog(id, CurrentLanguage());
}

const DialogTemplate* FindDialog(int id, Language language) {
    for (const auto& dialog : language == Language::Japanese ? JapaneseDialogs() : EnglishDialogs())
        if (dialog.id == id)
            return &dialog;
    return nullptr;
}

const std::vector<int>& DialogIds() {
    static const std::vector<int> ids = [] {
        std::vector<int> result;
        for (const auto& dialog : EnglishDialogs())
            result.push_back(dialog.id);
        return result;
    }();
    return ids;
}

std::size_t ShiftJisLength(const std::string& utf8) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t units = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (i + units > utf8.size())
            units = utf8.size() - i;
        char32_t code = lead;
        if (units > 1) {
            code = lead & (0x3F >> (units - 1));
            for (std::size_t k = 1; k < units; ++k)
                code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        }
        // ASCII and the half-width katakana block are single bytes in Shift-JIS.
        length += (code < 0x80 || (code >= 0xFF61 && code <= 0xFF9F)) ? 1 : 2;
        i += units;
    }
    return length;
}

std::string FormatString(StringId id, std::initializer_list<std::string> arguments) {
    std::string pattern = LoadString(id);
    std::vector<std::string> values(arguments);
    std::string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (pattern[i] == '%' && next >= '1' && next <= '9' && static_cast<std::size_t>(next - '1') < values.size()) {
            text += values[static_cast<std::size_t>(next - '1')];
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

} // namespace vornalix::res
