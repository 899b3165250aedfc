#pragma once
// A Canvas over a GDI device context (a paint's or a window's): fonts and brushes are made at each call
// and released when the canvas goes, the context's own font put back.
#include "ui/Canvas.h"
#include "ui/win32/WinApi.h"

namespace vornalix::ui::win32 {

class GdiCanvas : public Canvas {
public:
    GdiCanvas(HDC dc, Size client) : dc(dc), client(client) {}
    ~GdiCanvas() override;
    GdiCanvas(const GdiCanvas&) = delete;
    GdiCanvas& operator=(const GdiCanvas&) = delete;

    Size ClientSize() const override { return client; }
    void Fill(const Rect& area, Color color) override;
    void SelectFont(const FontSpec& font) override;
    Size MeasureText(const std::string& text) override;
    void DrawText(Point origin, const std::string& text, Color color) override;

private:
    HDC dc;
    Size client;
    HFONT font = nullptr;           // ours, selected
    HGDIOBJ originalFont = nullptr; // the context's, put back at the end
};

} // namespace vornalix::ui::win32
