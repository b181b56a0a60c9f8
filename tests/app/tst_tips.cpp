// The tip of the day as a user meets it: after login when wanted, "Next >>"
// in turn and round again, the place and the choice kept per user, and the
// "Daily Tips" command.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "TestSupport.h"
#include "uDmMain.h"
#include "uLogin.h"
#include "uMain.h"
#include "uStartup.h"
#include "uTip.h"

namespace {

// Notes a tip window that is shown and closes it once its loop runs.
class TTipWatch : public QObject {
public:
    bool Shown = false;

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show)
            if (auto* t = qobject_cast<TfmTip*>(o)) {
                Shown = true;
                QMetaObject::invokeMethod(t, &QDialog::reject, Qt::QueuedConnection);
            }
        return false;
    }
};

}  // namespace

class TstTips : public QObject {
    Q_OBJECT

private:
    TProgramFixture FProgram;
    TfmMain* FMain = nullptr;
    TdmMain* FDm = nullptr;

    QString Value(const QString& sql) { return FDm->SelectValue(sql).toString(); }

    // "Change User" to code; tip works the tip window if it opens.
    bool ChangeUser(const QString& code, const std::function<void(TfmTip*)>& tip) {
        bool shown = false;
        OnNextModal([&](QWidget* w) {
            auto* dlg = qobject_cast<TfmLogin*>(w);
            QVERIFY(dlg);
            OnNextModal([&](QWidget* t) {
                auto* window = qobject_cast<TfmTip*>(t);
                if (!window) return;
                shown = true;
                tip(window);
                if (window->isVisible()) QTest::mouseClick(window->BitBtn2, Qt::LeftButton);
            });
            dlg->cbLogin->setCurrentIndex(dlg->cbLogin->findText(code));
            dlg->BitBtn1->click();
        });
        FMain->Command("System_Login")->trigger();
        return shown;
    }

private slots:
    void init() {
        QVERIFY(FProgram.Start());
        FMain = FProgram.Main();
        FDm = FProgram.Dm();
        FDm->ExecSQL(
            "INSERT INTO SYS_USER (ID, CODE, NAME, SHOWTIP, SYS_TIP_ID) VALUES (1, "
            "'ANN', 'Ann', 1, 5)");
    }

    void cleanup() { FProgram.Stop(); }

    // Tip 5 after login; "Next >>" twice and Close keep tip 7 for next time.
    void placeKept() {
        TScriptedMessages msgs;
        const QString tip5 = Value("SELECT SUBJECT FROM SYS_TIP WHERE ID=5");
        QVERIFY(ChangeUser("ANN", [&](TfmTip* t) {
            QCOMPARE(t->lbSubject->text(), tip5);
            QVERIFY(t->cbShowTip->isChecked());
            QTest::mouseClick(t->BitBtn1, Qt::LeftButton);
            QTest::mouseClick(t->BitBtn1, Qt::LeftButton);
        }));
        QCOMPARE(Value("SELECT SYS_TIP_ID || ',' || SHOWTIP FROM SYS_USER WHERE ID=1"),
                 QString("7,1"));
        QCOMPARE(msgs.Take(), QStringList());
    }

    // From the last tip "Next >>" shows the first; a stored tip that is
    // gone starts at the first.
    void roundAgain() {
        TScriptedMessages msgs;
        const QString last = Value("SELECT MAX(ID) FROM SYS_TIP");
        FDm->ExecSQL("UPDATE SYS_USER SET SYS_TIP_ID=" + last + " WHERE ID=1");
        const QString first = Value("SELECT SUBJECT FROM SYS_TIP WHERE ID=1");
        QVERIFY(ChangeUser("ANN", [&](TfmTip* t) {
            QTest::mouseClick(t->BitBtn1, Qt::LeftButton);
            QCOMPARE(t->lbSubject->text(), first);
        }));
        FDm->ExecSQL("UPDATE SYS_USER SET SYS_TIP_ID=999 WHERE ID=1");
        QVERIFY(ChangeUser("ANN", [&](TfmTip* t) { QCOMPARE(t->lbSubject->text(), first); }));
    }

    // Unticked: no tip at the next login; "Daily Tips" ticks it again.
    void turnedOffAndOn() {
        TScriptedMessages msgs;
        QVERIFY(ChangeUser("ANN", [&](TfmTip* t) {
            QTest::mouseClick(t->cbShowTip, Qt::LeftButton, {}, QPoint(5, 5));
            QVERIFY(!t->cbShowTip->isChecked());
        }));
        QCOMPARE(Value("SELECT SHOWTIP FROM SYS_USER WHERE ID=1"), QString("0"));
        // Logged in again: no tip window comes up.
        OnNextModal([&](QWidget* w) {
            auto* dlg = qobject_cast<TfmLogin*>(w);
            QVERIFY(dlg);
            dlg->cbLogin->setCurrentIndex(dlg->cbLogin->findText("ANN"));
            dlg->BitBtn1->click();
        });
        // The login shows the tip, if at all, before the command returns; one
        // that comes up is noted and closed so that the command can return.
        TTipWatch watch;
        qApp->installEventFilter(&watch);
        FMain->Command("System_Login")->trigger();
        qApp->removeEventFilter(&watch);
        QVERIFY(!watch.Shown);
        QCOMPARE(FDm->Curr_User_ID, 1);
        bool shown = false;
        OnNextModal([&](QWidget* w) {
            auto* t = qobject_cast<TfmTip*>(w);
            QVERIFY(t);
            shown = true;
            QVERIFY(t->cbShowTip->isChecked());
            QTest::mouseClick(t->BitBtn2, Qt::LeftButton);
        });
        FMain->Command("System_Tip")->trigger();
        QVERIFY(shown);
        QCOMPARE(Value("SELECT SHOWTIP FROM SYS_USER WHERE ID=1"), QString("1"));
    }

    // No tips at all: empty fields, and 0 kept as the place.
    void noTips() {
        TScriptedMessages msgs;
        FDm->ExecSQL("DELETE FROM SYS_TIP");
        QVERIFY(ChangeUser("ANN", [&](TfmTip* t) {
            QCOMPARE(t->lbSubject->text(), QString());
            QTest::mouseClick(t->BitBtn1, Qt::LeftButton);
        }));
        QCOMPARE(Value("SELECT SYS_TIP_ID FROM SYS_USER WHERE ID=1"), QString("0"));
        QCOMPARE(msgs.Take(), QStringList());
    }
};

QTEST_MAIN(TstTips)
#include "tst_tips.moc"
