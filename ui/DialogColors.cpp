#include "ui/DialogColors.h"

namespace vornalix::ui {

void ApplyDialogColorsToAll(); // Dialog.cpp

namespace {
Color background = StartupBackground();
Color text = kBlack;
} // namespace

void SetDialogColors(Color newBackground, Color newText) {
    background = newBackground;
    text = newText;
    ApplyDialogColorsToAll();
}

Color DialogBackground() {
    return background;
}
Color DialogText() {
    return text;
}

} // namespace vornalix::ui
