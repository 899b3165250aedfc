#include "wizard/PageBanner.h"
#include "res/Resources.h"

#include <gmock/gmock.h>

using namespace vornalix;
using namespace vornalix::wizard;

namespace {

std::string FullWidth(int characters) {
    std::string text;
    for (int i = 0; i < characters; ++i)
        text += "ア"; // two bytes in Shift-JIS
    return text;
}

} // namespace

TEST(BannerLayout, BandIsTheTopQuarterAndTheTitleIsCentredOnIt) {
    BannerLayout layout = ComputeBannerLayout({400, 300}, 120, 40);
    EXPECT_EQ(layout.band, (ui::Rect{0, 0, 400, 75}));
    EXPECT_EQ(layout.titleCell.top + layout.titleCell.height / 2, 37);
    EXPECT_EQ(layout.titleCell.left, 200 - 60);
    // Divisions truncate: 301 wide, 33 high.
    BannerLayout odd = ComputeBannerLayout({301, 299}, 101, 33);
    EXPECT_EQ(odd.band.height, 74);
    EXPECT_EQ(odd.titleCell.left, 150 - 50);
    EXPECT_EQ(odd.titleCell.top, 37 - 16);
    // A title wider than the page starts left of it and is cut by the edges.
    EXPECT_LT(ComputeBannerLayout({200, 300}, 500, 40).titleCell.left, 0);
}

TEST(BannerFont, NonJapaneseIsBoldItalicArialAtThePagesHeight) {
    for (int height : {40, 35, 26}) {
        ui::FontSpec font = BannerFont("Current Gateway Information", height, 1033);
        EXPECT_EQ(font.face, "Arial");
        EXPECT_TRUE(font.italic);
        EXPECT_TRUE(font.bold);
        EXPECT_EQ(font.cellHeight, height);
        EXPECT_EQ(font.charset, 0);
    }
}

TEST(BannerFont, JapaneseHeightFollowsTheTitleLengthInShiftJisBytes) {
    struct Case {
        std::string title;
        int cell;
    } cases[] = {
        {FullWidth(19) + "x", 24}, // 39 bytes
        {FullWidth(20), 20},       // 40
        {FullWidth(29) + "x", 20}, // 59
        {FullWidth(30), 15},       // 60
        {"", 24},
    };
    for (const auto& c : cases) {
        for (int pageHeight : {40, 26}) {
            ui::FontSpec font = BannerFont(c.title, pageHeight, kJapaneseLanguageId);
            EXPECT_FALSE(font.italic);
            EXPECT_TRUE(font.bold);
            EXPECT_EQ(font.charset, kShiftJisCharset);
            EXPECT_EQ(font.cellHeight, c.cell) << res::ShiftJisLength(c.title);
        }
    }
}

TEST(BannerFont, SystemLanguageFollowsTheResources) {
    res::OverrideLanguage(res::Language::Japanese);
    EXPECT_EQ(SystemDefaultLanguageId(), 1041);
    res::OverrideLanguage(res::Language::English);
    EXPECT_EQ(SystemDefaultLanguageId(), 1033);
}
