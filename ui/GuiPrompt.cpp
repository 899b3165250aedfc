#include "ui/GuiPrompt.h"
#include "res/Resources.h"

#include <QAbstractButton>

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QThread>

#include <atomic>
#include <future>

namespace vornalix::ui {

namespace {
QString applicationName;
std::atomic<Prompt*> appPrompt{nullptr};
} // namespace

QString ApplicationName() {
    if (applicationName.isEmpty())
        SetApplicationNameFromPath(QCoreApplication::applicationFilePath());
    return applicationName;
}

void SetApplicationNameFromPath(const QString& executablePath) {
    QString name = QFileInfo(executablePath).fileName();
    int dot = name.lastIndexOf(QLatin1Char('.'));
    applicationName = dot > 0 ? name.left(dot) : name;
}

std::unique_ptr<QMessageBox> BuildMessageBox(const std::string& text, unsigned type) {
    auto box = std::make_unique<QMessageBox>();
    box->setWindowTitle(ApplicationName());
    box->setText(QString::fromStdString(text));
    box->setTextFormat(Qt::PlainText);
    switch (type & kIconMask) {
    case MB_ICONINFORMATION:
        box->setIcon(QMessageBox::Information);
        break;
    case MB_ICONEXCLAMATION:
        box->setIcon(QMessageBox::Warning);
        break;
    default:
        // An OK box shown without an icon gets the exclamation icon.
        box->setIcon((type & kButtonMask) == MB_OK ? QMessageBox::Warning : QMessageBox::NoIcon);
    }
    switch (type & kButtonMask) {
    case MB_YESNO:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
        break;
    case MB_RETRYCANCEL:
        box->setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        box->setDefaultButton(QMessageBox::Retry);
        box->setEscapeButton(QMessageBox::Cancel);
        break;
    case MB_OKCANCEL:
        box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box->setDefaultButton(QMessageBox::Ok);
        break;
    default:
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
        box->setEscapeButton(QMessageBox::Ok);
    }
    if (res::CurrentLanguage() == res::Language::Japanese) {
        const std::pair<QMessageBox::StandardButton, const char*> japanese[] = {
            {QMessageBox::Ok, "OK"},           {QMessageBox::Cancel, "キャンセル"}, {QMessageBox::Yes, "はい(&Y)"},
            {QMessageBox::No, "いいえ(&N)"}, {QMessageBox::Retry, "再試行(&R)"},
        };
        for (auto [which, text] : japanese)
            if (QAbstractButton* button = box->button(which))
                button->setText(QString::fromUtf8(text));
    }
    return box;
}

int MessageBoxResult(int standardButton) {
    switch (standardButton) {
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Retry: return IDRETRY;
    case QMessageBox::Cancel: return IDCANCEL;
    default: return IDOK;
    }
}

GuiPrompt::GuiPrompt() : guiContext(std::make_unique<QObject>()) {
    if (auto* app = QCoreApplication::instance())
        guiContext->moveToThread(app->thread());
}
GuiPrompt::~GuiPrompt() = default;

int GuiPrompt::MessageBox(const std::string& text, unsigned type) {
    auto show = [text, type]() -> int {
        auto box = BuildMessageBox(text, type);
        int button = box->exec();
        // A box without a Cancel or No button answers the close box with its only button.
        if (button == 0 || button == QMessageBox::Escape)
            return (type & kButtonMask) == MB_YESNO ? IDNO : (type & kButtonMask) == MB_OK ? IDOK : IDCANCEL;
        return MessageBoxResult(button);
    };
    if (QThread::currentThread() == guiContext->thread())
        return show();
    std::promise<int> answer;
    auto future = answer.get_future();
    QMetaObject::invokeMethod(
        guiContext.get(), [&answer, show] { answer.set_value(show()); }, Qt::QueuedConnection);
    return future.get();
}

Prompt& AppPrompt() {
    static GuiPrompt fallback;
    Prompt* prompt = appPrompt.load();
    return prompt ? *prompt : fallback;
}

void SetAppPrompt(Prompt* prompt) { appPrompt.store(prompt); }

} // namespace vornalix::ui
