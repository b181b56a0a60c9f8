// Edits not yet saved are never dropped without a question: the window's
// Close, the main window's close box, Systems -> Exit and Change User ask,
// and Yes saves, No drops, Cancel leaves everything as it was.

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TestSupport.h"
#include "uArTran.h"
#include "uCust.h"
#include "uDmMain.h"
#include "uLogin.h"
#include "uMain.h"
#include "uStartup.h"

using TAnswer = TMessageService::TAnswer;
Q_DECLARE_METATYPE(TMessageService::TAnswer)

class TstPending : public QObject {
    Q_OBJECT

private:
    static QString Ask(const QString& window) {
        return "The record being edited in [" + window + "] is not saved yet. Save it now?";
    }

private slots:
    void masterRow_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<TAnswer>("answer");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("left");  // the window (or the program) was left
        QTest::newRow("window Close, Yes") << "close" << TAnswer::Yes << false << "555-9" << true;
        QTest::newRow("window Close, Cancel")
            << "close" << TAnswer::Cancel << false << "555-0" << false;
        QTest::newRow("close box, No") << "closebox" << TAnswer::No << false << "555-0" << true;
        QTest::newRow("Exit, Yes") << "exit" << TAnswer::Yes << false << "555-9" << true;
        QTest::newRow("Exit, Yes, refused") << "exit" << TAnswer::Yes << true << "555-0" << false;
        QTest::newRow("Change User, Yes") << "login" << TAnswer::Yes << false << "555-9" << true;
        QTest::newRow("Change User, Cancel")
            << "login" << TAnswer::Cancel << false << "555-0" << false;
    }

    void masterRow() {
        QFETCH(QString, path);
        QFETCH(TAnswer, answer);
        QFETCH(bool, refused);
        QFETCH(QString, stored);
        QFETCH(bool, left);
        TTestFolder folder;
        TScriptedMessages msgs;
        LoginAs("ADMIN");
        TStartup startup;
        QVERIFY(startup.Start());
        TfmMain& m = *startup.fmMain;
        TdmMain& dm = *startup.dmMain;
        dm.ExecSQL(
            "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, PHONENO, SYS_TREEVIEW_ID) "
            "VALUES (1, 'Acme', 'Acme Trading', '555-0', 2)");
        if (refused) {
            dm.SQLConn_Main.ExecuteImmediate("CREATE EXCEPTION E_PHONE 'Phone refused'");
            dm.SQLConn_Main.ExecuteImmediate(
                "CREATE TRIGGER AR_ACCT_PHONE FOR AR_ACCT BEFORE UPDATE AS BEGIN "
                "IF (NEW.PHONENO = '555-9') THEN EXCEPTION E_PHONE; END");
        }
        m.Command("CustRelation_Cust")->trigger();
        TfmCust* w = m.fmCust;
        QCOMPARE(w->Child_CDS->RecordCount(), 1);
        QLineEdit* phone = static_cast<QLineEdit*>(EditorOf(w, "PHONENO"));
        phone->setFocus();
        QTest::keyClick(phone, Qt::Key_Backspace);
        QTest::keyClicks(phone, "9");
        QVERIFY(w->Child_DS->Editing());

        msgs.Choices = {answer};
        if (path == "close") {
            QTest::mouseClick(w->Part<QToolButton>("btnClose"), Qt::LeftButton);
        } else if (path == "frame") {
            w->parentWidget()->close();  // the child window frame's own close box, or Ctrl+W
        } else if (path == "closebox") {
            m.close();
        } else if (path == "exit") {
            m.Command("System_Exit")->trigger();
        } else if (path == "login") {
            if (answer == TAnswer::Yes) LoginAs("ADMIN");
            m.Command("System_Login")->trigger();
        }
        QStringList shown = msgs.Take();
        QVERIFY(!shown.isEmpty());
        QCOMPARE(shown.takeFirst(), Ask("Customers"));
        if (refused) QVERIFY(!shown.isEmpty() && shown.first().contains("Phone refused"));
        QCOMPARE(dm.SelectValue("SELECT PHONENO FROM AR_ACCT").toString(), stored);

        if (path == "close" || path == "frame") QCOMPARE(m.BottomButtons().isEmpty(), left);
        if (path == "frame") {
            // The window lives on, and comes up again through its command.
            m.Command("CustRelation_Cust")->trigger();
            QCOMPARE(m.FrontWindow(), w);
            QCOMPARE(w->Child_CDS->RecordCount(), 1);
        }
        if (path == "closebox" || path == "exit") QCOMPARE(!m.isVisible(), left);
        if (!left) {
            // Everything as it was: still editing, the typing still there.
            QVERIFY(w->Child_DS->Editing());
            QCOMPARE(phone->text(), QString("555-9"));
        } else if (answer == TAnswer::No) {
            QCOMPARE(w->Child_CDS->FieldByName("PHONENO")->AsString(), QString("555-0"));
        }
        // Nothing left to ask about on the way out of the test.
        if (w->Child_DS->Editing()) w->Command("Child_Cancel")->trigger();
    }

    // The running program with a saved invoice on its Items sheet and a new
    // line being typed.
    static TfmArTran* NewLineOnNewInvoice(TStartup& startup) {
        TfmMain& m = *startup.fmMain;
        startup.dmMain->ExecSQL(
            "INSERT INTO AR_ACCT (ID, NICKNAME, NAME) VALUES (1, 'Acme', 'Acme Trading')");
        m.Command("Ar_Tran")->trigger();
        TfmArTran* w = m.fmArTran;
        w->Command("Child_New")->trigger();
        w->Child_CDS->FieldByName("AR_ACCT_ID")->SetValue(1);
        w->Command("Child_Save")->trigger();
        w->Pages()->setCurrentWidget(w->Part<QWidget>("pgTsItems"));
        QTest::mouseClick(w->Part<QToolButton>("ItemBtnNew2"), Qt::LeftButton);
        return w;
    }

    // A value the column refuses stops the save that Yes asks for: the
    // program stays, with the typing.
    void refusedValueKeepsTheProgram() {
        TTestFolder folder;
        TScriptedMessages msgs;
        LoginAs("ADMIN");
        TStartup startup;
        QVERIFY(startup.Start());
        TfmArTran* w = NewLineOnNewInvoice(startup);
        Retype(EditorOf(w, "QTY", w->Sub_DS), "4999999999");
        msgs.Choices = {TAnswer::Yes};
        startup.fmMain->Command("System_Exit")->trigger();
        const QStringList shown = msgs.Take();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0], Ask("Invoices"));
        QVERIFY2(shown[1].startsWith("[Qty] The value is out of range"), qPrintable(shown[1]));
        QVERIFY(startup.fmMain->isVisible());
        QVERIFY(w->Sub_DS->Editing());
        QCOMPARE(static_cast<QLineEdit*>(EditorOf(w, "QTY", w->Sub_DS))->text(),
                 QString("4999999999"));
        QCOMPARE(startup.dmMain->SelectValue("SELECT COUNT(*) FROM AR_TRANITEM").toInt(), 0);
        w->Part<QToolButton>("itemBtnCancel")->click();
    }

    // A line being edited on the invoice: Yes saves it (and the invoice
    // first), so that Exit loses nothing.
    void detailLine() {
        TTestFolder folder;
        TScriptedMessages msgs;
        LoginAs("ADMIN");
        TStartup startup;
        QVERIFY(startup.Start());
        TfmArTran* w = NewLineOnNewInvoice(startup);
        QCOMPARE(msgs.Take(), QStringList());
        QVERIFY(w->Sub_DS->Editing());
        QTest::keyClicks(EditorOf(w, "ITEMDESC", w->Sub_DS), "Gift box");
        msgs.Choices = {TAnswer::Yes};
        startup.fmMain->Command("System_Exit")->trigger();
        QCOMPARE(msgs.Take(), QStringList{Ask("Invoices")});
        QVERIFY(!startup.fmMain->isVisible());
        QCOMPARE(startup.dmMain->SelectValue("SELECT ITEMDESC FROM AR_TRANITEM").toString(),
                 QString("Gift box"));
    }
};

QTEST_MAIN(TstPending)
#include "tst_pending.moc"
