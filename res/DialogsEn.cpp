// English dialog templates (language 1033): positions in dialog units.
#include "res/StringTables.h"

namespace vornalix::res {

// Data tables: one control or string per line, as the templates list them.
// clang-format off

const std::vector<DialogTemplate>& EnglishDialogs() {
    static const std::vector<DialogTemplate> dialogs = {
        {102, "Vornalix configuration agent, V1.3 RC11.2", 212, 141, "MS Sans Serif", 12, true, { // welcome page
            {1, ControlClass::Button, 87, 120, 50, 14, "Next", kDefaultPush},
            {2, ControlClass::Button, 147, 120, 50, 14, "Cancel", kPush},
            {1015, ControlClass::Static, 19, 42, 175, 74, "1\n2\n3\n4\n5\n6\n7\n8\n9", 0},
        }},
        {139, "Vornalix configuration agent", 212, 141, "MS Sans Serif", 12, true, { // upgrade mode page
            {1, ControlClass::Button, 87, 120, 50, 14, "Next", kDefaultPush},
            {2, ControlClass::Button, 147, 120, 50, 14, "Cancel", kPush},
            {-1, ControlClass::Static, 33, 53, 157, 16, "Use during normal firmware update.", 0},
            {-1, ControlClass::Static, 33, 79, 157, 33, "Use when the Gateway's firmware is broken or is not responding.  Notice: you can not update the firmware using a Wireless network adapter (NIC) in this mode.", 0},
            {1021, ControlClass::Button, 20, 41, 63, 10, "Normal upgrade:", kAutoRadio},
            {1022, ControlClass::Button, 19, 66, 81, 10, "Emergency upgrade:", kAutoRadio},
        }},
        {140, "Vornalix configuration agent", 212, 153, "MS Sans Serif", 12, true, { // gateway address page
            {1, ControlClass::Button, 100, 131, 50, 14, "Next", kDefaultPush},
            {1034, ControlClass::Button, 46, 131, 50, 14, "Back", kPush},
            {-1, ControlClass::Static, 25, 62, 162, 19, "Enter the web address (URL) of the Qel Gateway.", 0},
            {1002, ControlClass::Edit, 46, 90, 120, 14, "", kAutoScroll},
            {2, ControlClass::Button, 154, 131, 50, 14, "Cancel", kPush},
        }},
        {141, "Vornalix configuration agent", 212, 153, "MS Sans Serif", 12, true, { // gateway information page
            {1, ControlClass::Button, 101, 131, 50, 14, "Next", kDefaultPush},
            {1034, ControlClass::Button, 47, 131, 50, 14, "Back", kPush},
            {-1, ControlClass::Static, 22, 62, 69, 11, "Hardware Version:", 0},
            {-1, ControlClass::Static, 22, 85, 69, 18, "Software Version:", 0},
            {1022, ControlClass::Static, 95, 62, 94, 18, "1.01", 0},
            {1023, ControlClass::Static, 94, 84, 110, 18, "R1.10 WEB Aug. 27, 2001", 0},
            {1024, ControlClass::Button, 16, 131, 50, 14, "DELAY", kPush | kHidden},
            {2, ControlClass::Button, 154, 131, 50, 14, "Cancel", kPush},
        }},
        {142, "Vornalix configuration agent", 212, 153, "MS Sans Serif", 12, true, { // firmware file page (normal path)
            {1, ControlClass::Button, 102, 131, 50, 14, "Next", kDefaultPush},
            {1034, ControlClass::Button, 47, 131, 50, 14, "Back", kPush},
            {1016, ControlClass::Static, 16, 58, 188, 19, "Choose the firmware file that you want to upload to the Qel Gateway:", 0},
            {1001, ControlClass::Edit, 16, 81, 120, 14, "", kAutoScroll},
            {3, ControlClass::Button, 140, 80, 50, 14, "Browse", kDefaultPush},
            {2, ControlClass::Button, 157, 131, 47, 14, "Cancel", kPush},
        }},
        {143, "Vornalix configuration agent", 212, 138, "MS Sans Serif", 12, true, { // upload progress page
            {2, ControlClass::Button, 147, 116, 50, 14, "Cancel", kPush},
            {1005, ControlClass::Progress, 34, 84, 143, 14, "Progress1", kBordered},
            {1011, ControlClass::Static, 17, 43, 176, 32, "Static\nabc\n1\n2", 0},
        }},
        {103, "Vornalix configuration agent", 212, 153, "MS Sans Serif", 12, true, { // firmware and adapter page (emergency path)
            {1, ControlClass::Button, 101, 131, 50, 14, "Next", kDefaultPush},
            {1034, ControlClass::Button, 47, 131, 50, 14, "Back", kPush},
            {1016, ControlClass::Static, 16, 42, 188, 19, "Choose the firmware file that you want to upload to the Qel Gateway:", 0},
            {1001, ControlClass::Edit, 16, 65, 120, 14, "", kAutoScroll},
            {3, ControlClass::Button, 140, 64, 50, 14, "Browse", kDefaultPush},
            {1002, ControlClass::ComboBox, 16, 110, 178, 30, "", kAutoScroll | kDropDownList | kVScrollAlways},
            {1013, ControlClass::Static, 16, 86, 176, 19, "Choose the network adapter that you are using to connect to the Qel Gateway and click NEXT:", 0},
            {2, ControlClass::Button, 154, 131, 50, 14, "Cancel", kPush},
        }},
        {104, "Vornalix configuration agent", 212, 138, "MS Sans Serif", 12, true, { // emergency transfer page
            {1034, ControlClass::Button, 99, 116, 50, 14, "Back", kPush},
            {1005, ControlClass::Progress, 34, 91, 143, 14, "Progress1", kBordered},
            {1008, ControlClass::Button, 7, 116, 33, 14, "UPDATE", kPush | kHidden},
            {1011, ControlClass::Static, 13, 45, 180, 16, "Static\nabc", 0},
            {1014, ControlClass::Static, 13, 61, 191, 19, "TRANSFER\nA", 0},
            {1010, ControlClass::Button, 29, 116, 32, 14, "DL_FAIL", kPush | kHidden},
            {1, ControlClass::Button, 50, 116, 39, 14, "SUCCESS", kPush | kHidden},
            {2, ControlClass::Button, 154, 116, 50, 14, "Cancel", kPush},
        }},
        {105, "Vornalix configuration agent", 212, 143, "MS Sans Serif", 12, true, { // outcome page
            {1, ControlClass::Button, 88, 122, 50, 14, "Retry", kDefaultPush},
            {2, ControlClass::Button, 145, 122, 50, 14, "Exit", kPush | kHidden},
            {1017, ControlClass::Static, 13, 40, 185, 78, "1\n2\n3\n4\n5\n6\n7\n8\n9\n10", 0},
            {-1, ControlClass::Static, 53, 100, 8, 8, "", 0},
            {1033, ControlClass::Button, 143, 122, 50, 14, "Next", kPush},
        }},
        {106, "Vornalix configuration agent", 212, 146, "MS Sans Serif", 12, true, { // final page
            {2, ControlClass::Button, 144, 127, 50, 14, "Exit", kDefaultPush},
            {1, ControlClass::Button, 85, 127, 50, 14, "Retry", kPush},
            {1012, ControlClass::Static, 16, 60, 178, 54, "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11", 0},
        }},
        {138, "VORNALIX", 187, 70, "System", 10, false, { // restart prompt
            {1, ControlClass::Button, 124, 49, 50, 14, "Close", kDefaultPush},
            {1032, ControlClass::Static, 13, 14, 167, 30, "1\n2\n3\n4\n", 0},
            {1030, ControlClass::Button, 61, 49, 50, 14, "Restart Now", kPush | kHidden},
            {1031, ControlClass::Button, 119, 49, 50, 14, "Restart Later", kPush | kHidden},
        }},
        {150, "vornalix", 200, 92, "MS Sans Serif", 12, false, { // password prompt
            {1050, ControlClass::Static, 7, 7, 186, 20, "The Qel Gateway asks for a user name and a password.", 0},
            {-1, ControlClass::Static, 7, 33, 52, 10, "User name:", 0},
            {1051, ControlClass::Edit, 62, 31, 131, 14, "", kAutoScroll},
            {-1, ControlClass::Static, 7, 52, 52, 10, "Password:", 0},
            {1052, ControlClass::Edit, 62, 50, 131, 14, "", kAutoScroll | kPassword},
            {1, ControlClass::Button, 86, 72, 50, 14, "OK", kDefaultPush},
            {2, ControlClass::Button, 143, 72, 50, 14, "Cancel", kPush},
        }},
    };
    return dialogs;
}

// clang-format on

} // namespace vornalix::res
