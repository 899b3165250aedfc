#pragma once
// The small dialog that asks for the gateway's user name and password after it refused them.
#include <QDialog>

#include <string>

class QLineEdit;

namespace vornalix::wizard {

class PasswordDialog : public QDialog {
    Q_OBJECT

public:
    // userName: the refused name, offered again; the password field starts empty.
    explicit PasswordDialog(const std::string& userName, QWidget* parent = nullptr);

    std::string UserName() const;
    std::string Password() const;
    void SetUserName(const std::string& userName);
    void SetPassword(const std::string& password);

private:
    QLineEdit* userEdit;
    QLineEdit* passwordEdit;
};

} // namespace vornalix::wizard
