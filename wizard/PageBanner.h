#pragma once
// The blue title band that every wizard page paints across its top quarter.
#include "ui/Canvas.h"
#include "ui/Geometry.h"

#include <string>

namespace vornalix::wizard {

constexpr int kJapaneseLanguageId = 1041;
constexpr int kShiftJisCharset = 128;

// The system's default language identifier: 1041 where the resources in use are Japanese, else 1033.
int SystemDefaultLanguageId();

// The banner font: bold Arial; on a Japanese system Shift-JIS, not italic and 24, 20 or 15 pixels high by the
// title's length in Shift-JIS bytes (below 40, below 60, longer); elsewhere italic at fontHeight. The height is
// a cell height (ascent + descent).
ui::FontSpec BannerFont(const std::string& title, int fontHeight, int languageId);

struct BannerLayout {
    ui::Rect band;      // (0, 0) to (client right, client bottom / 4)
    ui::Rect titleCell; // where the title's text cell is drawn
};
BannerLayout ComputeBannerLayout(ui::Size client, int titleWidth, int titleHeight);

void PaintPageBanner(ui::Canvas& canvas, const std::string& title, int fontHeight);

} // namespace vornalix::wizard
