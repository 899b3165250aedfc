#include "ui/win32/InMemoryTemplate.h"
#include "ui/win32/WideText.h"
#include "ui/win32/WinApi.h"

namespace vornalix::ui::win32 {

namespace {

// The predefined control classes' ordinals in a dialog template.
constexpr std::uint16_t kButtonAtom = 0x0080;
constexpr std::uint16_t kEditAtom = 0x0081;
constexpr std::uint16_t kStaticAtom = 0x0082;
constexpr std::uint16_t kComboBoxAtom = 0x0085;

} // namespace

void InMemoryTemplate::DWord(std::uint32_t value) {
    Word(static_cast<std::uint16_t>(value & 0xFFFF));
    Word(static_cast<std::uint16_t>(value >> 16));
}

void InMemoryTemplate::Text(const std::wstring& text) {
    for (wchar_t c : text)
        Word(static_cast<std::uint16_t>(c));
    Word(0);
}

void InMemoryTemplate::AlignDWord() {
    if (words.size() % 2)
        Word(0);
}

InMemoryTemplate::ControlKind InMemoryTemplate::KindOf(const res::ControlTemplate& control, bool isDefault) {
    std::uint32_t style = WS_CHILD;
    if (!(control.style & res::kHidden))
        style |= WS_VISIBLE;
    switch (control.cls) {
    case res::ControlClass::Button:
        if (control.style & res::kAutoRadio)
            return {kButtonAtom, nullptr, style | WS_TABSTOP | BS_AUTORADIOBUTTON, 0};
        return {kButtonAtom, nullptr, style | WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0};
    case res::ControlClass::Static:
        // Plain text, wrapped at word breaks, top-left aligned.
        return {kStaticAtom, nullptr, style | SS_LEFT | SS_NOPREFIX, 0};
    case res::ControlClass::Edit:
        style |= WS_TABSTOP | WS_BORDER | ES_LEFT;
        if (control.style & res::kAutoScroll)
            style |= ES_AUTOHSCROLL;
        if (control.style & res::kPassword)
            style |= ES_PASSWORD;
        return {kEditAtom, nullptr, style, 0};
    case res::ControlClass::ComboBox:
        // The template's height is that of the dropped list.
        style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
        if (control.style & res::kAutoScroll)
            style |= CBS_AUTOHSCROLL;
        if (control.style & res::kVScrollAlways)
            style |= CBS_DISABLENOSCROLL;
        return {kComboBoxAtom, nullptr, style, 0};
    case res::ControlClass::Progress:
        if (control.style & res::kBordered)
            style |= WS_BORDER;
        return {0, PROGRESS_CLASSW, style, 0};
    }
    return {kStaticAtom, nullptr, style, 0};
}

InMemoryTemplate::InMemoryTemplate(const res::DialogTemplate& dialog, int defaultButton, int charset) {
    // DLGTEMPLATEEX header: version 1, signature 0xFFFF, help id, extended style, style, item count, frame.
    Word(1);
    Word(0xFFFF);
    DWord(0);
    DWord(dialog.applicationWindow ? WS_EX_APPWINDOW : 0);
    DWord(DS_SETFONT | DS_SHELLFONT | DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | WS_POPUP);
    Word(static_cast<std::uint16_t>(dialog.controls.size()));
    Word(0);
    Word(0);
    Word(static_cast<std::uint16_t>(dialog.width));
    Word(static_cast<std::uint16_t>(dialog.height));
    Word(0); // no menu
    Word(0); // the dialog class
    Text(Utf16(dialog.caption));
    // The font: points, weight, italic and character set bytes, face name.
    Word(static_cast<std::uint16_t>(dialog.fontPoints));
    Word(FW_NORMAL);
    Word(static_cast<std::uint16_t>((charset & 0xFF) << 8));
    Text(Utf16(dialog.fontName));

    bool defaultTaken = false;
    for (const auto& control : dialog.controls) {
        bool isDefault = !defaultTaken && control.id == defaultButton && control.cls == res::ControlClass::Button &&
                         !(control.style & res::kAutoRadio);
        defaultTaken |= isDefault;
        ControlKind kind = KindOf(control, isDefault);
        // DLGITEMTEMPLATEEX: help id, extended style, style, position, id, class, title, no creation data.
        AlignDWord();
        DWord(0);
        DWord(kind.exStyle);
        DWord(kind.style);
        Word(static_cast<std::uint16_t>(control.x));
        Word(static_cast<std::uint16_t>(control.y));
        Word(static_cast<std::uint16_t>(control.width));
        Word(static_cast<std::uint16_t>(control.height));
        DWord(static_cast<std::uint32_t>(control.id));
        if (kind.atom) {
            Word(0xFFFF);
            Word(kind.atom);
        } else {
            Text(kind.name);
        }
        Text(Utf16(control.text));
        Word(0);
    }
}

} // namespace vornalix::ui::win32
