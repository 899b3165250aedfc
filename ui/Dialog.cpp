#include "ui/Dialog.h"
#include "res/Resources.h"
#include "ui/DialogBackend.h"
#include "ui/GuiThread.h"

#include <cstdio>
#include <cstdlib>
#include <set>

namespace vornalix::ui {

namespace {

std::set<Dialog*>& LiveDialogs() {
    static std::set<Dialog*> dialogs;
    return dialogs;
}

const res::DialogTemplate& RequireTemplate(int id) {
    const res::DialogTemplate* found = res::FindDialog(id);
    if (!found) {
        std::fprintf(stderr, "vornalix: no dialog template %d\n", id);
        std::abort();
    }
    return *found;
}

} // namespace

std::optional<Point>& LastPageFrame() {
    static std::optional<Point> position;
    return position;
}

std::vector<Dialog*>& ModalStack() {
    static std::vector<Dialog*> stack;
    return stack;
}

Dialog* ActiveModalDialog() {
    return ModalStack().empty() ? nullptr : ModalStack().back();
}

Point PlaceFrame(Size frame, const std::optional<Rect>& over, const std::optional<Point>& lastPage, Rect screen) {
    auto centredIn = [&](const Rect& area) {
        return Point{area.left + (area.width - frame.width) / 2, area.top + (area.height - frame.height) / 2};
    };
    if (over)
        return centredIn(*over);
    if (lastPage)
        return *lastPage;
    return centredIn(screen);
}

void ApplyDialogColorsToAll() {
    for (Dialog* dialog : LiveDialogs())
        dialog->ApplyColors();
}

Dialog::Dialog(int templateId)
    : templateId(templateId), dialogTemplate(&RequireTemplate(templateId)), link(std::make_shared<GuiThread>(this)) {
    backend = CreateDialogBackend(*this);
    LiveDialogs().insert(this);
}

Dialog::~Dialog() {
    link->Detach();
    LiveDialogs().erase(this);
    backend.reset();
}

bool Dialog::HasItem(int id) const {
    return backend->HasItem(id);
}
std::string Dialog::ItemText(int id) const {
    return backend->ItemText(id);
}
void Dialog::SetItemText(int id, const std::string& text) {
    backend->SetItemText(id, text);
}
void Dialog::ShowItem(int id, bool show) {
    backend->ShowItem(id, show);
}
bool Dialog::IsItemShown(int id) const {
    return backend->IsItemShown(id);
}
void Dialog::EnableItem(int id, bool enable) {
    backend->EnableItem(id, enable);
}
bool Dialog::IsItemEnabled(int id) const {
    return backend->IsItemEnabled(id);
}
void Dialog::CheckItem(int id, bool check) {
    backend->CheckItem(id, check);
}
bool Dialog::IsItemChecked(int id) const {
    return backend->IsItemChecked(id);
}
void Dialog::FocusItem(int id) {
    backend->FocusItem(id);
}
int Dialog::FocusedItem() const {
    return backend->FocusedItem();
}
void Dialog::ShowNotice(int id, const std::vector<int>& covering, const std::string& text) {
    backend->ShowNotice(id, covering, text);
}
void Dialog::AddListItem(int id, const std::string& text) {
    backend->AddListItem(id, text);
}
void Dialog::ClearList(int id) {
    backend->ClearList(id);
}
int Dialog::ListCount(int id) const {
    return backend->ListCount(id);
}
std::string Dialog::ListItem(int id, int index) const {
    return backend->ListItem(id, index);
}
void Dialog::SelectListItem(int id, int index) {
    backend->SelectListItem(id, index);
}
int Dialog::SelectedListItem(int id) const {
    return backend->SelectedListItem(id);
}
void Dialog::ShowProgress(int id, const common::ProgressBarState& state) {
    backend->SetProgress(id, state.low(), state.high(), state.pos());
}
common::ProgressBarState Dialog::ItemProgress(int id) const {
    return backend->Progress(id);
}
void Dialog::SetTimer(int timerId, int milliseconds) {
    backend->SetTimer(timerId, milliseconds);
}
void Dialog::KillTimer(int timerId) {
    backend->KillTimer(timerId);
}
void Dialog::Invalidate() {
    backend->Invalidate();
}
bool Dialog::IsVisible() const {
    return backend->IsVisible();
}
Rect Dialog::WindowFrame() const {
    return backend->Frame();
}
Size Dialog::ClientSize() const {
    return backend->ClientSize();
}
Rect Dialog::ItemRect(int id) const {
    return backend->ItemRect(id);
}
void Dialog::ApplyColors() {
    backend->ApplyColors();
}

void Dialog::Command(int id) {
    if (ended)
        return;
    OnCommand(id);
}

void Dialog::PressEnter() {
    int id = OnEnterCommand();
    if (!HasItem(id) || IsItemEnabled(id))
        Command(id);
}

int Dialog::EnterCommandId() const {
    int focused = FocusedItem();
    if (focused != 0 && IsItemEnabled(focused)) {
        const res::ControlTemplate* control = dialogTemplate->Find(focused);
        if (control && control->cls == res::ControlClass::Button && !(control->style & res::kAutoRadio))
            return focused;
    }
    return DefaultCommandId();
}

int Dialog::DefaultCommandId() const {
    const res::ControlTemplate* only = nullptr;
    int defaults = 0;
    for (const auto& control : dialogTemplate->controls)
        if (control.style & res::kDefaultPush) {
            only = &control;
            ++defaults;
        }
    return defaults == 1 ? only->id : common::IDOK;
}

void Dialog::PostCommand(int id) {
    link->PostCommand(id);
}

bool Dialog::UpdateData(bool saveAndValidate) {
    DoDataExchange(saveAndValidate);
    return true;
}

void Dialog::InitializeForDisplay() {
    if (initialized)
        return;
    initialized = true;
    ApplyColors();
    OnInitDialog();
}

int Dialog::DoModal() {
    ended = false;
    result = 0;
    InitializeForDisplay();
    int code = result;
    if (!ended) {
        ModalStack().push_back(this);
        code = backend->RunModal();
        ModalStack().pop_back();
    }
    OnDestroy();
    link->Detach();
    return code;
}

void Dialog::Hide() {
    backend->Hide();
}

void Dialog::ShowWhileFinishing() {
    ended = true;
    backend->ShowFinishing();
}

void Dialog::EndDialog(int code) {
    ended = true;
    result = code;
    backend->End(code);
}

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

bool Dialog::OnCommand(int id) {
    switch (id) {
    case common::IDOK:
        OnOK();
        return true;
    case common::IDCANCEL:
        OnCancel();
        return true;
    default:
        return false;
    }
}

void Dialog::OnOK() {
    if (UpdateData(true))
        EndDialog(common::IDOK);
}

void Dialog::OnCancel() {
    EndDialog(common::IDCANCEL);
}

} // namespace vornalix::ui
