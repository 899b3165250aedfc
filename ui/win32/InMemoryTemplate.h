#pragma once
// A dialog template as the Win32 dialog manager reads it (DLGTEMPLATEEX), built from one of ours: sizes in
// dialog units, the template's font, UTF-16 texts.
#include "res/DialogTemplate.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vornalix::ui::win32 {

class InMemoryTemplate {
public:
    // defaultButton: the push button drawn as default; charset: the font's character set.
    InMemoryTemplate(const res::DialogTemplate& dialog, int defaultButton, int charset);

    // For CreateDialogIndirectParamW (DWORD-aligned).
    const void* Data() const { return words.data(); }
    std::size_t Bytes() const { return words.size() * sizeof(std::uint16_t); }

    // The window class and styles a control of ours gets.
    struct ControlKind {
        std::uint16_t atom;  // predefined class ordinal, 0 for a named class
        const wchar_t* name; // the named class
        std::uint32_t style;
        std::uint32_t exStyle;
    };
    static ControlKind KindOf(const res::ControlTemplate& control, bool isDefault);

private:
    void Word(std::uint16_t value) { words.push_back(value); }
    void DWord(std::uint32_t value);
    void Text(const std::wstring& text);
    void AlignDWord();

    std::vector<std::uint16_t> words;
};

} // namespace vornalix::ui::win32
