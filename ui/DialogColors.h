#pragma once
// Application-wide dialog colours: every dialog, its statics, buttons and combo-box lists use them.
#include "ui/Geometry.h"

namespace vornalix::ui {

// Sets the colours and repaints every open dialog with them.
void SetDialogColors(Color background, Color text);
Color DialogBackground();
Color DialogText();

// The start-up colours: light cyan with black text.
constexpr Color StartupBackground() {
    return {128, 255, 255};
}
constexpr Color kBlack{0, 0, 0};

} // namespace vornalix::ui
