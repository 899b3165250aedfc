#pragma once
// A modal dialog built from a dialog template: controls by id, commands, result codes, data exchange,
// timers and painting hooks, as the pages of the wizard expect of a dialog. No toolkit shows through:
// the window and its controls belong to a backend object (ui/qt on Linux, ui/win32 on Windows).
#include "common/ProgressBarState.h"
#include "common/Prompt.h"
#include "res/DialogTemplate.h"
#include "ui/Canvas.h"
#include "ui/Geometry.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vornalix::ui {

class DialogBackend;
class GuiThread;

class Dialog {
public:
    // Builds the dialog and its controls from template templateId in the current language.
    explicit Dialog(int templateId);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Initialises the dialog (OnInitDialog), runs it modally and returns its result code.
    virtual int DoModal();
    // Ends the modal run with result.
    void EndDialog(int result);
    // Takes the window off the screen while its modal run goes on; the next page opens where it was.
    void Hide();
    // After the modal run: shows the page again where it was, its controls held and the wait cursor
    // up, while the work its last command started goes on; it goes when the page is destroyed.
    void ShowWhileFinishing();
    // Initialises without running: for tests and snapshots that look at a page as it opens.
    void InitializeForDisplay();

    int TemplateId() const { return templateId; }
    const res::DialogTemplate& Template() const { return *dialogTemplate; }

    // Controls by id (the first one with that id). Calls on an id the template lacks do nothing and
    // read as empty, hidden, disabled, unchecked.
    bool HasItem(int id) const;
    std::string ItemText(int id) const; // edit, static, button; a combo box: its selected line
    void SetItemText(int id, const std::string& text);
    void ShowItem(int id, bool show);
    bool IsItemShown(int id) const; // not hidden (the dialog itself may be hidden)
    void EnableItem(int id, bool enable);
    bool IsItemEnabled(int id) const;
    void CheckItem(int id, bool check);
    bool IsItemChecked(int id) const;
    void FocusItem(int id);
    // The control with the keyboard focus; 0 when none of the template's has it.
    int FocusedItem() const;
    // Shows text in static id as a notice the user can read, select and copy: the static grows over the
    // area of the controls in `covering` (which are hidden) and down to the controls below it, wraps its
    // text and keeps the dialog's font size.
    void ShowNotice(int id, const std::vector<int>& covering, const std::string& text);

    // Combo boxes: the list's lines and the selected one (-1 when none).
    void AddListItem(int id, const std::string& text);
    void ClearList(int id);
    int ListCount(int id) const;
    std::string ListItem(int id, int index) const;
    void SelectListItem(int id, int index);
    int SelectedListItem(int id) const;

    // Shows state in progress bar id; an empty range shows an empty bar.
    void ShowProgress(int id, const common::ProgressBarState& state);
    // What progress bar id shows: its range and position.
    common::ProgressBarState ItemProgress(int id) const;

    // Timers: OnTimer(timerId) every milliseconds on the GUI thread until killed (or the dialog goes).
    void SetTimer(int timerId, int milliseconds);
    void KillTimer(int timerId);
    // Repaints the dialog (OnPaint) soon.
    void Invalidate();

    // Handles a command as a click of button id would: from buttons, keys, posts and tests.
    void Command(int id);
    // What Enter does: the command it gives, unless the button with that id is disabled. Escape and the
    // close box give IDCANCEL.
    void PressEnter();
    // The command Enter gives: a focused push button, else the template's only default push
    // button when that is not button 1, else 1. Pages may choose another (OnEnterCommand).
    int EnterCommandId() const;
    // The command Enter gives while no push button has the focus; its button is drawn as default.
    int DefaultCommandId() const;
    // Thread-safe: posts a command to the page.
    void PostCommand(int id);
    // For workers: posts and synchronous calls that stop reaching the page once it detaches.
    std::shared_ptr<GuiThread> Link() const { return link; }

    // Data exchange between fields and controls: false → fields to controls.
    bool UpdateData(bool saveAndValidate = true);

    // Re-applies the application-wide dialog colours.
    void ApplyColors();

    // Whether the window is on screen, and its outer frame (caption and borders included) in screen pixels.
    bool IsVisible() const;
    Rect WindowFrame() const;
    // The client area's size in pixels.
    Size ClientSize() const;
    // Where control id lies in the client area, in pixels.
    Rect ItemRect(int id) const;

    // The toolkit's window and controls; backend code and its tests only.
    DialogBackend& Backend() const { return *backend; }

protected:
    virtual bool OnInitDialog();
    // Returns true when the command was handled.
    virtual bool OnCommand(int id);
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(bool saveAndValidate) {}
    virtual void OnDestroy() {}
    virtual void OnPaint(Canvas& canvas) {}
    virtual void OnTimer(int timerId) {}
    // The command Enter gives on this dialog; EnterCommandId() unless a page decides otherwise.
    virtual int OnEnterCommand() const { return EnterCommandId(); }
    // Whether a control draws its text without a background box of its own.
    virtual bool IsTransparent(const res::ControlTemplate& control) const { return false; }
    // Whether the dialog shows the application icon in its caption.
    virtual bool ShowsAppIcon() const { return false; }

private:
    friend class DialogBackend;

    int templateId;
    const res::DialogTemplate* dialogTemplate;
    std::unique_ptr<DialogBackend> backend;
    std::shared_ptr<GuiThread> link;
    int result = 0; // EndDialog's code
    bool initialized = false;
    bool ended = false;
};

// The dialog that is running modally right now (innermost), or nullptr.
Dialog* ActiveModalDialog();

} // namespace vornalix::ui
