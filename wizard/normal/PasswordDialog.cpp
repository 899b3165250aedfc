#include "wizard/normal/PasswordDialog.h"

#include "res/Resources.h"
#include "ui/AppIcon.h"
#include "ui/GuiPrompt.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vornalix::wizard {

namespace {

struct Texts {
    const char* message;
    const char* user;
    const char* password;
    const char* cancel;
};

Texts PromptTexts() {
    if (res::CurrentLanguage() == res::Language::Japanese)
        return {"Qel Gateway にアクセスするには、ユーザー名とパスワードが必要です。",
                "ユーザー名:", "パスワード:", "キャンセル"};
    return {"The Qel Gateway asks for a user name and a password.", "User name:", "Password:", nullptr};
}

} // namespace

PasswordDialog::PasswordDialog(const std::string& userName, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    Texts texts = PromptTexts();
    setWindowTitle(ui::ApplicationName());
    setWindowIcon(ui::AppIcon());
    setModal(true);

    auto* message = new QLabel(QString::fromUtf8(texts.message), this);
    message->setWordWrap(true);
    message->setTextFormat(Qt::PlainText);
    userEdit = new QLineEdit(QString::fromStdString(userName), this);
    userEdit->setObjectName(QStringLiteral("userName"));
    passwordEdit = new QLineEdit(this);
    passwordEdit->setObjectName(QStringLiteral("password"));
    passwordEdit->setEchoMode(QLineEdit::Password);

    auto* fields = new QFormLayout;
    fields->addRow(QString::fromUtf8(texts.user), userEdit);
    fields->addRow(QString::fromUtf8(texts.password), passwordEdit);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    if (texts.cancel)
        buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8(texts.cancel));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message);
    layout->addLayout(fields);
    layout->addWidget(buttons);
    passwordEdit->setFocus();
}

std::string PasswordDialog::UserName() const {
    return userEdit->text().toStdString();
}
std::string PasswordDialog::Password() const {
    return passwordEdit->text().toStdString();
}
void PasswordDialog::SetUserName(const std::string& userName) {
    userEdit->setText(QString::fromStdString(userName));
}
void PasswordDialog::SetPassword(const std::string& password) {
    passwordEdit->setText(QString::fromStdString(password));
}

} // namespace vornalix::wizard
