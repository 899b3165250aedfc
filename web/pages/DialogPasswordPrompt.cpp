#include "web/pages/DialogPasswordPrompt.h"

#include "web/pages/PasswordDialog.h"

#include <QCoreApplication>
#include <QThread>

#include <future>

namespace vornalix::web {

DialogPasswordPrompt::DialogPasswordPrompt() : guiContext(std::make_unique<QObject>()) {
    if (auto* app = QCoreApplication::instance())
        guiContext->moveToThread(app->thread());
}

DialogPasswordPrompt::~DialogPasswordPrompt() = default;

PasswordChoice DialogPasswordPrompt::AskPassword(std::string& userName, std::string& password) {
    auto ask = [&userName, &password] {
        PasswordDialog dialog(userName);
        if (dialog.exec() != QDialog::Accepted)
            return PasswordChoice::GiveUp;
        userName = dialog.UserName();
        password = dialog.Password();
        return PasswordChoice::Retry;
    };
    if (QThread::currentThread() == guiContext->thread())
        return ask();
    std::promise<PasswordChoice> answer;
    auto future = answer.get_future();
    QMetaObject::invokeMethod(
        guiContext.get(), [&answer, &ask] { answer.set_value(ask()); }, Qt::QueuedConnection);
    return future.get();
}

} // namespace vornalix::web
