#include "ui/DialogUnits.h"

#include <cstdlib>

namespace vornalix::ui {

int MulDiv(int a, int b, int c) {
    long long product = static_cast<long long>(a) * b;
    long long half = std::llabs(c) / 2;
    long long rounded = (product >= 0) == (c >= 0) ? (std::llabs(product) + half) / std::llabs(c)
                                                   : -((std::llabs(product) + half) / std::llabs(c));
    return static_cast<int>(rounded);
}

Rect MapDialogRect(const BaseUnits& units, int x, int y, int width, int height) {
    return {MulDiv(x, units.x, 4), MulDiv(y, units.y, 8), MulDiv(width, units.x, 4), MulDiv(height, units.y, 8)};
}

} // namespace vornalix::ui
