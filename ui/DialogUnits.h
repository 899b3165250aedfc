#pragma once
// Dialog units to pixels, from a template font's metrics as the Windows dialog manager computes them.
#include <QFont>
#include <QRect>
#include <string>

namespace vornalix::ui {

struct BaseUnits {
    int x; // average width of the 52 letters a-z A-Z
    int y; // font height
};

// The font a template names at its point size (96 pixels per inch); faces that Linux does not
// have are mapped to metric-compatible ones.
QFont TemplateFont(const std::string& face, int points);
BaseUnits DialogBaseUnits(const QFont& font);

// (a * b + c / 2) / c, rounded half away from zero as Windows MulDiv.
int MulDiv(int a, int b, int c);
QRect MapDialogRect(const BaseUnits& units, int x, int y, int width, int height);

} // namespace vornalix::ui
