// The Qt backend of the dialog layer: a QDialog built from the template, its controls by id, and the
// Dialog's hooks called from its events.
#include "ui/qt/QtDialog.h"
#include "res/Resources.h"
#include "ui/DialogBackend.h"
#include "ui/DialogColors.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QThread>
#include <QTimer>
#include <QTimerEvent>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

namespace vornalix::ui {

namespace {

const char* const kControlIdProperty = "vornalixControlId";

QColor ToQColor(Color color) {
    return QColor(color.red, color.green, color.blue);
}

Rect FromQRect(const QRect& rect) {
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

class QtCanvas : public Canvas {
public:
    QtCanvas(QPainter& painter, QSize client) : painter(painter), client(client) {}

    Size ClientSize() const override { return {client.width(), client.height()}; }

    void Fill(const Rect& area, Color color) override { painter.fillRect(ToQRect(area), ToQColor(color)); }

    void SelectFont(const FontSpec& wanted) override {
        font = RealiseFont(wanted);
        cellHeight = wanted.cellHeight;
    }

    Size MeasureText(const std::string& text) override {
        QFontMetricsF metrics(font.font);
        return {static_cast<int>(std::lround(metrics.horizontalAdvance(QString::fromStdString(text)) * font.scale)),
                cellHeight};
    }

    void DrawText(Point origin, const std::string& text, Color color) override {
        QFontMetricsF metrics(font.font);
        painter.save();
        painter.setFont(font.font);
        painter.setPen(ToQColor(color));
        painter.setBackgroundMode(Qt::TransparentMode);
        painter.translate(origin.x, origin.y);
        painter.scale(font.scale, font.scale);
        painter.drawText(QPointF(0, metrics.ascent()), QString::fromStdString(text));
        painter.restore();
    }

private:
    QPainter& painter;
    QSize client;
    ScaledFont font{QFont(), 1.0};
    int cellHeight = 0;
};

Rect ScreenArea() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? FromQRect(screen->availableGeometry()) : Rect{0, 0, 1024, 768};
}

} // namespace

// The template's controls on a QDialog; events go to the Dialog's hooks.
class QtDialog : public QDialog, public DialogBackend {
public:
    explicit QtDialog(Dialog& owner);

    int RunModal() override;
    void End(int code) override;
    void Hide() override;
    void ShowFinishing() override;
    bool IsVisible() const override { return isVisible(); }
    Rect Frame() const override { return FromQRect(frameGeometry()); }
    Size ClientSize() const override { return {width(), height()}; }
    void Invalidate() override { update(); }
    void ApplyColors() override;
    void SetTimer(int timerId, int milliseconds) override;
    void KillTimer(int timerId) override;

    bool HasItem(int id) const override { return Item(id) != nullptr; }
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

    QWidget* Item(int id) const;
    template <class T> T* ItemAs(int id) const { return qobject_cast<T*>(Item(id)); }
    BaseUnits Units() const { return units; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void reject() override;

private:
    void CreateControl(const res::ControlTemplate& control);
    // A page leaves its frame's place to the next page as it hides; a dialog over another page does not.
    void HideRemembering();
    // The dialog below this one in the modal stack, when it is on screen.
    Dialog* Outer() const;

    Dialog& owner;
    BaseUnits units;
    std::multimap<int, QWidget*> items;
    std::vector<std::pair<const res::ControlTemplate*, QWidget*>> created;
    std::map<int, common::ProgressBarState> progress;
    std::map<int, int> timers; // the Dialog's timer id -> Qt's
    QEventLoop* loop = nullptr;
    int code = 0;
    bool placedOverAnother = false;
    std::optional<Point> shownAt; // the frame's top-left corner when it last hid
};

QtDialog::QtDialog(Dialog& owner)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      owner(owner) {
    const res::DialogTemplate& tmpl = owner.Template();
    setWindowTitle(QString::fromStdString(tmpl.caption));
    QFont font = TemplateFont(tmpl.fontName, tmpl.fontPoints);
    setFont(font);
    units = DialogBaseUnits(font);
    Rect frame = MapDialogRect(units, 0, 0, tmpl.width, tmpl.height);
    setFixedSize(frame.width, frame.height);
    setAutoFillBackground(true);
    for (const auto& control : tmpl.controls)
        CreateControl(control);
    // Drawn as default: the button Enter presses while no push button has the focus; a push button
    // that takes the focus is drawn so while it has it.
    if (auto* button = ItemAs<QPushButton>(owner.DefaultCommandId()))
        button->setDefault(true);
}

void QtDialog::CreateControl(const res::ControlTemplate& control) {
    QRect rect = ToQRect(MapDialogRect(units, control.x, control.y, control.width, control.height));
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
                [this, id = control.id] { owner.Command(id); });
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
    case res::ControlClass::Edit: {
        auto* edit = new QLineEdit(text, this);
        if (control.style & res::kPassword)
            edit->setEchoMode(QLineEdit::Password);
        widget = edit;
        break;
    }
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
        progress.emplace(control.id, common::ProgressBarState());
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

QWidget* QtDialog::Item(int id) const {
    auto it = items.find(id);
    return it == items.end() ? nullptr : it->second;
}

std::string QtDialog::ItemText(int id) const {
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

void QtDialog::SetItemText(int id, const std::string& value) {
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

void QtDialog::ShowNotice(int id, const std::vector<int>& covering, const std::string& text) {
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

void QtDialog::ShowItem(int id, bool show) {
    if (QWidget* widget = Item(id))
        widget->setHidden(!show);
}

bool QtDialog::IsItemShown(int id) const {
    QWidget* widget = Item(id);
    return widget && !widget->isHidden();
}

void QtDialog::EnableItem(int id, bool enable) {
    if (QWidget* widget = Item(id))
        widget->setEnabled(enable);
}

bool QtDialog::IsItemEnabled(int id) const {
    QWidget* widget = Item(id);
    return widget && widget->isEnabled();
}

void QtDialog::CheckItem(int id, bool check) {
    if (auto* button = ItemAs<QAbstractButton>(id)) {
        button->setCheckable(true);
        button->setChecked(check);
    }
}

bool QtDialog::IsItemChecked(int id) const {
    auto* button = ItemAs<QAbstractButton>(id);
    return button && button->isChecked();
}

void QtDialog::FocusItem(int id) {
    if (QWidget* widget = Item(id))
        widget->setFocus(Qt::OtherFocusReason);
}

int QtDialog::FocusedItem() const {
    QWidget* focused = focusWidget();
    if (focused == nullptr)
        return 0;
    // A combo box's focus may sit in a child of its own.
    for (QWidget* widget = focused; widget && widget != this; widget = widget->parentWidget()) {
        QVariant id = widget->property(kControlIdProperty);
        if (id.isValid())
            return id.toInt();
    }
    return 0;
}

void QtDialog::AddListItem(int id, const std::string& text) {
    if (auto* combo = ItemAs<QComboBox>(id))
        combo->addItem(QString::fromStdString(text));
}

void QtDialog::ClearList(int id) {
    if (auto* combo = ItemAs<QComboBox>(id))
        combo->clear();
}

int QtDialog::ListCount(int id) const {
    auto* combo = ItemAs<QComboBox>(id);
    return combo ? combo->count() : 0;
}

std::string QtDialog::ListItem(int id, int index) const {
    auto* combo = ItemAs<QComboBox>(id);
    return combo ? combo->itemText(index).toStdString() : std::string();
}

void QtDialog::SelectListItem(int id, int index) {
    if (auto* combo = ItemAs<QComboBox>(id))
        combo->setCurrentIndex(index);
}

int QtDialog::SelectedListItem(int id) const {
    auto* combo = ItemAs<QComboBox>(id);
    return combo ? combo->currentIndex() : -1;
}

void QtDialog::SetProgress(int id, int low, int high, int position) {
    auto* bar = ItemAs<QProgressBar>(id);
    if (bar == nullptr)
        return;
    common::ProgressBarState& state = progress[id];
    state.SetRange(low, high);
    state.SetPos(position);
    // Qt draws an empty range as a busy indicator: an empty bar instead.
    if (high > low) {
        bar->setRange(low, high);
        bar->setValue(state.pos());
    } else {
        bar->setRange(0, 1);
        bar->setValue(0);
    }
}

common::ProgressBarState QtDialog::Progress(int id) const {
    auto it = progress.find(id);
    return it == progress.end() ? common::ProgressBarState() : it->second;
}

Rect QtDialog::ItemRect(int id) const {
    QWidget* widget = Item(id);
    return widget ? FromQRect(widget->geometry()) : Rect{};
}

void QtDialog::ApplyColors() {
    // The hooks answer once the page is built: the icon comes with the page's first colours.
    if (AppIcon(owner) && windowIcon().cacheKey() != ui::AppIcon().cacheKey())
        setWindowIcon(ui::AppIcon());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(DialogBackground()));
    pal.setColor(QPalette::WindowText, ToQColor(DialogText()));
    setPalette(pal);
    for (auto [control, widget] : created) {
        // Statics are drawn on a box of the background colour unless the page makes them transparent;
        // an empty static draws nothing at all.
        if (control->cls == res::ControlClass::Static)
            widget->setAutoFillBackground(!Transparent(owner, *control) &&
                                          !qobject_cast<QLabel*>(widget)->text().isEmpty());
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            QPalette list = combo->view()->palette();
            list.setColor(QPalette::Base, ToQColor(DialogBackground()));
            list.setColor(QPalette::Text, ToQColor(DialogText()));
            combo->view()->setPalette(list);
        }
    }
    update();
}

void QtDialog::SetTimer(int timerId, int milliseconds) {
    KillTimer(timerId);
    timers[timerId] = startTimer(milliseconds);
}

void QtDialog::KillTimer(int timerId) {
    auto it = timers.find(timerId);
    if (it == timers.end())
        return;
    killTimer(it->second);
    timers.erase(it);
}

void QtDialog::timerEvent(QTimerEvent* event) {
    for (auto [timerId, qtId] : timers)
        if (qtId == event->timerId()) {
            Timer(owner, timerId);
            return;
        }
    QDialog::timerEvent(event);
}

Dialog* QtDialog::Outer() const {
    const std::vector<Dialog*>& stack = ModalStack();
    auto self = std::find(stack.begin(), stack.end(), &owner);
    if (self == stack.begin() || self == stack.end())
        return nullptr;
    Dialog* outer = *(self - 1);
    return outer->IsVisible() ? outer : nullptr;
}

int QtDialog::RunModal() {
    Dialog* outer = Outer();
    placedOverAnother = outer != nullptr;
    std::optional<Rect> over;
    if (outer)
        over = outer->WindowFrame();
    const std::optional<Point> lastPage = LastPageFrame();
    const Rect screen = ScreenArea();
    auto where = [&](Size frame) { return PlaceFrame(frame, over, lastPage, screen); };
    PlaceFrameWhenShown(*this, where);
    setWindowModality(Qt::ApplicationModal);
    code = 0;
    QEventLoop modal;
    loop = &modal;
    show();
    if (loop)
        modal.exec(QEventLoop::DialogExec);
    loop = nullptr;
    return code;
}

void QtDialog::End(int result) {
    code = result;
    if (isVisible())
        HideRemembering();
    if (loop)
        loop->exit(0);
    loop = nullptr;
}

void QtDialog::Hide() {
    HideRemembering();
}

void QtDialog::HideRemembering() {
    if (!isVisible())
        return;
    const Point frame = FromQRect(frameGeometry()).TopLeft();
    shownAt = frame;
    if (!placedOverAnother)
        LastPageFrame() = frame;
    hide();
}

void QtDialog::ShowFinishing() {
    for (auto [control, widget] : created)
        widget->setEnabled(false);
    setCursor(Qt::WaitCursor);
    if (shownAt)
        PlaceFrameWhenShown(*this, [at = *shownAt](Size) { return at; });
    show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        owner.PressEnter();
        event->accept();
        return;
    case Qt::Key_Escape:
        owner.Command(common::IDCANCEL);
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void QtDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    owner.Command(common::IDCANCEL);
}

void QtDialog::reject() {
    owner.Command(common::IDCANCEL);
}

void QtDialog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QtCanvas canvas(painter, size());
    Paint(owner, canvas);
}

namespace {

// Watches a window from its showing for a short while: each move or resize it gets meanwhile (the window
// system framing it, placing it by its own rules) is answered by putting the frame back where it belongs.
class FramePlacer : public QObject {
public:
    FramePlacer(QWidget& window, std::function<Point(Size)> where)
        : QObject(&window), window(window), where(std::move(where)) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &window)
            return false;
        switch (event->type()) {
        case QEvent::Show:
            shown.start();
            QTimer::singleShot(kWatchMs, this, [this] { Stop(); });
            Place();
            break;
        case QEvent::Move:
        case QEvent::Resize:
            if (shown.isValid())
                Place();
            break;
        case QEvent::Hide:
            Stop();
            break;
        default:
            break;
        }
        return false;
    }

private:
    static constexpr int kWatchMs = 1500;
    static constexpr int kMaxMoves = 12;

    void Stop() {
        window.removeEventFilter(this);
        deleteLater();
    }

    void Place() {
        const QRect frame = window.frameGeometry();
        const Point target = where({frame.width(), frame.height()});
        if (frame.topLeft() == QPoint(target.x, target.y)) {
            // Placed for good once the window system has put its frame round the window: later moves are the
            // user's.
            if (frame != window.geometry() || !FramedByTheSystem())
                Stop();
            return;
        }
        if (moves >= kMaxMoves)
            return;
        ++moves;
        window.move(window.pos() + QPoint(target.x, target.y) - frame.topLeft());
    }

    // Offscreen and similar platforms draw no frames.
    static bool FramedByTheSystem() {
        const QString platform = QGuiApplication::platformName();
        return platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"));
    }

    QWidget& window;
    std::function<Point(Size)> where;
    QElapsedTimer shown;
    int moves = 0;
};

} // namespace

void PlaceFrameWhenShown(QWidget& window, std::function<Point(Size)> where) {
    const Point first = where({window.width(), window.height()});
    window.move(first.x, first.y);
    new FramePlacer(window, std::move(where));
}

std::unique_ptr<DialogBackend> CreateDialogBackend(Dialog& dialog) {
    return std::make_unique<QtDialog>(dialog);
}

QDialog& Window(const Dialog& dialog) {
    return static_cast<QtDialog&>(dialog.Backend());
}

QWidget* Item(const Dialog& dialog, int id) {
    return static_cast<QtDialog&>(dialog.Backend()).Item(id);
}

BaseUnits Units(const Dialog& dialog) {
    return static_cast<QtDialog&>(dialog.Backend()).Units();
}

std::unique_ptr<Canvas> PainterCanvas(QPainter& painter, QSize client) {
    return std::make_unique<QtCanvas>(painter, client);
}

QRect ToQRect(const Rect& rect) {
    return {rect.left, rect.top, rect.width, rect.height};
}

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

bool OnGuiThread() {
    QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

bool PostToGuiThread(std::function<void()> fn) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr)
        return false;
    return QMetaObject::invokeMethod(application, std::move(fn), Qt::QueuedConnection);
}

void ProcessPendingEvents(bool userInput, int maxMilliseconds) {
    if (QCoreApplication::instance() == nullptr)
        return;
    QCoreApplication::processEvents(userInput ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents,
                                    maxMilliseconds);
}

} // namespace vornalix::ui
