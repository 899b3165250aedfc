#include "wizard/PageBanner.h"
#include "res/Resources.h"
#include "ui/DialogUnits.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace vornalix::wizard {

int SystemDefaultLanguageId() {
    return res::CurrentLanguage() == res::Language::Japanese ? kJapaneseLanguageId : 1033;
}

int CellHeight(const QFont& font, double scale) {
    QFontMetricsF metrics(font);
    return static_cast<int>(std::lround((metrics.ascent() + metrics.descent()) * scale));
}

BannerFontSpec BannerFont(const std::string& title, int fontHeight, int languageId) {
    QFont font = ui::TemplateFont("Arial", 10);
    font.setWeight(QFont::Bold);
    int height = fontHeight;
    if (languageId == kJapaneseLanguageId) {
        font.setItalic(false);
        std::size_t bytes = res::ShiftJisLength(title);
        height = bytes < 40 ? 24 : bytes < 60 ? 20 : 15;
    } else {
        font.setItalic(true);
    }
    height = std::max(height, 1);
    font.setPixelSize(100);
    QFontMetricsF reference(font);
    double cellPerPixel = (reference.ascent() + reference.descent()) / 100.0;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(height / cellPerPixel))));
    QFontMetricsF metrics(font);
    return {font, height / (metrics.ascent() + metrics.descent()), height};
}

BannerLayout ComputeBannerLayout(QSize client, int titleWidth, int titleHeight) {
    BannerLayout layout;
    layout.band = QRect(0, 0, client.width(), client.height() / 4);
    layout.titleCell =
        QRect(client.width() / 2 - titleWidth / 2, client.height() / 8 - titleHeight / 2, titleWidth, titleHeight);
    return layout;
}

void PaintPageBanner(QWidget& page, QPainter& dc, const std::string& title, int fontHeight) {
    QString text = QString::fromStdString(title);
    BannerFontSpec bannerFont = BannerFont(title, fontHeight, SystemDefaultLanguageId());
    QFontMetricsF metrics(bannerFont.font);
    int width = static_cast<int>(std::lround(metrics.horizontalAdvance(text) * bannerFont.scale));
    BannerLayout layout = ComputeBannerLayout(page.rect().size(), width, bannerFont.cellHeight);
    dc.save();
    dc.fillRect(layout.band, QColor(0, 0, 255));
    dc.setFont(bannerFont.font);
    dc.setPen(QColor(255, 255, 255));
    dc.setBackgroundMode(Qt::TransparentMode);
    dc.translate(layout.titleCell.topLeft());
    dc.scale(bannerFont.scale, bannerFont.scale);
    dc.drawText(QPointF(0, metrics.ascent()), text);
    dc.restore();
}

} // namespace vornalix::wizard
