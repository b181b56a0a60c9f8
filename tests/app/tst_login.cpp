// Login, change password and Change User through the real dialog and the
// real database.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "TestSupport.h"
#include "uDefault.h"
#include "uDmMain.h"
#include "uLogin.h"
#include "uMain.h"
#include "uPassword.h"

namespace {
const QString Disabled = QString::fromUtf8(
    "This user account has been set as \u201CDisabled\u201D, Please contact system administrator.");
}

class TstLogin : public QObject {
    Q_OBJECT

private:
    TDbFixture F;

    // Types code and password into a fresh dialog and presses Login.
    bool TryLogin(const QString& code, const QString& password, bool select = false) {
        TfmLogin dlg;
        dlg.Prepare();
        if (select) {
            dlg.cbLogin->setCurrentIndex(dlg.cbLogin->findText(code));
        } else {
            dlg.cbLogin->setEditText(code);
        }
        dlg.edLogin->setText(password);
        dlg.BitBtn1->click();
        return dlg.Successful;
    }

    QVariant UserValue(const QString& field, int id) {
        return F.Dm().SelectValue(
            QString("SELECT %1 FROM SYS_USER WHERE ID=%2").arg(field).arg(id));
    }

private slots:
    void initTestCase() {
        F.Start();
        const char* rows[] = {
            "INSERT INTO SYS_USER (ID, CODE, NAME, PASSWD, DISABLED) VALUES (1, 'ANN', 'Ann', "
            "'secret', 2)",
            "INSERT INTO SYS_USER (ID, CODE, NAME, PASSWD, DISABLED) VALUES (2, 'BEN', 'Ben', '', "
            "0)",
            "INSERT INTO SYS_USER (ID, CODE, NAME, PASSWD, DISABLED) VALUES (3, 'CAL', 'Cal', "
            "NULL, NULL)",
            "INSERT INTO SYS_USER (ID, CODE, NAME, PASSWD, DISABLED) VALUES (4, 'DOT', 'Dot', 'x', "
            "1)",
            "INSERT INTO SYS_USER (ID, CODE, NAME, LOGINS) VALUES (5, 'NUL', 'Nul', NULL)",
            // A user made by the program gets the column default.
            "INSERT INTO SYS_USER (ID, CODE, NAME) VALUES (6, 'NEW', 'New')",
            "INSERT INTO SYS_USER (ID, CODE, NAME) VALUES (7, 'OLD', 'Old')"};
        for (const char* sql : rows) F.Dm().ExecSQL(sql);
    }

    void cleanupTestCase() { F.Stop(); }

    void outcomes_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("message");
        QTest::newRow("admin, no password") << "ADMIN"
                                            << "" << true << "";
        QTest::newRow("password") << "ANN"
                                  << "secret" << true << "";
        QTest::newRow("password case") << "ANN"
                                       << "SECRET" << false << "Invalid Password";
        QTest::newRow("wrong password") << "ANN"
                                        << "" << false << "Invalid Password";
        QTest::newRow("empty password, disabled 0") << "BEN"
                                                    << "" << true << "";
        QTest::newRow("null password, disabled null") << "CAL"
                                                      << "" << true << "";
        QTest::newRow("disabled 1") << "DOT"
                                    << "x" << false << Disabled;
        QTest::newRow("code case") << "ann"
                                   << "secret" << false << "Locate failed";
        QTest::newRow("unknown code") << "ZZZ"
                                      << "" << false << "Locate failed";
        QTest::newRow("trailing blank") << "ANN "
                                        << "secret" << false << "Locate failed";
        QTest::newRow("quote in code") << "O'X"
                                       << "" << false << "Locate failed";
    }

    void outcomes() {
        QFETCH(QString, code);
        QFETCH(QString, password);
        QFETCH(bool, ok);
        QFETCH(QString, message);
        TScriptedMessages msgs;
        F.Dm().Curr_User_ID = -1;
        QCOMPARE(TryLogin(code, password), ok);
        QCOMPARE(msgs.Take(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!ok) {
            QCOMPARE(F.Dm().Curr_User_ID, -1);
            return;
        }
        const int id =
            F.Dm().SelectValue("SELECT ID FROM SYS_USER WHERE CODE=:C", {{"C", code}}).toInt();
        QCOMPARE(F.Dm().Curr_User_ID, id);
        QCOMPARE(F.Dm().Curr_User_Name, UserValue("NAME", id).toString());
        QCOMPARE(UserValue("LASTDATE", id).toDate(), QDate::currentDate());
        QVERIFY(UserValue("LASTTIME", id).isValid());
    }

    // What an account's stored text opens, typed in the login box: a plain
    // password of an older database that looks like a key opens with
    // exactly that text; keys open with their password only. Each stored
    // text not in today's form is replaced by the key of what was typed.
    void storedForms_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("ok");
        const QString keyLike = "$p2$c2FsdHNhbHRzYWx0$a2V5a2V5a2V5a2V5a2V5a2V5a2V5a2V5";
        QTest::newRow("older plain, key-like") << keyLike << keyLike << true;
        QTest::newRow("older plain, key-like, wrong") << keyLike << "x" << false;
        QTest::newRow("older plain") << "pa$$word"
                                     << "pa$$word" << true;
        const QString key = HashPassword("pw");
        QTest::newRow("key") << key << "pw" << true;
        QTest::newRow("key, wrong") << key << "pW" << false;
        QTest::newRow("key typed as stored") << key << key.trimmed() << false;
        const QString earlier = key.trimmed();  // an earlier release's form
        QTest::newRow("earlier key") << earlier << "pw" << true;
        QTest::newRow("earlier key, wrong") << earlier << "p" << false;
    }

    void storedForms() {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, ok);
        TScriptedMessages msgs;
        F.Dm().ExecSQL("UPDATE SYS_USER SET PASSWD=:P WHERE ID=7", {{"P", stored}});
        TfmLogin dlg;
        dlg.Prepare();
        dlg.show();
        dlg.cbLogin->setCurrentIndex(dlg.cbLogin->findText("OLD"));
        QTest::keyClicks(dlg.edLogin, typed);
        QTest::mouseClick(dlg.BitBtn1, Qt::LeftButton);
        QCOMPARE(dlg.Successful, ok);
        QCOMPARE(msgs.Take(), ok ? QStringList() : QStringList{"Invalid Password"});
        const QString now = UserValue("PASSWD", 7).toString();
        if (!ok) {
            QCOMPARE(now, stored);
            return;
        }
        QVERIFY(IsHashedPassword(now));
        QVERIFY(PasswordMatches(now, typed));
        QVERIFY(!PasswordMatches(now, now.trimmed()));
        // And it opens again with the same text.
        TfmLogin again;
        again.Prepare();
        again.cbLogin->setCurrentIndex(again.cbLogin->findText("OLD"));
        QTest::keyClicks(again.edLogin, typed);
        QTest::mouseClick(again.BitBtn1, Qt::LeftButton);
        QVERIFY(again.Successful);
    }

    void messageKinds() {
        TScriptedMessages msgs;
        TryLogin("nobody", "");
        TryLogin("DOT", "x");
        TryLogin("ANN", "no");
        QCOMPARE(msgs.Shown.size(), 3);
        QCOMPARE(msgs.Shown[0].Kind, TMessageService::TKind::Error);
        QCOMPARE(msgs.Shown[1].Kind, TMessageService::TKind::Information);
        QCOMPARE(msgs.Shown[2].Kind, TMessageService::TKind::Information);
    }

    void loginCounts() {
        TScriptedMessages msgs;
        const int before = UserValue("LOGINS", 1).toInt();
        QVERIFY(TryLogin("ANN", "secret", true));
        QCOMPARE(UserValue("LOGINS", 1).toInt(), before + 1);
        // Null + 1 is null in the database: the count stays null.
        QVERIFY(TryLogin("NUL", ""));
        QVERIFY(!UserValue("LOGINS", 5).isValid());
        // Mended: a new user's count starts at 0, so that it counts.
        QVERIFY(TryLogin("NEW", ""));
        QCOMPARE(UserValue("LOGINS", 6).toInt(), 1);
    }

    // With nothing selected, Login checks the first listed user: the admin.
    void noSelectionTakesFirst() {
        TScriptedMessages msgs;
        TfmLogin dlg;
        dlg.Prepare();
        QCOMPARE(dlg.cbLogin->itemText(0), QString("ADMIN"));
        QCOMPARE(dlg.cbLogin->currentIndex(), 0);
        dlg.cbLogin->setCurrentIndex(-1);
        dlg.BitBtn1->click();
        QVERIFY(dlg.Successful);
        QCOMPARE(dlg.cbLogin->currentText(), QString("ADMIN"));
        QCOMPARE(F.Dm().Curr_User_ID, 0);
    }

    void enterInPasswordBoxLogsIn() {
        TScriptedMessages msgs;
        TfmLogin dlg;
        dlg.Prepare();
        QTest::keyClick(dlg.edLogin, Qt::Key_Return);
        QVERIFY(dlg.Successful);
        QCOMPARE(dlg.windowTitle(), QString("Login"));
        QCOMPARE(dlg.edLogin->echoMode(), QLineEdit::Password);
    }

    // Enter in the password box of the shown dialog runs the command once:
    // one message for a wrong password, one question when changing it.
    void enterRunsOnce() {
        TScriptedMessages msgs;
        {
            TfmLogin dlg;
            dlg.Prepare();
            dlg.show();
            dlg.cbLogin->setCurrentIndex(dlg.cbLogin->findText("ANN"));
            QTest::keyClicks(dlg.edLogin, "wrong");
            QTest::keyClick(dlg.edLogin, Qt::Key_Return);
            QCOMPARE(msgs.Take(), QStringList{"Invalid Password"});
            QVERIFY(!dlg.Successful);
            const int logins = UserValue("LOGINS", 1).toInt();
            dlg.edLogin->clear();
            QTest::keyClicks(dlg.edLogin, "secret");
            QTest::keyClick(dlg.edLogin, Qt::Key_Enter, Qt::KeypadModifier);
            QVERIFY(dlg.Successful);
            QCOMPARE(UserValue("LOGINS", 1).toInt(), logins + 1);  // counted once
            QVERIFY(msgs.Shown.isEmpty());
        }
        TfmLogin dlg;
        dlg.SetModeForChangePasswd();
        dlg.show();
        QTest::keyClicks(dlg.edLogin, "n3w");
        msgs.Answers = {false};
        QTest::keyClick(dlg.edLogin, Qt::Key_Return);
        QCOMPARE(msgs.Take(), QStringList{"Are you sure to change password?"});
        QVERIFY(dlg.isVisible());
        // Declined: still the password of the login (stored as its hash since).
        QVERIFY(PasswordMatches(UserValue("PASSWD", 1).toString(), "secret"));
    }

    void changePassword() {
        TScriptedMessages msgs;
        QVERIFY(TryLogin("BEN", ""));
        {
            TfmLogin dlg;
            dlg.SetModeForChangePasswd();
            QVERIFY(dlg.BitBtn1->isHidden());
            QVERIFY(!dlg.BitBtn3->isHidden());
            QVERIFY(dlg.cbLogin->isHidden());
            QCOMPARE(dlg.lbUser->text(), QString("Hello Ben, Please enter your new password"));
            dlg.edLogin->setText("n3w");
            msgs.Answers = {false};
            dlg.BitBtn3->click();
            QCOMPARE(msgs.Take(), QStringList{"Are you sure to change password?"});
            QCOMPARE(UserValue("PASSWD", 2).toString(), QString(""));
            msgs.Answers = {true};
            dlg.BitBtn3->click();
            const QString stored = UserValue("PASSWD", 2).toString();
            QVERIFY(stored != "n3w" && IsHashedPassword(stored));
            QVERIFY(PasswordMatches(stored, "n3w"));
        }
        QVERIFY(!TryLogin("BEN", ""));
        QVERIFY(TryLogin("BEN", "n3w"));
        // An empty new password makes an empty password box log in again.
        {
            TfmLogin dlg;
            dlg.SetModeForChangePasswd();
            dlg.BitBtn3->click();
        }
        msgs.Take();
        QVERIFY(TryLogin("BEN", ""));
        QVERIFY(msgs.Shown.isEmpty());
    }

    // Change User: a cancelled login keeps the old user and everything else.
    void changeUser() {
        TScriptedMessages msgs;
        TfmMain main;
        auto* home = new TfmDefault;
        main.SetDefaultChild(home);
        QVERIFY(TryLogin("ANN", "secret"));
        main.LoginFinalize();
        QCOMPARE(home->lbChildName->text(), QString("Welcome, Ann"));
        QVERIFY(main.windowTitle().startsWith("Tallyvo"));

        OnNextModal([](QWidget* w) {
            auto* dlg = qobject_cast<TfmLogin*>(w);
            QVERIFY(dlg);
            dlg->BitBtn2->click();  // Cancel
        });
        main.System_LoginExecute();
        QCOMPARE(F.Dm().Curr_User_ID, 1);
        QCOMPARE(home->lbChildName->text(), QString("Welcome, Ann"));

        OnNextModal([](QWidget* w) {
            auto* dlg = qobject_cast<TfmLogin*>(w);
            QVERIFY(dlg);
            dlg->cbLogin->setCurrentIndex(dlg->cbLogin->findText("CAL"));
            dlg->BitBtn1->click();
        });
        main.System_LoginExecute();
        QCOMPARE(F.Dm().Curr_User_ID, 3);
        QCOMPARE(home->lbChildName->text(), QString("Welcome, Cal"));
        QVERIFY(msgs.Shown.isEmpty());
    }
};

QTEST_MAIN(TstLogin)
#include "tst_login.moc"
