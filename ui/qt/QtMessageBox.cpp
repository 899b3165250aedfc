#include "ui/GuiPrompt.h"
#include "res/Resources.h"
#include "ui/Dialog.h"
#include "ui/GuiThread.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QThread>

#include <atomic>

namespace vornalix::ui {

namespace {

QString applicationName;
std::atomic<common::Prompt*> appPrompt{nullptr};

// A Yes/No box must be answered with one of its buttons: it has no close box and ignores Escape.
class YesNoBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

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

std::unique_ptr<QMessageBox> BuildMessageBox(const std::string& text, unsigned type, QWidget* page) {
    const bool yesNo = (type & common::kButtonMask) == common::MB_YESNO;
    std::unique_ptr<QMessageBox> box = yesNo ? std::make_unique<YesNoBox>(page) : std::make_unique<QMessageBox>(page);
    if (yesNo)
        box->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    box->setWindowTitle(ApplicationName());
    box->setText(QString::fromStdString(text));
    box->setTextFormat(Qt::PlainText);
    switch (type & common::kIconMask) {
    case common::MB_ICONINFORMATION:
        box->setIcon(QMessageBox::Information);
        break;
    case common::MB_ICONEXCLAMATION:
        box->setIcon(QMessageBox::Warning);
        break;
    default:
        // An OK box shown without an icon gets the exclamation icon.
        box->setIcon((type & common::kButtonMask) == common::MB_OK ? QMessageBox::Warning : QMessageBox::NoIcon);
    }
    switch (type & common::kButtonMask) {
    case common::MB_YESNO:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
        break;
    case common::MB_RETRYCANCEL:
        box->setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        box->setDefaultButton(QMessageBox::Retry);
        box->setEscapeButton(QMessageBox::Cancel);
        break;
    case common::MB_OKCANCEL:
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
            {QMessageBox::Ok, "OK"},         {QMessageBox::Cancel, "キャンセル"}, {QMessageBox::Yes, "はい(&Y)"},
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
    case QMessageBox::Yes:
        return common::IDYES;
    case QMessageBox::No:
        return common::IDNO;
    case QMessageBox::Retry:
        return common::IDRETRY;
    case QMessageBox::Cancel:
        return common::IDCANCEL;
    default:
        return common::IDOK;
    }
}

int GuiPrompt::MessageBox(const std::string& text, unsigned type) {
    int answer = common::IDOK;
    GuiThread::Run([&] {
        // Centred on the page it belongs to, when that is on screen.
        Dialog* page = ActiveModalDialog();
        auto box = BuildMessageBox(text, type, page && page->isVisible() ? page : nullptr);
        int button = box->exec();
        // A box without a Cancel or No button answers the close box with its only button.
        if (button == 0 || button == QMessageBox::Escape)
            answer = (type & common::kButtonMask) == common::MB_YESNO ? common::IDNO
                     : (type & common::kButtonMask) == common::MB_OK  ? common::IDOK
                                                                      : common::IDCANCEL;
        else
            answer = MessageBoxResult(button);
    });
    return answer;
}

common::Prompt& AppPrompt() {
    static GuiPrompt fallback;
    common::Prompt* prompt = appPrompt.load();
    return prompt ? *prompt : fallback;
}

void SetAppPrompt(common::Prompt* prompt) {
    appPrompt.store(prompt);
}

} // namespace vornalix::ui
