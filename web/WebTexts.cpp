#include "web/WebTexts.h"

#include "res/Resources.h"

#include <vector>

namespace vornalix::web {

std::string WebText(WebTextId id, std::initializer_list<std::string> arguments) {
    std::string pattern = res::LoadString(id);
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

} // namespace vornalix::web
