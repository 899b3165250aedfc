#include "ui/win32/GdiCanvas.h"
#include "ui/win32/WideText.h"

namespace vornalix::ui::win32 {

namespace {

COLORREF ToColorRef(Color color) {
    return RGB(color.red, color.green, color.blue);
}

} // namespace

GdiCanvas::~GdiCanvas() {
    if (font) {
        SelectObject(dc, originalFont);
        DeleteObject(font);
    }
}

void GdiCanvas::Fill(const Rect& area, Color color) {
    RECT rect{area.left, area.top, area.Right(), area.Bottom()};
    HBRUSH brush = CreateSolidBrush(ToColorRef(color));
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

void GdiCanvas::SelectFont(const FontSpec& wanted) {
    // A positive height asks for the cell height (ascent + descent).
    HFONT created =
        CreateFontW(wanted.cellHeight, 0, 0, 0, wanted.bold ? FW_BOLD : FW_NORMAL, wanted.italic ? TRUE : FALSE, FALSE,
                    FALSE, static_cast<DWORD>(wanted.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                    DEFAULT_PITCH | FF_DONTCARE, Utf16(wanted.face).c_str());
    if (!created)
        return;
    HGDIOBJ previous = SelectObject(dc, created);
    if (font)
        DeleteObject(font);
    else
        originalFont = previous;
    font = created;
}

Size GdiCanvas::MeasureText(const std::string& text) {
    std::wstring wide = Utf16(text);
    SIZE size{};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    return {size.cx, size.cy};
}

void GdiCanvas::DrawText(Point origin, const std::string& text, Color color) {
    std::wstring wide = Utf16(text);
    int mode = SetBkMode(dc, TRANSPARENT);
    COLORREF previous = SetTextColor(dc, ToColorRef(color));
    UINT align = SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    TextOutW(dc, origin.x, origin.y, wide.c_str(), static_cast<int>(wide.size()));
    SetTextAlign(dc, align);
    SetTextColor(dc, previous);
    SetBkMode(dc, mode);
}

} // namespace vornalix::ui::win32
