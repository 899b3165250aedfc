#pragma once
// Points, sizes, rectangles (pixels) and colours as the dialog layer passes them, whatever draws them.
#include <cstdint>

namespace vornalix::ui {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int Right() const { return left + width; }   // one past the last column
    int Bottom() const { return top + height; } // one past the last row
    Point TopLeft() const { return {left, top}; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Color {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Color&, const Color&) = default;
};

} // namespace vornalix::ui
