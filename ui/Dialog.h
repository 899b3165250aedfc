#pragma once
// A modal dialog built from a dialog template: controls by id, commands, result codes, data
// exchange and painting hooks, as the pages of the wizard expect of a dialog.
#include "common/Prompt.h"
#include "res/DialogTemplate.h"
#include "ui/DialogUnits.h"

#include <QDialog>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QLabel;
class QPainter;

namespace vornalix::ui {

class GuiThread;

class Dialog : public QDialog {
public:
    // Builds the dialog and its controls from template templateId in the current language.
    explicit Dialog(int templateId);
    ~Dialog() override;

    // Initialises the dialog (OnInitDialog), runs it modally and returns its result code.
    virtual int DoModal();
    // Ends the modal run with result.
    void EndDialog(int result);
    // After the modal run: shows the page again where it was, its controls held and the wait cursor
    // up, while the work its last command started goes on; it goes when the page is destroyed.
    void ShowWhileFinishing();
    // Initialises without running: for tests and snapshots that look at a page as it opens.
    void InitializeForDisplay();

    int TemplateId() const { return templateId; }
    const res::DialogTemplate& Template() const { return *dialogTemplate; }
    BaseUnits Units() const { return units; }

    // Controls by id (the first one with that id); nullptr when the template has none.
    QWidget* Item(int id) const;
    template <class T> T* ItemAs(int id) const { return qobject_cast<T*>(Item(id)); }
    std::string ItemText(int id) const;
    void SetItemText(int id, const std::string& text);
    void ShowItem(int id, bool show);
    bool IsItemShown(int id) const; // not hidden (the dialog itself may be hidden)
    void EnableItem(int id, bool enable);
    void CheckItem(int id, bool check);
    // Shows text in static id as a notice the user can read, select and copy: the static grows over the area
    // of the controls in `covering` (which are hidden) and down to the controls below it, wraps its text and keeps the
    // dialog's font size.
    void ShowNotice(int id, const std::vector<int>& covering, const std::string& text);
    bool IsItemChecked(int id) const;

    // Handles a command as a click of button id would: from buttons, keys, posts and tests.
    void Command(int id);
    // The command Enter gives: a focused push button, else the template's only default push
    // button when that is not button 1, else 1.
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

protected:
    virtual bool OnInitDialog();
    // Returns true when the command was handled.
    virtual bool OnCommand(int id);
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(bool saveAndValidate) {}
    virtual void OnDestroy() {}
    virtual void OnPaint(QPainter& painter) {}
    // Whether a control draws its text without a background box of its own.
    virtual bool IsTransparent(const res::ControlTemplate& control) const { return false; }

    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void reject() override;

private:
    void CreateControl(const res::ControlTemplate& control);
    // A page opens where the previous page was (centred on the screen for the first); a dialog opened
    // over one on screen is centred on it.
    void PlaceWindow();

    int templateId;
    const res::DialogTemplate* dialogTemplate;
    BaseUnits units;
    std::multimap<int, QWidget*> items;
    std::vector<std::pair<const res::ControlTemplate*, QWidget*>> created;
    std::shared_ptr<GuiThread> link;
    bool initialized = false;
    bool ended = false;
    bool placedOverAnother = false;
};

// Shrinks a static's font until its wrapped text fits the control.
void FitLabelText(QLabel& label);

// The dialog that is running modally right now (innermost), or nullptr.
Dialog* ActiveModalDialog();

} // namespace vornalix::ui
