#include "wizard/PageBanner.h"
#include "res/Resources.h"
#include "wizard/OutcomePage.h"

#include <QFontInfo>
#include <QImage>
#include <QPainter>
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

QImage PaintBanner(QSize size, const std::string& title, int fontHeight) {
    QWidget page;
    page.resize(size);
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(128, 255, 255));
    QPainter painter(&image);
    PaintPageBanner(page, painter, title, fontHeight);
    painter.end();
    return image;
}

bool IsBlue(QRgb pixel) {
    return pixel == qRgb(0, 0, 255);
}
bool IsWhitish(QRgb pixel) {
    return qRed(pixel) > 200 && qGreen(pixel) > 200 && qBlue(pixel) > 200;
}

} // namespace

TEST(BannerLayout, BandIsTheTopQuarterAndTheTitleIsCentredOnIt) {
    BannerLayout layout = ComputeBannerLayout(QSize(400, 300), 120, 40);
    EXPECT_EQ(layout.band, QRect(0, 0, 400, 75));
    EXPECT_EQ(layout.titleCell.top() + layout.titleCell.height() / 2, 37);
    EXPECT_EQ(layout.titleCell.left(), 200 - 60);
    // Divisions truncate: 301 wide, 33 high.
    BannerLayout odd = ComputeBannerLayout(QSize(301, 299), 101, 33);
    EXPECT_EQ(odd.band.height(), 74);
    EXPECT_EQ(odd.titleCell.left(), 150 - 50);
    EXPECT_EQ(odd.titleCell.top(), 37 - 16);
    // A title wider than the page starts left of it and is cut by the edges.
    EXPECT_LT(ComputeBannerLayout(QSize(200, 300), 500, 40).titleCell.left(), 0);
}

TEST(BannerPainting, PaintsTheBandAndAWhiteTitle) {
    QImage image = PaintBanner(QSize(400, 300), "Welcome to Vornalix", 40);
    for (int y : {0, 10, 74})
        EXPECT_TRUE(IsBlue(image.pixel(2, y))) << y;
    EXPECT_EQ(image.pixel(2, 75), qRgb(128, 255, 255));
    EXPECT_EQ(image.pixel(399, 299), qRgb(128, 255, 255));
    int top = 300, bottom = -1, left = 400, right = -1;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            if (IsWhitish(image.pixel(x, y))) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_GE(bottom, 0) << "no title drawn";
    EXPECT_LT(bottom, 75);
    EXPECT_NEAR((left + right) / 2.0, 200, 6);
    EXPECT_NEAR((top + bottom) / 2.0, 37, 6);
}

namespace {
int InkHeight(const QImage& image) {
    int top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (IsWhitish(image.pixel(x, y))) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return bottom - top + 1;
}
} // namespace

TEST(BannerPainting, TitleIsDrawnAtThePagesHeight) {
    res::OverrideLanguage(res::Language::English);
    int tall = InkHeight(PaintBanner(QSize(600, 400), "Hg", 40));
    int small = InkHeight(PaintBanner(QSize(600, 400), "Hg", 26));
    EXPECT_NEAR(static_cast<double>(tall) / small, 40.0 / 26.0, 0.12);
    // "Hg" spans nearly the whole cell: cap top to descender bottom.
    EXPECT_NEAR(tall, 40 * 0.86, 4);
}

TEST(BannerPainting, AnEmptyTitleStillPaintsTheBand) {
    QImage image = PaintBanner(QSize(300, 200), "", 40);
    for (int x : {0, 150, 299})
        EXPECT_TRUE(IsBlue(image.pixel(x, 49)));
    EXPECT_FALSE(IsBlue(image.pixel(150, 50)));
}

TEST(BannerFont, NonJapaneseIsBoldItalicArialAtThePagesHeight) {
    for (int height : {40, 35, 26}) {
        BannerFontSpec bannerFont = BannerFont("Current Gateway Information", height, 1033);
        const QFont& font = bannerFont.font;
        EXPECT_TRUE(font.italic());
        EXPECT_EQ(font.weight(), QFont::Bold);
        EXPECT_EQ(CellHeight(font, bannerFont.scale), height) << height;
        EXPECT_NEAR(bannerFont.scale, 1.0, 0.06); // the font is drawn at nearly its own size
        // Arial, or the metric-compatible face that stands in for it.
        EXPECT_THAT(QFontInfo(font).family().toStdString(), ::testing::AnyOf("Arial", "Liberation Sans"));
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
            BannerFontSpec bannerFont = BannerFont(c.title, pageHeight, kJapaneseLanguageId);
            EXPECT_FALSE(bannerFont.font.italic());
            EXPECT_EQ(bannerFont.font.weight(), QFont::Bold);
            EXPECT_EQ(CellHeight(bannerFont.font, bannerFont.scale), c.cell) << res::ShiftJisLength(c.title);
        }
    }
}

TEST(BannerFont, SystemLanguageFollowsTheResources) {
    res::OverrideLanguage(res::Language::Japanese);
    EXPECT_EQ(SystemDefaultLanguageId(), 1041);
    res::OverrideLanguage(res::Language::English);
    EXPECT_EQ(SystemDefaultLanguageId(), 1033);
}
