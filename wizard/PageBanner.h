#pragma once
// The blue title band that every wizard page paints across its top quarter.
#include <QFont>
#include <QRect>
#include <QSize>

#include <string>

class QFontMetrics;
class QPainter;
class QWidget;

namespace vornalix::wizard {

constexpr int kJapaneseLanguageId = 1041;

// The system's default language identifier: 1041 where the resources in use are Japanese, else 1033.
int SystemDefaultLanguageId();

// The banner font: bold Arial; on a Japanese system not italic and 24, 20 or 15 units high by the
// title's length in Shift-JIS bytes (below 40, below 60, longer); elsewhere italic at fontHeight.
// The height is a Windows cell height (ascent + descent). Qt sizes fonts by whole pixels of em,
// so the font comes with the scale that makes its cell exactly that high.
struct BannerFontSpec {
    QFont font;
    double scale;
    int cellHeight; // the height asked for
};
BannerFontSpec BannerFont(const std::string& title, int fontHeight, int languageId);
// Cell height of a font as drawn at a scale, rounded to whole pixels.
int CellHeight(const QFont& font, double scale = 1.0);

struct BannerLayout {
    QRect band;      // (0, 0) to (client right, client bottom / 4)
    QRect titleCell; // where the title's text cell is drawn
};
BannerLayout ComputeBannerLayout(QSize client, int titleWidth, int titleHeight);

void PaintPageBanner(QWidget& page, QPainter& dc, const std::string& title, int fontHeight);

} // namespace vornalix::wizard
