#include "uLogin.h"

#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>

#include "uComboFill.h"
#include "uDmMain.h"
#include "uMessages.h"
#include "uPassword.h"

namespace {
// Typed password characters show as "#".
class TPasswordStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter) return '#';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};
}  // namespace

TfmLogin::TfmLogin(QWidget* parent) : TfmDialog(parent) {
    setObjectName(QStringLiteral("fmLogin"));
    setWindowTitle(QStringLiteral("Login"));
    setFixedSize(321, 207);
    Panel1->hide();  // the notes panel is not shown; its label still gets the path

    auto* grid = new QGridLayout(Content);
    lbUser = new QLabel(QStringLiteral("User"), Content);
    lbUser->setWordWrap(true);
    cbLogin = new QComboBox(Content);
    cbLogin->setObjectName(QStringLiteral("cbLogin"));
    cbLogin->setEditable(true);
    cbLogin->setInsertPolicy(QComboBox::NoInsert);
    // Codes are compared exactly: completion must not change the letter case.
    cbLogin->completer()->setCaseSensitivity(Qt::CaseSensitive);
    lbUser->setBuddy(cbLogin);
    cbLogin->setAccessibleName(QStringLiteral("User"));
    lbPassword = new QLabel(QStringLiteral("Password"), Content);
    edLogin = new QLineEdit(Content);
    edLogin->setObjectName(QStringLiteral("edLogin"));
    edLogin->setEchoMode(QLineEdit::Password);
    auto* style = new TPasswordStyle;
    style->setParent(edLogin);
    edLogin->setStyle(style);
    lbPassword->setBuddy(edLogin);
    edLogin->setAccessibleName(QStringLiteral("Password"));
    lbHint = new QLabel(QStringLiteral("(No password for first time login)"), Content);
    grid->addWidget(lbUser, 0, 0);
    grid->addWidget(cbLogin, 1, 0);
    grid->addWidget(lbPassword, 2, 0);
    grid->addWidget(edLogin, 3, 0);
    grid->addWidget(lbHint, 4, 0);
    grid->setRowStretch(5, 1);

    BitBtn1->setText(QStringLiteral("Login"));
    BitBtn2->setText(QStringLiteral("Cancel"));
    BitBtn3->setText(QStringLiteral("Ok"));
    BitBtn3->hide();
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &TfmLogin::LoginClick);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn3, &QPushButton::clicked, this, &TfmLogin::ChangePasswdClick);
    // Enter in the password box runs the dialog's command once: the key is
    // taken here, so it does not also reach the dialog's default button.
    edLogin->installEventFilter(this);
}

bool TfmLogin::eventFilter(QObject* o, QEvent* e) {
    if (o == edLogin && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (FChangePasswdMode)
                ChangePasswdClick();
            else
                LoginClick();
            return true;
        }
    }
    return TfmDialog::eventFilter(o, e);
}

void TfmLogin::Prepare() {
    lbNotes->setText(dmMain()->Curr_DbFile);
    FillComboBoxWithData(3, cbLogin);
    if (cbLogin->count() > 0) cbLogin->setCurrentIndex(0);
    edLogin->setFocus();
}

void TfmLogin::LoginClick() {
    if (cbLogin->currentIndex() < 0 && cbLogin->count() > 0) cbLogin->setCurrentIndex(0);
    const QString code = cbLogin->currentText();
    TdmMain* dm = dmMain();
    TWorkQuery w(dm->SQLConn_Main, "SELECT * FROM SYS_USER WHERE CODE=" + TdmMain::QuotedStr(code));
    TFbQuery& q = w.Query;
    q.Open();
    // The database ignores trailing blanks when comparing: check the code exactly.
    if (q.Eof() || q.AsString(QStringLiteral("CODE")) != code) {
        ShowError(QStringLiteral("Locate failed"));
        return;
    }
    if (!q.IsNull(QStringLiteral("DISABLED")) && q.AsInteger(QStringLiteral("DISABLED")) == 1) {
        ShowInformation(
            QStringLiteral("This user account has been set as \u201CDisabled\u201D, "
                           "Please contact system administrator."));
        return;
    }
    const QString stored = q.AsString(QStringLiteral("PASSWD"));
    if (!PasswordMatches(stored, edLogin->text())) {
        ShowInformation(QStringLiteral("Invalid Password"));
        return;
    }
    const int id = q.AsInteger(QStringLiteral("ID"));
    const QString name = q.AsString(QStringLiteral("NAME"));
    q.Close();
    w.Tra.Commit();
    // A password kept as typed by an older version, or a key of an earlier
    // release that could be taken for one, is replaced by its key at its
    // first use.
    if (!stored.isEmpty() && !IsHashedPassword(stored))
        dm->ExecSQL(QStringLiteral("UPDATE SYS_USER SET PASSWD=:PASSWD WHERE ID=:ID"),
                    {{QStringLiteral("PASSWD"), HashPassword(edLogin->text())},
                     {QStringLiteral("ID"), id}});
    dm->UpdateSysUser(id);
    dm->Curr_User_ID = id;
    dm->Curr_User_Name = name;
    Successful = true;
    accept();
}

void TfmLogin::SetModeForChangePasswd() {
    FChangePasswdMode = true;
    BitBtn1->hide();
    BitBtn3->show();
    BitBtn3->setDefault(true);
    cbLogin->hide();
    lbUser->setText(
        QStringLiteral("Hello %1, Please enter your new password").arg(dmMain()->Curr_User_Name));
    edLogin->setFocus();
}

void TfmLogin::ChangePasswdClick() {
    if (!ConfirmYesNo(QStringLiteral("Are you sure to change password?"))) return;
    dmMain()->ExecSQL(QStringLiteral("UPDATE SYS_USER SET PASSWD=:PASSWD WHERE ID=:ID"),
                      {{QStringLiteral("PASSWD"), HashPassword(edLogin->text())},
                       {QStringLiteral("ID"), dmMain()->Curr_User_ID}});
    accept();
}
