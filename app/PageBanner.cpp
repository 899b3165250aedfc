#include "app/PageBanner.h"
#include "res/Resources.h"
#include "ui/DialogUnits.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWidget>

namespace vornalix::app {

int SystemDefaultLanguageId() {
    return res::CurrentLanguage() == res::Language::Japanese ? kJapaneseLanguageId : 1033;
}

int CellHeight(const QFont& font) {
    QFontMetrics metrics(font);
    return metrics.ascent() + metrics.descent();
}

QFont BannerFont(const std::string& title, int fontHeight, int languageId) {
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
    // A Windows font height is the cell height; Qt sizes by the em, so take the largest pixel
    // size whose cell still fits.
    int pixels = height > 0 ? height : 1;
    font.setPixelSize(pixels);
    while (pixels > 1 && CellHeight(font) > height)
        font.setPixelSize(--pixels);
    return font;
}

BannerLayout ComputeBannerLayout(QSize client, int titleWidth, int titleHeight) {
    BannerLayout layout;
    layout.band = QRect(0, 0, client.width(), client.height() / 4);
    layout.titleCell = QRect(client.width() / 2 - titleWidth / 2, client.height() / 8 - titleHeight / 2, titleWidth,
                             titleHeight);
    return layout;
}

void PaintPageBanner(QWidget& page, QPainter& dc, const std::string& title, int fontHeight) {
    QString text = QString::fromStdString(title);
    QFont font = BannerFont(title, fontHeight, SystemDefaultLanguageId());
    QFontMetrics metrics(font);
    BannerLayout layout =
        ComputeBannerLayout(page.rect().size(), metrics.horizontalAdvance(text), metrics.ascent() + metrics.descent());
    dc.save();
    dc.fillRect(layout.band, QColor(0, 0, 255));
    dc.setFont(font);
    dc.setPen(QColor(255, 255, 255));
    dc.setBackgroundMode(Qt::TransparentMode);
    dc.drawText(layout.titleCell.left(), layout.titleCell.top() + metrics.ascent(), text);
    dc.restore();
}

} // namespace vornalix::app
