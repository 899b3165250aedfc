#pragma once
// Application-wide dialog colours: every dialog, its statics, buttons and combo-box lists use them.
#include <QColor>

namespace vornalix::ui {

// Sets the colours and repaints every open dialog with them.
void SetDialogColors(const QColor& background, const QColor& text);
QColor DialogBackground();
QColor DialogText();

// The start-up colours: light cyan with black text.
inline QColor StartupBackground() {
    return QColor(128, 255, 255);
}

} // namespace vornalix::ui
