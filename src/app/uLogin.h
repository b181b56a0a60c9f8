#pragma once

#include "uDialog.h"

class QComboBox;
class QLineEdit;

// The login dialog: picks a user of SYS_USER and checks the password. In
// change-password mode it takes a new password for the logged-in user.
class TfmLogin : public TfmDialog {
    Q_OBJECT
public:
    explicit TfmLogin(QWidget* parent = nullptr);

    // Fills the user list (codes in order of their keys) and selects the first.
    void Prepare();
    void SetModeForChangePasswd();

    bool Successful = false;

    QLabel* lbUser;
    QComboBox* cbLogin;
    QLabel* lbPassword;
    QLineEdit* edLogin;
    QLabel* lbHint;

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private slots:
    void LoginClick();
    void ChangePasswdClick();

private:
    bool FChangePasswdMode = false;
};
