#pragma once
// The application icon: icon resource 128, shown by every page in its caption and the taskbar.
namespace vornalix::ui {

constexpr int kAppIconId = 128;

} // namespace vornalix::ui
