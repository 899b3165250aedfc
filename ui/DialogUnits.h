#pragma once
// Dialog units to pixels, as the Windows dialog manager computes them from a template font's metrics.
#include "ui/Geometry.h"

namespace vornalix::ui {

struct BaseUnits {
    int x; // average width of the 52 letters a-z A-Z
    int y; // font height
};

// (a * b + c / 2) / c, rounded half away from zero as Windows MulDiv.
int MulDiv(int a, int b, int c);
Rect MapDialogRect(const BaseUnits& units, int x, int y, int width, int height);

} // namespace vornalix::ui
