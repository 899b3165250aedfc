#pragma once
// The Win32 backend of a Dialog: a dialog-manager window built hidden from the template when the Dialog is
// constructed, run by a modal loop of its own so that Enter and Escape follow the dialog layer's rules.
#include "ui/DialogBackend.h"
#include "ui/win32/WinApi.h"

#include <map>
#include <vector>

namespace vornalix::ui::win32 {

class Win32Dialog : public DialogBackend {
public:
    explicit Win32Dialog(Dialog& dialog);
    ~Win32Dialog() override;

    // The backend of a dialog on Windows.
    static Win32Dialog& Of(const Dialog& dialog);
    HWND Window() const { return window; }
    // The control with id (the first one), or nullptr.
    HWND ItemWindow(int id) const;

    // Handles one message of a message loop: Enter and Escape for the innermost modal dialog, then its
    // dialog keys (Tab, arrows, mnemonics), else the window's own procedure.
    static void DispatchLoopMessage(MSG& message);

    // Hides the window; a page leaves its frame's place to the next one.
    void Hide() override;

    int RunModal() override;
    void End(int code) override;
    void ShowFinishing() override;
    bool IsVisible() const override;
    Rect Frame() const override;
    Size ClientSize() const override;
    void Invalidate() override;
    void ApplyColors() override;
    void SetTimer(int timerId, int milliseconds) override;
    void KillTimer(int timerId) override;

    bool HasItem(int id) const override;
    std::string ItemText(int id) const override;
    void SetItemText(int id, const std::string& text) override;
    void ShowItem(int id, bool show) override;
    bool IsItemShown(int id) const override;
    void EnableItem(int id, bool enable) override;
    bool IsItemEnabled(int id) const override;
    void CheckItem(int id, bool check) override;
    bool IsItemChecked(int id) const override;
    void FocusItem(int id) override;
    int FocusedItem() const override;
    void ShowNotice(int id, const std::vector<int>& covering, const std::string& text) override;
    void AddListItem(int id, const std::string& text) override;
    void ClearList(int id) override;
    int ListCount(int id) const override;
    std::string ListItem(int id, int index) const override;
    void SelectListItem(int id, int index) override;
    int SelectedListItem(int id) const override;
    void SetProgress(int id, int low, int high, int position) override;
    common::ProgressBarState Progress(int id) const override;
    Rect ItemRect(int id) const override;

private:
    struct Item {
        const res::ControlTemplate* control;
        HWND window;
        bool notice = false; // a static turned into a read-only edit by ShowNotice
    };
    // What a progress bar shows for an empty range: an empty bar, the range kept here.
    struct EmptyRange {
        int low, high, position;
    };

    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR ControlColor(UINT message, HDC dc, HWND control);
    bool HandleKey(const MSG& message);
    const Item* Find(int id) const;
    const Item* ItemOfWindow(HWND control) const;
    // The page object is complete (its hooks can be called) once the common code initialises or runs it.
    void Complete();
    void ApplyFocus();
    // A control's rectangle in the client area.
    Rect ChildRect(HWND child) const;

    Dialog& dialog;
    HWND window = nullptr;
    std::vector<Item> items;
    HBRUSH background = nullptr;
    std::map<int, EmptyRange> emptyRanges;
    bool complete = false;
    bool ended = false;
    int result = 0;
    bool placedOver = false; // opened over another dialog (not a page of the sequence)
    bool waitCursor = false;
    int pendingFocus = 0; // FocusItem before the window shows
};

} // namespace vornalix::ui::win32
