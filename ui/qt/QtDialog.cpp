#include "ui/Dialog.h"
#include "res/Resources.h"
#include "ui/DialogColors.h"
#include "ui/GuiThread.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <vector>

namespace vornalix::ui {

namespace {

const char* const kControlIdProperty = "vornalixControlId";

std::set<Dialog*>& LiveDialogs() {
    static std::set<Dialog*> dialogs;
    return dialogs;
}

// Where the last outermost dialog was: the next one opens there.
std::optional<QPoint>& LastPagePosition() {
    static std::optional<QPoint> position;
    return position;
}

std::vector<Dialog*>& ModalStack() {
    static std::vector<Dialog*> stack;
    return stack;
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

void FitLabelText(QLabel& label) {
    // Our fonts run a little wider than the ones the templates were laid out for: shrink a text
    // that would be cut off until it fits, never below 9 pixels.
    QFont font = label.parentWidget() ? label.parentWidget()->font() : label.font();
    QRect room(0, 0, label.width(), label.height());
    for (int pixels = font.pixelSize(); pixels > 9; --pixels) {
        font.setPixelSize(pixels);
        QFontMetrics metrics(font);
        if (metrics.boundingRect(room, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, label.text()).height() <=
            room.height())
            break;
    }
    label.setFont(font);
}

Dialog* ActiveModalDialog() {
    return ModalStack().empty() ? nullptr : ModalStack().back();
}

void ApplyDialogColorsToAll() {
    for (Dialog* dialog : LiveDialogs())
        dialog->ApplyColors();
}

Dialog::Dialog(int templateId)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      templateId(templateId), dialogTemplate(&RequireTemplate(templateId)), link(std::make_shared<GuiThread>(this)) {
    setWindowTitle(QString::fromStdString(dialogTemplate->caption));
    QFont font = TemplateFont(dialogTemplate->fontName, dialogTemplate->fontPoints);
    setFont(font);
    units = DialogBaseUnits(font);
    QRect frame = MapDialogRect(units, 0, 0, dialogTemplate->width, dialogTemplate->height);
    setFixedSize(frame.size());
    setAutoFillBackground(true);
    for (const auto& control : dialogTemplate->controls)
        CreateControl(control);
    // Drawn as default: the button Enter presses while no push button has the focus; a push button
    // that takes the focus is drawn so while it has it.
    if (auto* button = ItemAs<QPushButton>(DefaultCommandId()))
        button->setDefault(true);
    LiveDialogs().insert(this);
}

Dialog::~Dialog() {
    link->Detach();
    LiveDialogs().erase(this);
}

void Dialog::CreateControl(const res::ControlTemplate& control) {
    QRect rect = MapDialogRect(units, control.x, control.y, control.width, control.height);
    QString text = QString::fromStdString(control.text);
    QWidget* widget = nullptr;
    switch (control.cls) {
    case res::ControlClass::Button:
        if (control.style & res::kAutoRadio) {
            widget = new QRadioButton(text, this);
        } else {
            auto* button = new QPushButton(text, this);
            button->setAutoDefault(true);
            widget = button;
        }
        connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::clicked, this,
                [this, id = control.id] { Command(id); });
        break;
    case res::ControlClass::Static: {
        auto* label = new QLabel(text, this);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setGeometry(rect);
        FitLabelText(*label);
        widget = label;
        break;
    }
    case res::ControlClass::Edit:
        widget = new QLineEdit(text, this);
        break;
    case res::ControlClass::ComboBox: {
        auto* combo = new QComboBox(this);
        if (control.style & res::kVScrollAlways)
            combo->view()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        // The template's height is that of the dropped list; the closed box is one line.
        rect.setHeight(combo->sizeHint().height());
        widget = combo;
        break;
    }
    case res::ControlClass::Progress: {
        auto* bar = new QProgressBar(this);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        widget = bar;
        break;
    }
    }
    widget->setGeometry(rect);
    widget->setProperty(kControlIdProperty, control.id);
    widget->setObjectName(QStringLiteral("control%1").arg(control.id));
    if (control.style & res::kHidden)
        widget->setHidden(true);
    items.emplace(control.id, widget);
    created.emplace_back(&control, widget);
}

QWidget* Dialog::Item(int id) const {
    auto it = items.find(id);
    return it == items.end() ? nullptr : it->second;
}

std::string Dialog::ItemText(int id) const {
    QWidget* widget = Item(id);
    QString text;
    if (auto* label = qobject_cast<QLabel*>(widget))
        text = label->text();
    else if (auto* edit = qobject_cast<QLineEdit*>(widget))
        text = edit->text();
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        text = button->text();
    else if (auto* combo = qobject_cast<QComboBox*>(widget))
        text = combo->currentText();
    return text.toStdString();
}

void Dialog::SetItemText(int id, const std::string& value) {
    QWidget* widget = Item(id);
    QString text = QString::fromStdString(value);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
        FitLabelText(*label);
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(text);
}

void Dialog::ShowNotice(int id, const std::vector<int>& covering, const std::string& text) {
    auto* label = ItemAs<QLabel>(id);
    if (label == nullptr)
        return;
    QRect area = label->geometry();
    for (int other : covering) {
        if (QWidget* widget = Item(other)) {
            area |= widget->geometry();
            widget->hide();
        }
    }
    // Down to just above the nearest visible control below (the buttons).
    int bottom = height();
    for (const auto& [other, widget] : items)
        if (widget != label && !widget->isHidden() && widget->geometry().top() > area.bottom())
            bottom = std::min(bottom, widget->geometry().top() - units.y / 2);
    area.setBottom(std::max(area.bottom(), bottom));
    label->setGeometry(area);
    label->setFont(font());
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setFocusPolicy(Qt::ClickFocus);
    SetItemText(id, text);
}

void Dialog::ShowItem(int id, bool show) {
    if (QWidget* widget = Item(id))
        widget->setHidden(!show);
}

bool Dialog::IsItemShown(int id) const {
    QWidget* widget = Item(id);
    return widget && !widget->isHidden();
}

void Dialog::EnableItem(int id, bool enable) {
    if (QWidget* widget = Item(id))
        widget->setEnabled(enable);
}

void Dialog::CheckItem(int id, bool check) {
    if (auto* button = ItemAs<QAbstractButton>(id)) {
        button->setCheckable(true);
        button->setChecked(check);
    }
}

bool Dialog::IsItemChecked(int id) const {
    auto* button = ItemAs<QAbstractButton>(id);
    return button && button->isChecked();
}

void Dialog::Command(int id) {
    if (ended)
        return;
    OnCommand(id);
}

int Dialog::EnterCommandId() const {
    if (auto* focused = qobject_cast<QPushButton*>(focusWidget()); focused && focused->isEnabled()) {
        QVariant id = focused->property(kControlIdProperty);
        if (id.isValid())
            return id.toInt();
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

void Dialog::ApplyColors() {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, DialogBackground());
    pal.setColor(QPalette::WindowText, DialogText());
    setPalette(pal);
    for (auto [control, widget] : created) {
        // Statics are drawn on a box of the background colour unless the page makes them transparent;
        // an empty static draws nothing at all.
        if (control->cls == res::ControlClass::Static)
            widget->setAutoFillBackground(!IsTransparent(*control) && !qobject_cast<QLabel*>(widget)->text().isEmpty());
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            QPalette list = combo->view()->palette();
            list.setColor(QPalette::Base, DialogBackground());
            list.setColor(QPalette::Text, DialogText());
            combo->view()->setPalette(list);
        }
    }
    update();
}

void Dialog::InitializeForDisplay() {
    if (initialized)
        return;
    initialized = true;
    ApplyColors();
    OnInitDialog();
}

void Dialog::PlaceWindow() {
    // Over a dialog on screen: centred on it. Otherwise this is the wizard's next page.
    Dialog* outer = ActiveModalDialog();
    placedOverAnother = outer && outer->isVisible();
    QRect frame(QPoint(0, 0), size());
    if (placedOverAnother) {
        frame.moveCenter(outer->frameGeometry().center());
        move(frame.topLeft());
    } else if (LastPagePosition()) {
        move(*LastPagePosition());
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void Dialog::hideEvent(QHideEvent* event) {
    // A page that goes (or hides itself for the pages it runs) leaves its place to the next one.
    if (!placedOverAnother && !event->spontaneous())
        LastPagePosition() = pos();
    QDialog::hideEvent(event);
}

int Dialog::DoModal() {
    ended = false;
    setResult(0);
    InitializeForDisplay();
    int code = result();
    if (!ended) {
        PlaceWindow();
        ModalStack().push_back(this);
        code = exec();
        ModalStack().pop_back();
    }
    OnDestroy();
    link->Detach();
    return code;
}

void Dialog::ShowWhileFinishing() {
    ended = true;
    for (auto [control, widget] : created)
        widget->setEnabled(false);
    setCursor(Qt::WaitCursor);
    show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void Dialog::EndDialog(int code) {
    ended = true;
    done(code);
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

void Dialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        int id = EnterCommandId();
        QWidget* target = Item(id);
        if (!target || target->isEnabled())
            Command(id);
        event->accept();
        return;
    }
    case Qt::Key_Escape:
        Command(common::IDCANCEL);
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void Dialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    Command(common::IDCANCEL);
}

void Dialog::reject() {
    Command(common::IDCANCEL);
}

void Dialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    OnPaint(painter);
}

} // namespace vornalix::ui
