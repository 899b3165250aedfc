#pragma once
// Dialog templates as data: what a resource script says of a dialog and its controls.
#include <string>
#include <vector>

namespace vornalix::res {

enum class ControlClass { Button, Static, Edit, ComboBox, Progress };

enum ControlStyle : unsigned {
    kPush = 0x0001,
    kDefaultPush = 0x0002,
    kAutoRadio = 0x0004,
    kHidden = 0x0008,     // not initially visible
    kAutoScroll = 0x0010, // edit: horizontal auto-scroll; combo: auto-scroll
    kDropDownList = 0x0020,
    kVScrollAlways = 0x0040,
    kBordered = 0x0080,
    kPassword = 0x0100, // edit: shows a mask for every character
};

struct ControlTemplate {
    int id;
    ControlClass cls;
    int x, y, width, height; // dialog units
    std::string text;        // UTF-8
    unsigned style;
};

struct DialogTemplate {
    int id;
    std::string caption; // UTF-8
    int width, height;   // dialog units
    std::string fontName;
    int fontPoints;
    bool applicationWindow; // own taskbar button (every page but the restart prompt)
    std::vector<ControlTemplate> controls;

    const ControlTemplate* Find(int controlId) const {
        for (const auto& c : controls)
            if (c.id == controlId)
                return &c;
        return nullptr;
    }
};

} // namespace vornalix::res
