#include "ui/DialogUnits.h"

#include <QFontMetrics>
#include <QStringList>
#include <cstdlib>

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

int MulDiv(int a, int b, int c) {
    long long product = static_cast<long long>(a) * b;
    long long half = std::llabs(c) / 2;
    long long rounded = (product >= 0) == (c >= 0) ? (std::llabs(product) + half) / std::llabs(c)
                                                   : -((std::llabs(product) + half) / std::llabs(c));
    return static_cast<int>(rounded);
}

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

QRect MapDialogRect(const BaseUnits& units, int x, int y, int width, int height) {
    return {MulDiv(x, units.x, 4), MulDiv(y, units.y, 8), MulDiv(width, units.x, 4), MulDiv(height, units.y, 8)};
}

} // namespace vornalix::ui
