// What a column cannot hold is refused, never wrapped or cut: numbers typed
// into the invoice line, amounts derived from them, and long texts pasted
// into memos, driven through the real windows against the real engine.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

#include "TClientDataSet.h"
#include "TestSupport.h"
#include "uArTran.h"
#include "uCust.h"
#include "uDmMain.h"
#include "uPnDbEdit.h"
#include "uPnDbMemo.h"
#include "uUserTodo.h"

namespace {

const QString MoneyRange = "-922337203685477.5808 and 922337203685477.5807";

QLineEdit* EditOf(QWidget* w, const QString& field) {
    auto* pn = w->findChild<TPnDbEdit*>("pn" + field);
    return pn ? pn->Edit() : nullptr;
}

// Replaces a memo's text by pasting: select all, then paste.
void Paste(QPlainTextEdit* memo, const QString& text) {
    QApplication::clipboard()->setText(text);
    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(memo, Qt::Key_V, Qt::ControlModifier);
}

// A text of that many characters, not all alike, so that a cut shows.
QString LongText(int length) {
    QString s;
    s.reserve(length);
    for (int i = 0; s.size() < length; ++i) s += QString::number(i % 10);
    return s;
}

}  // namespace

class TstLimits : public QObject {
    Q_OBJECT

private:
    TDbFixture F;

    int LineCount() { return F.Dm().SelectValue("SELECT COUNT(*) FROM AR_TRANITEM").toInt(); }

    // An invoice saved through the window, its line tab shown and a new line started.
    std::unique_ptr<TfmArTran> NewLine(int cust) {
        auto w = OpenBrowser<TfmArTran>();
        w->Command("Child_New")->trigger();
        w->Child_CDS->FieldByName("AR_ACCT_ID")->SetValue(cust);
        w->Command("Child_Save")->trigger();
        w->activateWindow();
        if (!QTest::qWaitForWindowActive(w.get())) qWarning("window not active");
        w->Pages()->setCurrentWidget(w->Part<QWidget>("pgTsItems"));
        QTest::mouseClick(w->Part<QToolButton>("ItemBtnNew"), Qt::LeftButton);
        return w;
    }

private slots:
    void init() {
        F.Start();
        F.Dm().ExecSQL("INSERT INTO SYS_TAX (ID, NAME, RATE, INCLUSIVE) VALUES (7, 'Seven', 7, 0)");
        F.Dm().ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME, SYS_TAX_ID) VALUES (1, 'Taxed', 7)");
        F.Dm().ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME) VALUES (2, 'Plain')");
    }

    void cleanup() { F.Stop(); }

    // A number the column (or the line amount derived from it) cannot hold
    // is refused as it is typed and again at Save; the text stays for a
    // correction and nothing reaches the database.
    void typedNumberOutOfRange_data() {
        QTest::addColumn<QString>("price");  // typed first, when given
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("integer")
            << ""
            << "QTY"
            << "99999999999"
            << "[Qty] The value is out of range: it must lie between -2147483648 and 2147483647.";
        QTest::newRow("below the integers")
            << ""
            << "QTY"
            << "-3000000000"
            << "[Qty] The value is out of range: it must lie between -2147483648 and 2147483647.";
        QTest::newRow("money") << ""
                               << "PRICE"
                               << "999999999999999"
                               << "[Price] The value is out of range: it must lie between " +
                                      MoneyRange + ".";
        QTest::newRow("line amount")
            << "99999999999999"
            << "QTY"
            << "1000"
            << "[Qty] The line amount would be out of range: it must lie between " + MoneyRange +
                   ".";
    }

    void typedNumberOutOfRange() {
        QFETCH(QString, price);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        TScriptedMessages msgs;
        auto w = NewLine(2);
        if (!price.isEmpty()) Retype(EditOf(w.get(), "PRICE"), price);
        QCOMPARE(msgs.Take(), QStringList());

        QLineEdit* edit = EditOf(w.get(), field);
        Retype(edit, typed);
        // Marked as it is typed, without a box that would take the next keys;
        // told when the box is left, once.
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(edit->toolTip(), message);
        QCOMPARE(edit->text(), typed);
        QTest::keyClick(edit, Qt::Key_Tab);
        QCOMPARE(msgs.Take(), QStringList{message});
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Tab);
        QCOMPARE(msgs.Take(), QStringList());

        QTest::mouseClick(w->Part<QToolButton>("ItemBtnSave"), Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList{message});
        QCOMPARE(LineCount(), 0);
        QCOMPARE(edit->text(), typed);
        QVERIFY(w->Sub_CDS->State() == TDataSetState::Insert);

        // Corrected, the line saves.
        Retype(edit, "5");
        QTest::mouseClick(w->Part<QToolButton>("ItemBtnSave"), Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(F.Value("SELECT CAST(" + field + " AS VARCHAR(30)) FROM AR_TRANITEM"),
                 field == "QTY" ? QString("5") : QString("5.0000"));
    }

    // What is typed into a number box is taken as typed or refused with a
    // message, the typing kept; it is never read as another number. A
    // negative price is a credit line; a discount lies between 0 and 100 %.
    void typedNumbersTakenOrRefused_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");  // empty: taken
        QTest::addColumn<QString>("stored");   // PRICE|DISCTRATE|QTY|AMOUNT once saved
        QTest::newRow("negative price") << "PRICE"
                                        << "-5"
                                        << ""
                                        << "-5.0000|0.0000|1|-5.0000";
        QTest::newRow("discount") << "DISCTRATE"
                                  << "12.5"
                                  << ""
                                  << "10.0000|12.5000|1|8.7500";
        QTest::newRow("exponent in the discount") << "DISCTRATE"
                                                  << "1e308"
                                                  << "[Disc %] \"1e308\" is not a number."
                                                  << "";
        QTest::newRow("discount above 100")
            << "DISCTRATE"
            << "150"
            << "[Disc %] The value is out of range: it must lie between 0 and 100."
            << "";
        QTest::newRow("negative discount")
            << "DISCTRATE"
            << "-5"
            << "[Disc %] The value is out of range: it must lie between 0 and 100."
            << "";
        QTest::newRow("letters in the price") << "PRICE"
                                              << "5x.5"
                                              << "[Price] \"5x.5\" is not a number."
                                              << "";
        QTest::newRow("fraction of a quantity") << "QTY"
                                                << "1.5"
                                                << "[Qty] \"1.5\" is not a whole number."
                                                << "";
        QTest::newRow("more decimals than the price keeps")
            << "PRICE"
            << "1.23456"
            << "[Price] \"1.23456\" has more decimals than fit: at most 4."
            << "";
    }

    void typedNumbersTakenOrRefused() {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, stored);
        TScriptedMessages msgs;
        auto w = NewLine(2);
        if (field != "PRICE") Retype(EditOf(w.get(), "PRICE"), "10");
        QLineEdit* edit = EditOf(w.get(), field);
        Retype(edit, typed);
        QCOMPARE(edit->text(), typed);
        QTest::keyClick(edit, Qt::Key_Tab);
        QCOMPARE(msgs.Take(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty()) QCOMPARE(edit->text(), typed);
        QTest::mouseClick(w->Part<QToolButton>("ItemBtnSave"), Qt::LeftButton);
        QCOMPARE(msgs.Take(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty()) {
            QCOMPARE(LineCount(), 0);
            QCOMPARE(edit->text(), typed);
            return;
        }
        QCOMPARE(
            F.Value("SELECT CAST(PRICE AS VARCHAR(30)) || '|' || CAST(DISCTRATE AS NUMERIC(9, 4)) "
                    "|| '|' || QTY || "
                    "'|' || CAST(AMOUNT AS VARCHAR(30)) FROM AR_TRANITEM"),
            stored);
    }

    // Lines the money range holds, whose total with tax it does not: saving
    // the line is refused with a message, and the line stays as typed.
    void invoiceTotalsOutOfRange() {
        TScriptedMessages msgs;
        auto w = NewLine(1);  // 7 % on top
        const int id = w->Child_CDS->FieldByName("ID")->AsInteger();
        Retype(EditOf(w.get(), "PRICE"), "90000000000000");
        Retype(EditOf(w.get(), "QTY"), "10");
        QCOMPARE(w->Sub_CDS->FieldByName("AMOUNT")->AsString(), QString("900000000000000.0000"));
        QTest::mouseClick(w->Part<QToolButton>("ItemBtnSave"), Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList{"The invoice totals would be out of range: it must lie "
                                          "between " +
                                          MoneyRange + "."});
        QCOMPARE(LineCount(), 0);
        QCOMPARE(F.Value(QString("SELECT COALESCE(CAST(AMTTOTAL AS VARCHAR(30)), 'none') FROM "
                                 "AR_TRAN WHERE ID=%1")
                             .arg(id)),
                 QString("0.0000"));
        QCOMPARE(EditOf(w.get(), "QTY")->text(), QString("10"));
        QVERIFY(w->Sub_CDS->State() == TDataSetState::Edit);
    }

    // A text longer than 32,767 bytes pasted into a memo: a memo on a text
    // blob stores it whole; one on a column of 1,000 characters is refused
    // with the database's message, never stored cut, and keeps the text.
    void longTextsInMemos() {
        TScriptedMessages msgs;
        TfmUserTodo todo;
        todo.resize(800, 600);
        todo.show();
        todo.ShowTasksOf(0);
        todo.Command("Child_New")->trigger();
        QTest::keyClicks(todo.pnSubject->Edit(), "Long");
        const QString text = LongText(70000);
        Paste(qobject_cast<QPlainTextEdit*>(todo.pnContent->Editor()), text);
        todo.Command("Child_Save")->trigger();
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(F.Value("SELECT CHAR_LENGTH(CONTENT) FROM SYS_USER_TODO WHERE SUBJECT='Long'"),
                 QString("70000"));
        QVERIFY(F.Value("SELECT CONTENT FROM SYS_USER_TODO WHERE SUBJECT='Long'") == text);

        F.Dm().ExecSQL(
            "UPDATE AR_ACCT SET REMARKS='as it was', SYS_TREEVIEW_ID=(SELECT ID FROM SYS_TREEVIEW "
            "WHERE TABLENAME='AR_ACCT' AND CAPTION='General') WHERE ID=2");
        auto w = OpenBrowser<TfmCust>();
        QVERIFY(w->Child_CDS->Locate("ID", 2));
        w->Pages()->setCurrentWidget(w->Part<QWidget>("pgTs1"));
        auto* memo = qobject_cast<QPlainTextEdit*>(w->pnRemarks->Editor());
        const QString tooLong = LongText(66036);  // was stored cut to 500 characters
        Paste(memo, tooLong);
        w->Command("Child_Save")->trigger();
        const QStringList shown = msgs.Take();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0],
                 QString("[Remarks] The text is too long: at most 1000 characters fit, 66036 "
                         "were given."));
        QCOMPARE(F.Value("SELECT REMARKS FROM AR_ACCT WHERE ID=2"), QString("as it was"));
        QVERIFY(memo->toPlainText() == tooLong);
        QVERIFY(w->Child_CDS->State() == TDataSetState::Edit);
    }
};

QTEST_MAIN(TstLimits)
#include "tst_limits.moc"
