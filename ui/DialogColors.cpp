#include "ui/DialogColors.h"

namespace vornalix::ui {

void ApplyDialogColorsToAll(); // Dialog.cpp

namespace {
QColor background = StartupBackground();
QColor text = QColor(0, 0, 0);
} // namespace

void SetDialogColors(const QColor& newBackground, const QColor& newText) {
    background = newBackground;
    text = newText;
    ApplyDialogColorsToAll();
}

QColor DialogBackground() {
    return background;
}
QColor DialogText() {
    return text;
}

} // namespace vornalix::ui
