#pragma once
// Qt's own words (the file dialog's lists and tool tips, context menus) in the UI language, from Qt's
// translation files when they are installed; without them those words stay English.
#include "res/Resources.h"

namespace vornalix::ui {

// Installs Qt's translation for language (removes it for English); true when one is in use.
bool UseQtLanguage(res::Language language);

} // namespace vornalix::ui
