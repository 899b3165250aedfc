// The title band as the Qt backend paints it: pixels, and the font realised at the exact cell height.
#include "res/Resources.h"
#include "ui/qt/QtDialog.h"
#include "wizard/PageBanner.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <gmock/gmock.h>

#include <cmath>

using namespace vornalix;
using namespace vornalix::wizard;

namespace {

QImage PaintBanner(QSize size, const std::string& title, int fontHeight) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(128, 255, 255));
    QPainter painter(&image);
    PaintPageBanner(*ui::PainterCanvas(painter, size), title, fontHeight);
    painter.end();
    return image;
}

bool IsBlue(QRgb pixel) {
    return pixel == qRgb(0, 0, 255);
}
bool IsWhitish(QRgb pixel) {
    return qRed(pixel) > 200 && qGreen(pixel) > 200 && qBlue(pixel) > 200;
}

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

// Cell height of a font as drawn at a scale, rounded to whole pixels.
int CellHeight(const QFont& font, double scale) {
    QFontMetricsF metrics(font);
    return static_cast<int>(std::lround((metrics.ascent() + metrics.descent()) * scale));
}

} // namespace

TEST(BannerPainting, PaintsTheBandAndAWhiteTitle) {
    res::OverrideLanguage(res::Language::English);
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

TEST(BannerFontOnQt, RealisedAtExactlyTheCellHeight) {
    for (int height : {40, 35, 26}) {
        ui::ScaledFont realised = ui::RealiseFont(BannerFont("Current Gateway Information", height, 1033));
        EXPECT_TRUE(realised.font.italic());
        EXPECT_EQ(realised.font.weight(), QFont::Bold);
        EXPECT_EQ(CellHeight(realised.font, realised.scale), height) << height;
        EXPECT_NEAR(realised.scale, 1.0, 0.06); // the font is drawn at nearly its own size
        // Arial, or the metric-compatible face that stands in for it.
        EXPECT_THAT(QFontInfo(realised.font).family().toStdString(), ::testing::AnyOf("Arial", "Liberation Sans"));
    }
    for (int cell : {24, 20, 15}) {
        ui::FontSpec japanese{"Arial", cell, true, false, kShiftJisCharset};
        ui::ScaledFont realised = ui::RealiseFont(japanese);
        EXPECT_FALSE(realised.font.italic());
        EXPECT_EQ(CellHeight(realised.font, realised.scale), cell);
    }
}
