#include "wizard/PageBanner.h"
#include "res/Resources.h"

#include <algorithm>

namespace vornalix::wizard {

namespace {

constexpr ui::Color kBandBlue{0, 0, 255};
constexpr ui::Color kTitleWhite{255, 255, 255};

} // namespace

int SystemDefaultLanguageId() {
    return res::CurrentLanguage() == res::Language::Japanese ? kJapaneseLanguageId : 1033;
}

ui::FontSpec BannerFont(const std::string& title, int fontHeight, int languageId) {
    ui::FontSpec font;
    font.face = "Arial";
    font.bold = true;
    if (languageId == kJapaneseLanguageId) {
        std::size_t bytes = res::ShiftJisLength(title);
        font.cellHeight = bytes < 40 ? 24 : bytes < 60 ? 20 : 15;
        font.charset = kShiftJisCharset;
    } else {
        font.cellHeight = fontHeight;
        font.italic = true;
    }
    font.cellHeight = std::max(font.cellHeight, 1);
    return font;
}

BannerLayout ComputeBannerLayout(ui::Size client, int titleWidth, int titleHeight) {
    BannerLayout layout;
    layout.band = {0, 0, client.width, client.height / 4};
    layout.titleCell = {client.width / 2 - titleWidth / 2, client.height / 8 - titleHeight / 2, titleWidth,
                        titleHeight};
    return layout;
}

void PaintPageBanner(ui::Canvas& canvas, const std::string& title, int fontHeight) {
    canvas.SelectFont(BannerFont(title, fontHeight, SystemDefaultLanguageId()));
    ui::Size text = canvas.MeasureText(title);
    BannerLayout layout = ComputeBannerLayout(canvas.ClientSize(), text.width, text.height);
    canvas.Fill(layout.band, kBandBlue);
    canvas.DrawText(layout.titleCell.TopLeft(), title, kTitleWhite);
}

} // namespace vornalix::wizard
