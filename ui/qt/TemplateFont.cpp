#include "ui/DialogUnits.h"
#include "ui/qt/QtDialog.h"

#include <QFontMetrics>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace vornalix::ui {

namespace {

void RegisterSubstitutes() {
    static bool done = [] {
        QFont::insertSubstitutions(
            QStringLiteral("MS Sans Serif"),
            QStringList{QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
        QFont::insertSubstitutions(QStringLiteral("System"),
                                   QStringList{QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
        QFont::insertSubstitutions(QStringLiteral("MS UI Gothic"),
                                   QStringList{QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans JP")});
        QFont::insertSubstitutions(QStringLiteral("Arial"), QStringList{QStringLiteral("Liberation Sans")});
        return true;
    }();
    (void)done;
}

} // namespace

QFont TemplateFont(const std::string& face, int points) {
    RegisterSubstitutes();
    QFont font(QString::fromStdString(face));
    font.setPixelSize(MulDiv(points, 96, 72));
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

BaseUnits DialogBaseUnits(const QFont& font) {
    QFontMetrics metrics(font);
    int width = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(width / 26 + 1) / 2, metrics.height()};
}

ScaledFont RealiseFont(const FontSpec& wanted) {
    QFont font = TemplateFont(wanted.face, 10);
    font.setWeight(wanted.bold ? QFont::Bold : QFont::Normal);
    font.setItalic(wanted.italic);
    const int height = std::max(wanted.cellHeight, 1);
    // The pixel size whose cell comes nearest, then the scale that makes up the rest.
    font.setPixelSize(100);
    QFontMetricsF reference(font);
    double cellPerPixel = (reference.ascent() + reference.descent()) / 100.0;
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(height / cellPerPixel))));
    QFontMetricsF metrics(font);
    return {font, height / (metrics.ascent() + metrics.descent())};
}

} // namespace vornalix::ui
