// Message boxes on Qt: caption = the application name, icon and buttons from the type, centred on the
// page they belong to.
#include "res/Resources.h"
#include "ui/DialogBackend.h"
#include "ui/GuiPrompt.h"
#include "ui/qt/QtDialog.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QMessageBox>

namespace vornalix::ui {

namespace {

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

std::unique_ptr<QMessageBox> BuildMessageBox(const std::string& text, unsigned type, QWidget* page) {
    const bool yesNo = (type & common::kButtonMask) == common::MB_YESNO;
    std::unique_ptr<QMessageBox> box = yesNo ? std::make_unique<YesNoBox>(page) : std::make_unique<QMessageBox>(page);
    if (yesNo)
        box->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    box->setWindowTitle(QString::fromStdString(ApplicationName()));
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

int ShowMessageBox(const std::string& text, unsigned type, Dialog* owner) {
    auto box = BuildMessageBox(text, type, owner ? &Window(*owner) : nullptr);
    if (owner) {
        // Centred on the page's frame, once the box has its own.
        const Rect page = owner->WindowFrame();
        PlaceFrameWhenShown(*box, [page](Size frame) { return PlaceFrame(frame, page, std::nullopt, page); });
    }
    int button = box->exec();
    // A box without a Cancel or No button answers the close box with its only button.
    if (button == 0 || button == QMessageBox::Escape)
        return (type & common::kButtonMask) == common::MB_YESNO ? common::IDNO
               : (type & common::kButtonMask) == common::MB_OK  ? common::IDOK
                                                                : common::IDCANCEL;
    return MessageBoxResult(button);
}

} // namespace vornalix::ui
