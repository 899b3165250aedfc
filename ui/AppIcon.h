#pragma once
// The application icon (icon resource 128), drawn at start-up.
#include <QIcon>

namespace vornalix::ui {

constexpr int kAppIconId = 128;
QIcon AppIcon();

} // namespace vornalix::ui
