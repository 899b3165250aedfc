#pragma once
// What a page paints with: fills, and one line of text in a font described by the page's rules.
#include "ui/Geometry.h"

#include <string>

namespace vornalix::ui {

struct FontSpec {
    std::string face;       // "Arial"
    int cellHeight = 0;     // ascent + descent in pixels, as a Windows font's positive height
    bool bold = false;
    bool italic = false;
    int charset = 0;        // 0 ANSI, 128 Shift-JIS
};

class Canvas {
public:
    virtual ~Canvas() = default;
    // The client area being painted; its origin is (0, 0).
    virtual Size ClientSize() const = 0;
    virtual void Fill(const Rect& area, Color color) = 0;
    // Selects the font the next Measure and Draw calls use.
    virtual void SelectFont(const FontSpec& font) = 0;
    // Width of text (UTF-8) on one line and the height of its cell.
    virtual Size MeasureText(const std::string& text) = 0;
    // Draws text on one line with its cell's top-left corner at origin, on no background; clipped by the client.
    virtual void DrawText(Point origin, const std::string& text, Color color) = 0;
};

} // namespace vornalix::ui
