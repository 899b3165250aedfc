#pragma once
// What a toolkit backend provides to the dialog layer (ui/qt, ui/win32; CMake links one). Only ui/ and the
// backends include this header.
#include "ui/Dialog.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vornalix::ui {

// The window of one Dialog and its controls, built from the dialog's template.
class DialogBackend {
public:
    virtual ~DialogBackend() = default;

    // Shows the window placed as PlaceFrame says, runs its modal loop until End and returns End's code.
    // The dialog is on top of ModalStack() meanwhile; the one below it, when visible, is the one it opens over.
    // A page that hides (or ends) sets LastPageFrame() to its frame's top-left corner.
    virtual int RunModal() = 0;
    virtual void End(int code) = 0;
    // Hides the window while its modal run goes on (a page that runs the next pages from its own run).
    virtual void Hide() = 0;
    // ShowWhileFinishing: shown where it was, every control disabled, the wait cursor up.
    virtual void ShowFinishing() = 0;
    virtual bool IsVisible() const = 0;
    virtual Rect Frame() const = 0;
    virtual Size ClientSize() const = 0;
    virtual void Invalidate() = 0;
    virtual void ApplyColors() = 0;
    virtual void SetTimer(int timerId, int milliseconds) = 0;
    virtual void KillTimer(int timerId) = 0;

    virtual bool HasItem(int id) const = 0;
    virtual std::string ItemText(int id) const = 0;
    virtual void SetItemText(int id, const std::string& text) = 0;
    virtual void ShowItem(int id, bool show) = 0;
    virtual bool IsItemShown(int id) const = 0;
    virtual void EnableItem(int id, bool enable) = 0;
    virtual bool IsItemEnabled(int id) const = 0;
    virtual void CheckItem(int id, bool check) = 0;
    virtual bool IsItemChecked(int id) const = 0;
    virtual void FocusItem(int id) = 0;
    virtual int FocusedItem() const = 0;
    virtual void ShowNotice(int id, const std::vector<int>& covering, const std::string& text) = 0;
    virtual void AddListItem(int id, const std::string& text) = 0;
    virtual void ClearList(int id) = 0;
    virtual int ListCount(int id) const = 0;
    virtual std::string ListItem(int id, int index) const = 0;
    virtual void SelectListItem(int id, int index) = 0;
    virtual int SelectedListItem(int id) const = 0;
    // An empty range (high <= low) shows an empty bar.
    virtual void SetProgress(int id, int low, int high, int position) = 0;
    virtual common::ProgressBarState Progress(int id) const = 0;
    virtual Rect ItemRect(int id) const = 0;

protected:
    // The dialog's hooks, for the backend's event handlers.
    static void Paint(Dialog& dialog, Canvas& canvas) { dialog.OnPaint(canvas); }
    static void Timer(Dialog& dialog, int timerId) { dialog.OnTimer(timerId); }
    static bool Transparent(const Dialog& dialog, const res::ControlTemplate& control) {
        return dialog.IsTransparent(control);
    }
    static bool AppIcon(const Dialog& dialog) { return dialog.ShowsAppIcon(); }
};

// Builds the window (hidden) and the controls of dialog's template.
std::unique_ptr<DialogBackend> CreateDialogBackend(Dialog& dialog);

// Placement: a dialog opened while another is on screen (`over`) is centred on that one's frame; a page
// opens with its frame's top-left corner where the last page's was (`lastPage`), the first one centred
// on the screen's work area.
Point PlaceFrame(Size frame, const std::optional<Rect>& over, const std::optional<Point>& lastPage, Rect screen);
// Where the last outermost dialog's frame was; a page that hides sets it.
std::optional<Point>& LastPageFrame();
// The modal dialogs running now, outermost first (the backends push and pop around their loops).
std::vector<Dialog*>& ModalStack();

// The GUI thread: whether the calling thread is it, and a call queued to run on it.
bool OnGuiThread();
// Queues fn to run on the GUI thread's event loop; false when no GUI runs (fn is dropped).
bool PostToGuiThread(std::function<void()> fn);
// Handles the events waiting now (with or without the user's input), for up to maxMilliseconds.
void ProcessPendingEvents(bool userInput, int maxMilliseconds);

// A message box over owner (nullptr: centred on the screen); returns the common::ID* of the button.
int ShowMessageBox(const std::string& text, unsigned type, Dialog* owner);

} // namespace vornalix::ui
