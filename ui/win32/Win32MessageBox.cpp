// Message boxes: MessageBoxW with the dialog layer's MB_* values (they are Win32's), captioned with the
// application name and centred on the page they belong to.
#include "ui/DialogBackend.h"
#include "ui/GuiPrompt.h"
#include "ui/win32/WideText.h"
#include "ui/win32/Win32Dialog.h"

namespace vornalix::ui {

namespace {

constexpr wchar_t kBoxProperty[] = L"VornalixMessageBox";

struct OpenBox {
    unsigned buttons = 0;
    std::optional<Rect> over; // the owner's frame
    WNDPROC procedure = nullptr;
    HHOOK hook = nullptr;
    bool seen = false;
};

thread_local OpenBox* opening = nullptr;

Rect ToRect(const RECT& rect) {
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

// As on Windows, a box without a Cancel button is not cancelled: Escape and the close box give OK on an OK
// box and nothing on a Yes/No box. (Wine's boxes would return IDCANCEL.)
LRESULT CALLBACK BoxProcedure(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* open = static_cast<OpenBox*>(GetPropW(box, kBoxProperty));
    if (!open)
        return DefWindowProcW(box, message, wParam, lParam);
    WNDPROC procedure = open->procedure;
    if (message == WM_COMMAND && LOWORD(wParam) == common::IDCANCEL) {
        if (open->buttons == common::MB_YESNO)
            return 0;
        if (open->buttons == common::MB_OK)
            wParam = MAKEWPARAM(common::IDOK, HIWORD(wParam));
    }
    if (message == WM_NCDESTROY) {
        RemovePropW(box, kBoxProperty);
        SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
    }
    return CallWindowProcW(procedure, box, message, wParam, lParam);
}

// The box's first activation: it exists, sized and not yet drawn.
LRESULT CALLBACK BoxHook(int code, WPARAM wParam, LPARAM lParam) {
    OpenBox* open = opening;
    if (code == HCBT_ACTIVATE && open && !open->seen) {
        HWND box = reinterpret_cast<HWND>(wParam);
        wchar_t className[16] = {};
        GetClassNameW(box, className, 16);
        if (std::wstring(className) == L"#32770") {
            open->seen = true;
            SetPropW(box, kBoxProperty, open);
            open->procedure = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BoxProcedure)));
            if (open->over) {
                RECT frame{}, work{};
                GetWindowRect(box, &frame);
                SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
                Rect rect = ToRect(frame);
                Point at = PlaceFrame({rect.width, rect.height}, open->over, std::nullopt, ToRect(work));
                SetWindowPos(box, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
        }
    }
    return CallNextHookEx(open ? open->hook : nullptr, code, wParam, lParam);
}

} // namespace

int ShowMessageBox(const std::string& text, unsigned type, Dialog* owner) {
    // An OK box that names no icon shows the exclamation mark.
    if ((type & common::kButtonMask) == common::MB_OK && (type & common::kIconMask) == 0)
        type |= common::MB_ICONEXCLAMATION;
    HWND ownerWindow = owner && owner->IsVisible() ? win32::Win32Dialog::Of(*owner).Window() : nullptr;
    OpenBox open;
    open.buttons = type & common::kButtonMask;
    if (ownerWindow)
        open.over = owner->WindowFrame();
    OpenBox* outer = opening;
    opening = &open;
    open.hook = SetWindowsHookExW(WH_CBT, BoxHook, nullptr, GetCurrentThreadId());
    int answer = MessageBoxW(ownerWindow, win32::Utf16(text).c_str(), win32::Utf16(ApplicationName()).c_str(), type);
    if (open.hook)
        UnhookWindowsHookEx(open.hook);
    opening = outer;
    return answer == 0 ? common::IDCANCEL : answer;
}

} // namespace vornalix::ui
