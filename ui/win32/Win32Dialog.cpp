#include "ui/win32/Win32Dialog.h"
#include "res/Resources.h"
#include "ui/AppIcon.h"
#include "ui/DialogColors.h"
#include "ui/win32/GdiCanvas.h"
#include "ui/win32/InMemoryTemplate.h"
#include "ui/win32/WideText.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace vornalix::ui::win32 {

namespace {

COLORREF ToColorRef(Color color) {
    return RGB(color.red, color.green, color.blue);
}

Rect ToRect(const RECT& rect) {
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

// The progress bar class must be registered before a template names it.
void InitCommonControlsOnce() {
    static const bool done = [] {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
        return InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)done;
}

HICON LoadAppIcon(int metricX, int metricY) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kAppIconId), IMAGE_ICON,
                                         GetSystemMetrics(metricX), GetSystemMetrics(metricY), LR_SHARED));
}

std::wstring WindowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

// A multi-line edit wants "\r\n" where our texts have "\n".
std::wstring ToEditLines(const std::wstring& text) {
    std::wstring lines;
    for (wchar_t c : text) {
        if (c == L'\n' && (lines.empty() || lines.back() != L'\r'))
            lines += L'\r';
        lines += c;
    }
    return lines;
}

std::wstring FromEditLines(std::wstring text) {
    text.erase(std::remove(text.begin(), text.end(), L'\r'), text.end());
    return text;
}

} // namespace

Win32Dialog::Win32Dialog(Dialog& dialog) : dialog(dialog) {
    InitCommonControlsOnce();
    const res::DialogTemplate& source = dialog.Template();
    int charset = res::CurrentLanguage() == res::Language::Japanese ? SHIFTJIS_CHARSET : DEFAULT_CHARSET;
    InMemoryTemplate memory(source, dialog.DefaultCommandId(), charset);
    HWND created = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), static_cast<LPCDLGTEMPLATEW>(memory.Data()),
                                              nullptr, &Win32Dialog::Procedure, reinterpret_cast<LPARAM>(this));
    if (!created) {
        std::fprintf(stderr, "vornalix: cannot create the window of dialog %d (error %lu)\n", source.id,
                     GetLastError());
        std::abort();
    }
    window = created;
    // The dialog manager creates the controls in template order, each below the previous one.
    HWND child = GetWindow(window, GW_CHILD);
    for (const auto& control : source.controls) {
        if (!child || GetDlgCtrlID(child) != control.id) {
            std::fprintf(stderr, "vornalix: dialog %d lacks its control %d\n", source.id, control.id);
            std::abort();
        }
        items.push_back({&control, child});
        child = GetWindow(child, GW_HWNDNEXT);
    }
    // Enter's command while no push button has the focus: the dialog manager draws that button as default.
    SendMessageW(window, DM_SETDEFID, static_cast<WPARAM>(dialog.DefaultCommandId()), 0);
    background = CreateSolidBrush(ToColorRef(DialogBackground()));
}

Win32Dialog::~Win32Dialog() {
    if (window)
        DestroyWindow(window);
    if (background)
        DeleteObject(background);
}

Win32Dialog& Win32Dialog::Of(const Dialog& dialog) {
    return static_cast<Win32Dialog&>(dialog.Backend());
}

void Win32Dialog::Complete() {
    if (complete)
        return;
    complete = true;
    if (AppIcon(dialog)) {
        SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadAppIcon(SM_CXICON, SM_CYICON)));
        SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadAppIcon(SM_CXSMICON, SM_CYSMICON)));
    }
}

INT_PTR CALLBACK Win32Dialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        return FALSE; // the focus is set when the window shows
    }
    auto* self = reinterpret_cast<Win32Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!self || !self->window)
        return FALSE;
    return self->Handle(message, wParam, lParam);
}

INT_PTR Win32Dialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            dialog.Command(static_cast<short>(LOWORD(wParam)));
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        dialog.Command(common::IDCANCEL);
        return TRUE;
    case WM_TIMER:
        if (complete)
            Timer(dialog, static_cast<int>(wParam));
        return TRUE;
    case WM_PAINT: {
        if (!complete)
            return FALSE;
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        {
            GdiCanvas canvas(dc, ClientSize());
            Paint(dialog, canvas);
        }
        EndPaint(window, &paint);
        return TRUE;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
        return ControlColor(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
        if (!waitCursor)
            return FALSE;
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR Win32Dialog::ControlColor(UINT message, HDC dc, HWND control) {
    const Item* item = message == WM_CTLCOLORDLG ? nullptr : ItemOfWindow(control);
    // Edits keep the system's colours, also while read-only or disabled.
    if (item && !item->notice && item->control->cls == res::ControlClass::Edit)
        return FALSE;
    SetTextColor(dc, ToColorRef(DialogText()));
    SetBkColor(dc, ToColorRef(DialogBackground()));
    if (item && !item->notice && complete && Transparent(dialog, *item->control))
        SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(background);
}

const Win32Dialog::Item* Win32Dialog::Find(int id) const {
    for (const auto& item : items)
        if (item.control->id == id)
            return &item;
    return nullptr;
}

const Win32Dialog::Item* Win32Dialog::ItemOfWindow(HWND control) const {
    for (const auto& item : items)
        if (item.window == control)
            return &item;
    return nullptr;
}

HWND Win32Dialog::ItemWindow(int id) const {
    const Item* item = Find(id);
    return item ? item->window : nullptr;
}

bool Win32Dialog::HandleKey(const MSG& message) {
    if (message.message != WM_KEYDOWN || (message.wParam != VK_RETURN && message.wParam != VK_ESCAPE))
        return false;
    if (message.hwnd != window && !IsChild(window, message.hwnd))
        return false;
    // An open drop-down list takes its own Enter and Escape.
    HWND focus = GetFocus();
    if (const Item* item = ItemOfWindow(focus);
        item && item->control->cls == res::ControlClass::ComboBox && SendMessageW(focus, CB_GETDROPPEDSTATE, 0, 0))
        return false;
    if (message.wParam == VK_RETURN)
        dialog.PressEnter();
    else
        dialog.Command(common::IDCANCEL);
    return true;
}

void Win32Dialog::DispatchLoopMessage(MSG& message) {
    if (Dialog* active = ActiveModalDialog()) {
        Win32Dialog& backend = Of(*active);
        if (backend.HandleKey(message) || IsDialogMessageW(backend.window, &message))
            return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

int Win32Dialog::RunModal() {
    Complete();
    ended = false;
    result = 0;
    // Over the dialog below this one when that is on screen; otherwise the next page of the sequence.
    const auto& stack = ModalStack();
    Dialog* below = stack.size() >= 2 && stack.back() == &dialog ? stack[stack.size() - 2] : nullptr;
    HWND owner = below && below->IsVisible() ? Of(*below).window : nullptr;
    placedOver = owner != nullptr;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    Rect frame = Frame();
    Point at = PlaceFrame({frame.width, frame.height}, owner ? std::optional<Rect>(below->WindowFrame()) : std::nullopt,
                          LastPageFrame(), ToRect(work));
    SetWindowLongPtrW(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    if (owner)
        EnableWindow(owner, FALSE);
    SetWindowPos(window, HWND_TOP, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(window);
    ApplyFocus();

    MSG message;
    while (!ended) {
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            // The application quits: leave the message for the outermost loop.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got < 0)
            break;
        DispatchLoopMessage(message);
    }
    // The owner takes the activation back before this window goes.
    if (owner)
        EnableWindow(owner, TRUE);
    Hide();
    SetWindowLongPtrW(window, GWLP_HWNDPARENT, 0);
    return ended ? result : common::IDCANCEL;
}

void Win32Dialog::Hide() {
    if (!IsWindowVisible(window))
        return;
    if (!placedOver)
        LastPageFrame() = Frame().TopLeft();
    ShowWindow(window, SW_HIDE);
}

void Win32Dialog::End(int code) {
    result = code;
    ended = true;
    // Wakes the modal loop, which is waiting for a message.
    PostMessageW(window, WM_NULL, 0, 0);
}

void Win32Dialog::ShowFinishing() {
    Complete();
    for (const auto& item : items)
        EnableWindow(item.window, FALSE);
    waitCursor = true;
    ShowWindow(window, SW_SHOW);
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    UpdateWindow(window);
}

bool Win32Dialog::IsVisible() const {
    return IsWindowVisible(window) != FALSE;
}

Rect Win32Dialog::Frame() const {
    RECT rect{};
    GetWindowRect(window, &rect);
    return ToRect(rect);
}

Size Win32Dialog::ClientSize() const {
    RECT rect{};
    GetClientRect(window, &rect);
    return {rect.right, rect.bottom};
}

void Win32Dialog::Invalidate() {
    InvalidateRect(window, nullptr, TRUE);
}

void Win32Dialog::ApplyColors() {
    Complete();
    HBRUSH previous = background;
    background = CreateSolidBrush(ToColorRef(DialogBackground()));
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    DeleteObject(previous);
}

void Win32Dialog::SetTimer(int timerId, int milliseconds) {
    ::SetTimer(window, static_cast<UINT_PTR>(timerId), static_cast<UINT>(milliseconds), nullptr);
}

void Win32Dialog::KillTimer(int timerId) {
    ::KillTimer(window, static_cast<UINT_PTR>(timerId));
}

bool Win32Dialog::HasItem(int id) const {
    return Find(id) != nullptr;
}

std::string Win32Dialog::ItemText(int id) const {
    const Item* item = Find(id);
    if (!item)
        return {};
    if (item->control->cls == res::ControlClass::ComboBox)
        return ListItem(id, SelectedListItem(id));
    // A progress bar keeps its template's text but never shows it.
    if (item->control->cls == res::ControlClass::Progress)
        return {};
    std::wstring text = WindowText(item->window);
    return Utf8(item->notice ? FromEditLines(text) : text);
}

void Win32Dialog::SetItemText(int id, const std::string& text) {
    const Item* item = Find(id);
    if (!item || item->control->cls == res::ControlClass::ComboBox)
        return;
    std::wstring wide = Utf16(text);
    SetWindowTextW(item->window, (item->notice ? ToEditLines(wide) : wide).c_str());
}

void Win32Dialog::ShowItem(int id, bool show) {
    if (const Item* item = Find(id))
        ShowWindow(item->window, show ? SW_SHOWNA : SW_HIDE);
}

bool Win32Dialog::IsItemShown(int id) const {
    const Item* item = Find(id);
    return item && (GetWindowLongPtrW(item->window, GWL_STYLE) & WS_VISIBLE);
}

void Win32Dialog::EnableItem(int id, bool enable) {
    if (const Item* item = Find(id))
        EnableWindow(item->window, enable ? TRUE : FALSE);
}

bool Win32Dialog::IsItemEnabled(int id) const {
    const Item* item = Find(id);
    return item && IsWindowEnabled(item->window);
}

void Win32Dialog::CheckItem(int id, bool check) {
    const Item* item = Find(id);
    if (!item || item->control->cls != res::ControlClass::Button)
        return;
    // Radio buttons are exclusive: checking one clears the others.
    if (check && (item->control->style & res::kAutoRadio))
        for (const auto& other : items)
            if (&other != item && other.control->cls == res::ControlClass::Button &&
                (other.control->style & res::kAutoRadio))
                SendMessageW(other.window, BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(item->window, BM_SETCHECK, check ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32Dialog::IsItemChecked(int id) const {
    const Item* item = Find(id);
    return item && SendMessageW(item->window, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Dialog::FocusItem(int id) {
    const Item* item = Find(id);
    if (!item)
        return;
    pendingFocus = id;
    if (IsWindowVisible(window))
        ApplyFocus();
}

void Win32Dialog::ApplyFocus() {
    const Item* item = Find(pendingFocus);
    HWND target = item && IsWindowVisible(item->window) && IsWindowEnabled(item->window)
                      ? item->window
                      : GetNextDlgTabItem(window, nullptr, FALSE);
    pendingFocus = 0;
    // Through the dialog manager, which moves the default button's frame with the focus.
    if (target)
        SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
}

int Win32Dialog::FocusedItem() const {
    if (!IsWindowVisible(window))
        return pendingFocus;
    HWND focus = GetFocus();
    for (const auto& item : items)
        if (focus && (item.window == focus || IsChild(item.window, focus)))
            return item.control->id;
    return 0;
}

void Win32Dialog::ShowNotice(int id, const std::vector<int>& covering, const std::string& text) {
    auto found = std::find_if(items.begin(), items.end(), [id](const Item& item) { return item.control->id == id; });
    if (found == items.end() || found->control->cls != res::ControlClass::Static)
        return;
    if (!found->notice) {
        Rect area = ChildRect(found->window);
        auto unite = [&area](const Rect& other) {
            int left = std::min(area.left, other.left), top = std::min(area.top, other.top);
            int right = std::max(area.Right(), other.Right()), bottom = std::max(area.Bottom(), other.Bottom());
            area = {left, top, right - left, bottom - top};
        };
        for (int other : covering)
            if (const Item* item = Find(other); item && item != &*found) {
                unite(ChildRect(item->window));
                ShowWindow(item->window, SW_HIDE);
            }
        // Down to half a line above the nearest visible control below (the buttons).
        RECT halfLine{0, 0, 0, 4};
        MapDialogRect(window, &halfLine);
        int bottom = ClientSize().height;
        for (const auto& item : items)
            if (&item != &*found && (GetWindowLongPtrW(item.window, GWL_STYLE) & WS_VISIBLE)) {
                Rect rect = ChildRect(item.window);
                if (rect.top >= area.Bottom())
                    bottom = std::min(bottom, rect.top - static_cast<int>(halfLine.bottom));
            }
        area.height = std::max(area.height, bottom - area.top);
        // A read-only edit in the static's place: the text can be selected and copied.
        HWND edit =
            CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                            area.left, area.top, area.width, area.height, window,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
        if (!edit)
            return;
        SendMessageW(edit, WM_SETFONT, SendMessageW(window, WM_GETFONT, 0, 0), FALSE);
        SetWindowPos(edit, found->window, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        DestroyWindow(found->window);
        found->window = edit;
        found->notice = true;
    }
    SetItemText(id, text);
}

void Win32Dialog::AddListItem(int id, const std::string& text) {
    if (const Item* item = Find(id))
        SendMessageW(item->window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf16(text).c_str()));
}

void Win32Dialog::ClearList(int id) {
    if (const Item* item = Find(id))
        SendMessageW(item->window, CB_RESETCONTENT, 0, 0);
}

int Win32Dialog::ListCount(int id) const {
    const Item* item = Find(id);
    if (!item || item->control->cls != res::ControlClass::ComboBox)
        return 0;
    return static_cast<int>(SendMessageW(item->window, CB_GETCOUNT, 0, 0));
}

std::string Win32Dialog::ListItem(int id, int index) const {
    const Item* item = Find(id);
    if (!item || item->control->cls != res::ControlClass::ComboBox || index < 0)
        return {};
    LRESULT length = SendMessageW(item->window, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR)
        return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    LRESULT copied =
        SendMessageW(item->window, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    return copied == CB_ERR ? std::string() : Utf8(text.data(), static_cast<int>(copied));
}

void Win32Dialog::SelectListItem(int id, int index) {
    if (const Item* item = Find(id))
        SendMessageW(item->window, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32Dialog::SelectedListItem(int id) const {
    const Item* item = Find(id);
    if (!item || item->control->cls != res::ControlClass::ComboBox)
        return -1;
    return static_cast<int>(SendMessageW(item->window, CB_GETCURSEL, 0, 0));
}

void Win32Dialog::SetProgress(int id, int low, int high, int position) {
    const Item* item = Find(id);
    if (!item || item->control->cls != res::ControlClass::Progress)
        return;
    if (high <= low) {
        emptyRanges[id] = {low, high, position};
        SendMessageW(item->window, PBM_SETRANGE32, 0, 1);
        SendMessageW(item->window, PBM_SETPOS, 0, 0);
        return;
    }
    emptyRanges.erase(id);
    SendMessageW(item->window, PBM_SETRANGE32, static_cast<WPARAM>(low), static_cast<LPARAM>(high));
    SendMessageW(item->window, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

common::ProgressBarState Win32Dialog::Progress(int id) const {
    common::ProgressBarState state;
    const Item* item = Find(id);
    if (!item || item->control->cls != res::ControlClass::Progress)
        return state;
    if (auto empty = emptyRanges.find(id); empty != emptyRanges.end()) {
        state.SetRange(empty->second.low, empty->second.high);
        state.SetPos(empty->second.position);
        return state;
    }
    PBRANGE range{};
    SendMessageW(item->window, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    state.SetRange(range.iLow, range.iHigh);
    state.SetPos(static_cast<int>(SendMessageW(item->window, PBM_GETPOS, 0, 0)));
    return state;
}

Rect Win32Dialog::ItemRect(int id) const {
    const Item* item = Find(id);
    return item ? ChildRect(item->window) : Rect{};
}

Rect Win32Dialog::ChildRect(HWND child) const {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    return ToRect(rect);
}

} // namespace vornalix::ui::win32

namespace vornalix::ui {

std::unique_ptr<DialogBackend> CreateDialogBackend(Dialog& dialog) {
    return std::make_unique<win32::Win32Dialog>(dialog);
}

} // namespace vornalix::ui
