// What lands in the database when people use the windows: an invoice line
// and its totals commit together, a line is stored beside its saved invoice
// only, two users adding lines to one invoice get distinct line numbers,
// marked rows stay the rows marked, a refused and corrected row is a whole
// row, and another user's change is never overwritten unseen.

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <atomic>
#include <thread>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TestSupport.h"
#include "uArTran.h"
#include "uCust.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uPnDbEdit.h"
#include "uTreeView.h"

namespace {

// Clicks a command of the window's tool bar as a user does.
void Click(TfmChild* w, QAction* a) {
    QWidget* b = w->Part<QToolBar>("ToolBar2")->widgetForAction(a);
    QVERIFY(b && b->isEnabled());
    QTest::mouseClick(b, Qt::LeftButton);
}

}  // namespace

class TstIntegrity : public QObject {
    Q_OBJECT

private:
    TDbFixture F;

    // A new invoice of customer 1 saved through the window, on its Items sheet.
    std::unique_ptr<TfmArTran> InvoiceWindow() {
        auto w = OpenBrowser<TfmArTran>();
        Click(w.get(), w->Command("Child_New"));
        w->Child_CDS->FieldByName("AR_ACCT_ID")->SetValue(1);
        Click(w.get(), w->Command("Child_Save"));
        w->Pages()->setCurrentWidget(w->Part<QWidget>("pgTsItems"));
        return w;
    }

    // Types a line as a user does and clicks Save.
    void TypeLine(TfmArTran* w, const QString& qty, const QString& price) {
        QTest::mouseClick(w->Part<QToolButton>("ItemBtnNew2"), Qt::LeftButton);
        Retype(EditorOf(w, "QTY", w->Sub_DS), qty);
        Retype(EditorOf(w, "PRICE", w->Sub_DS), price);
        QTest::mouseClick(w->Part<QToolButton>("ItemBtnSave"), Qt::LeftButton);
    }

    // The stored totals agree with the stored lines and the stored tax code.
    void CheckTotals(int invoice) {
        TMoney total, tax, goods;
        const int taxId =
            F.Dm()
                .SelectValue("SELECT SYS_TAX_ID FROM AR_TRAN WHERE ID=" + QString::number(invoice))
                .toInt();
        F.Dm().CalcArTranTax(invoice, taxId, total, tax, goods);
        QCOMPARE(F.Value("SELECT AMTGOODS||'|'||AMTTAX||'|'||AMTTOTAL FROM AR_TRAN WHERE ID=" +
                         QString::number(invoice)),
                 goods.ToString() + "|" + tax.ToString() + "|" + total.ToString());
    }

    // "Move to Folder" of the marked rows, the folder chosen in its picker.

private slots:
    void init() {
        F.Start();
        F.Dm().ExecSQL("INSERT INTO SYS_TAX (ID, NAME, RATE, INCLUSIVE) VALUES (7, 'Seven', 7, 0)");
        F.Dm().ExecSQL("INSERT INTO SYS_TAX (ID, NAME, RATE, INCLUSIVE) VALUES (8, 'Ten', 10, 0)");
        F.Dm().ExecSQL(
            "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, SYS_TAX_ID, PRICENO, DISCTRATE, "
            "SYS_TREEVIEW_ID) VALUES (1, 'Acme', 'Acme Trading', 7, 0, 0, 2)");
        F.Dm().ExecSQL("ALTER SEQUENCE AR_ACCT_ID_GEN RESTART WITH 10");
    }

    void cleanup() { F.Stop(); }

    // The totals are written in the line's transaction: when they cannot be
    // written, the line is not stored either, and the user's line stays to
    // be corrected; once saved it is a whole row that can be changed again.
    void lineAndTotalsCommitTogether() {
        TScriptedMessages msgs;
        F.Dm().SQLConn_Main.ExecuteImmediate("CREATE EXCEPTION E_TOTAL 'Total over the limit'");
        F.Dm().SQLConn_Main.ExecuteImmediate(
            "CREATE TRIGGER AR_TRAN_LIMIT FOR AR_TRAN BEFORE UPDATE AS BEGIN "
            "IF (NEW.AMTTOTAL > 1000) THEN EXCEPTION E_TOTAL; END");
        auto w = InvoiceWindow();
        const QString id = w->Child_CDS->FieldByName("ID")->AsString();
        QCOMPARE(msgs.Take(), QStringList());
        TypeLine(w.get(), "200", "10");
        const QStringList shown = msgs.Take();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains("Total over the limit"), qPrintable(shown[0]));
        QCOMPARE(F.Value("SELECT COUNT(*) FROM AR_TRANITEM"), QString("0"));
        QCOMPARE(F.Value("SELECT AMTTOTAL FROM AR_TRAN WHERE ID=" + id), QString("0.0000"));
        // Still the user's line, as typed.
        QCOMPARE(w->Sub_CDS->State(), TDataSetState::Edit);
        QCOMPARE(static_cast<QLineEdit*>(EditorOf(w.get(), "QTY", w->Sub_DS))->text(),
                 QString("200"));

        Retype(EditorOf(w.get(), "QTY", w->Sub_DS), "20");
        QTest::mouseClick(w->Part<QToolButton>("ItemBtnSave"), Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(F.Value("SELECT QTY FROM AR_TRANITEM"), QString("20"));
        CheckTotals(id.toInt());
        QCOMPARE(w->Child_CDS->FieldByName("AMTTOTAL")->AsString(), QString("214.0000"));
        // The line saved on the second try carries its key: it can be changed.
        QVERIFY(!w->Sub_CDS->FieldByName("ID")->IsNull());
        Retype(EditorOf(w.get(), "QTY", w->Sub_DS), "30");
        QTest::mouseClick(w->Part<QToolButton>("ItemBtnSave"), Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(F.Value("SELECT QTY FROM AR_TRANITEM"), QString("30"));
        CheckTotals(id.toInt());
    }

    // A line saved while the invoice's own edits are pending saves them first,
    // so that Cancel afterwards cannot leave totals of a tax code that is not
    // the stored one.
    void headerSavedBeforeLine() {
        TScriptedMessages msgs;
        auto w = InvoiceWindow();
        const int id = w->Child_CDS->FieldByName("ID")->AsInteger();
        TypeLine(w.get(), "1", "100");
        w->Child_CDS->FieldByName("SYS_TAX_ID")->SetValue(8);  // picked, not yet saved
        Retype(EditorOf(w.get(), "REF1"), "PO 4411");
        TypeLine(w.get(), "1", "100");
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(w->Sub_CDS->FieldByName("LINE")->AsInteger(), 2);  // the line just saved
        QVERIFY(!w->Child_DS->Editing());
        QVERIFY(
            !w->Command("Child_Cancel")->isEnabled());  // nothing of the invoice is left unsaved
        QCOMPARE(F.Value("SELECT SYS_TAX_ID||' '||REF1 FROM AR_TRAN"), QString("8 PO 4411"));
        CheckTotals(id);
        QCOMPARE(w->Child_CDS->FieldByName("AMTTOTAL")->AsString(), QString("220.0000"));

        // Deleting a line saves the invoice's pending edits first as well.
        w->Child_CDS->FieldByName("SYS_TAX_ID")->SetValue(7);
        msgs.Answers = {true};
        QTest::mouseClick(w->Part<QToolButton>("ItemBtnDel2"), Qt::LeftButton);
        QCOMPARE(msgs.Take().size(), 1);  // the confirmation only
        QVERIFY(!w->Child_DS->Editing());
        QCOMPARE(F.Value("SELECT COUNT(*) FROM AR_TRANITEM"), QString("1"));
        CheckTotals(id);
        QCOMPARE(w->Child_CDS->FieldByName("AMTTOTAL")->AsString(), QString("107.0000"));
        TypeLine(w.get(), "1", "100");

        // A header the database refuses keeps the line unsaved too.
        F.Dm().SQLConn_Main.ExecuteImmediate("CREATE EXCEPTION E_REF 'Reference refused'");
        F.Dm().SQLConn_Main.ExecuteImmediate(
            "CREATE TRIGGER AR_TRAN_REF FOR AR_TRAN BEFORE UPDATE AS BEGIN "
            "IF (NEW.REF1 = 'bad') THEN EXCEPTION E_REF; END");
        Retype(EditorOf(w.get(), "REF1"), "bad");
        TypeLine(w.get(), "1", "100");
        QCOMPARE(msgs.Take().size(), 1);
        QCOMPARE(F.Value("SELECT COUNT(*) FROM AR_TRANITEM"), QString("2"));
        QVERIFY(w->Sub_DS->Editing());
        CheckTotals(id);
    }

    // Two users add lines to one invoice: every line number once, no false
    // conflict shown, and the totals of all the lines.
    void twoUsersAddLines() {
        TPrivateServer server;
        QVERIFY2(server.Failure().isEmpty(), qPrintable(server.Failure()));
        const QString db = server.NewDatabase();
        // Each user's windows are made while that user's data module is the
        // program's one; the other user's first.
        TdmMain other;
        other.SQLConn_Main.Open(db);
        auto stale = OpenBrowser<TfmArTran>();
        TdmMain mine;
        mine.SQLConn_Main.Open(db);
        mine.Curr_User_ID = 0;
        mine.ExecSQL("INSERT INTO SYS_TAX (ID, NAME, RATE, INCLUSIVE) VALUES (7, 'Seven', 7, 0)");
        mine.ExecSQL(
            "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, SYS_TAX_ID) VALUES (1, 'Acme', 'Acme', 7)");
        TScriptedMessages msgs;
        auto w = InvoiceWindow();
        const int id = w->Child_CDS->FieldByName("ID")->AsInteger();

        // The other user read the invoice before this user's line was saved.
        stale->Command("MenuItem_TVRefresh")->trigger();
        QVERIFY(stale->Child_CDS->Locate("ID", id));
        stale->Pages()->setCurrentWidget(stale->Part<QWidget>("pgTsItems"));
        TypeLine(w.get(), "1", "5");
        TypeLine(stale.get(), "2", "5");
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(mine.SelectValue("SELECT LIST(LINE, ',') FROM (SELECT LINE FROM AR_TRANITEM "
                                  "ORDER BY LINE)")
                     .toString(),
                 QString("1,2"));

        // And now truly at the same moment: the other user's program writes
        // lines on its own connection while this user types lines.
        std::atomic<bool> stop{false};
        QString failure;
        std::thread writer([&]() {
            try {
                while (!stop) {
                    for (int attempt = 0;; ++attempt) {
                        try {
                            TFbTransaction tra(other.SQLConn_Main);
                            TFbQuery lock(tra, "SELECT ID FROM AR_TRAN WHERE ID=" +
                                                   QString::number(id) + " WITH LOCK");
                            lock.Open();
                            TFbQuery ins(tra,
                                         "INSERT INTO AR_TRANITEM (AR_TRAN_ID, LINE, QTY, PRICE, "
                                         "AMOUNT) SELECT T.ID, (SELECT COALESCE(MAX(I.LINE), 0) "
                                         "FROM AR_TRANITEM I WHERE I.AR_TRAN_ID=T.ID)+1, 1, 1, 1 "
                                         "FROM AR_TRAN T WHERE T.ID=" +
                                             QString::number(id));
                            ins.Execute();
                            other.UpdateArTran(tra, id);
                            tra.Commit();
                            break;
                        } catch (const EFbError& e) {
                            if (!e.IsUpdateConflict() || attempt > 50) throw;
                        }
                    }
                }
            } catch (const EFbError& e) {
                failure = e.Message();
            }
        });
        for (int i = 0; i < 25; ++i) TypeLine(w.get(), "1", "5");
        stop = true;
        writer.join();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(mine.SelectValue("SELECT COUNT(*) FROM AR_TRANITEM WHERE AR_TRAN_ID=" +
                                  QString::number(id) + " AND AMOUNT=5")
                     .toInt(),
                 26);
        QCOMPARE(
            mine.SelectValue("SELECT COUNT(*) - COUNT(DISTINCT LINE) FROM AR_TRANITEM").toInt(), 0);
        TMoney total, tax, goods;
        mine.CalcArTranTax(id, 7, total, tax, goods);
        QCOMPARE(mine.SelectValue("SELECT AMTTOTAL FROM AR_TRAN").value<TMoney>(), total);
        w.reset();
        stale.reset();
    }

    // Another user changed the same column: the save is refused and what
    // this user typed stays; changes to different columns both survive.
    void noLostUpdate() {
        TPrivateServer server;
        QVERIFY2(server.Failure().isEmpty(), qPrintable(server.Failure()));
        const QString db = server.NewDatabase();
        TdmMain other;
        other.SQLConn_Main.Open(db);
        auto theirs = OpenBrowser<TfmCust>();
        TdmMain mine;
        mine.SQLConn_Main.Open(db);
        mine.ExecSQL(
            "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, PHONENO, SYS_TREEVIEW_ID) "
            "VALUES (1, 'Acme', 'Acme Trading', '555-0000', 2)");
        auto ours = OpenBrowser<TfmCust>();
        theirs->Command("MenuItem_TVRefresh")->trigger();
        QCOMPARE(ours->Child_CDS->RecordCount(), 1);
        QCOMPARE(theirs->Child_CDS->RecordCount(), 1);
        TScriptedMessages msgs;

        Retype(EditorOf(theirs.get(), "PHONENO"), "555-1111");
        Click(theirs.get(), theirs->Command("Child_Save"));
        Retype(EditorOf(ours.get(), "PHONENO"), "555-2222");
        Click(ours.get(), ours->Command("Child_Save"));
        QCOMPARE(msgs.Take(), QStringList{"Record not found or changed by another user"});
        QCOMPARE(mine.SelectValue("SELECT PHONENO FROM AR_ACCT").toString(), QString("555-1111"));
        QCOMPARE(static_cast<QLineEdit*>(EditorOf(ours.get(), "PHONENO"))->text(),
                 QString("555-2222"));
        QVERIFY(ours->Child_DS->Editing());
        Click(ours.get(), ours->Command("Child_Cancel"));

        // Different columns: both changes stay.
        ours->Command("Child_RefreshRecord")->trigger();
        Retype(EditorOf(theirs.get(), "EMAIL"), "a@acme.example");
        Click(theirs.get(), theirs->Command("Child_Save"));
        Retype(EditorOf(ours.get(), "MOBILENO"), "0400 000 000");
        Click(ours.get(), ours->Command("Child_Save"));
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(
            mine.SelectValue("SELECT PHONENO||' '||EMAIL||' '||MOBILENO FROM AR_ACCT").toString(),
            QString("555-1111 a@acme.example 0400 000 000"));

        // Deleting a row another user changed since it was read is refused too.
        Retype(EditorOf(theirs.get(), "NAME"), "Acme Holdings");
        Click(theirs.get(), theirs->Command("Child_Save"));
        msgs.Answers = {true};
        Click(ours.get(), ours->Command("Child_Delete"));
        QVERIFY(msgs.Take().contains("Record not found or changed by another user"));
        QCOMPARE(mine.SelectValue("SELECT COUNT(*) FROM AR_ACCT").toInt(), 1);
        ours.reset();
        theirs.reset();
    }

    // Marks name rows by key: after this user saved a new row (only that
    // row is read back) and the set was read again with another user's
    // delete, the marked customer moves.
    void marksSurviveRereading() {
        TScriptedMessages msgs;
        for (int i = 2; i <= 4; ++i)
            F.Dm().ExecSQL(QString("INSERT INTO AR_ACCT (ID, NICKNAME, NAME, SYS_TREEVIEW_ID) "
                                   "VALUES (%1, 'C%1', 'Customer %1', 2)")
                               .arg(i));
        auto w = OpenBrowser<TfmCust>();
        QCOMPARE(w->Child_CDS->RecordCount(), 4);
        CtrlClickRow(w->Grid(), w->Child_CDS, 4);
        QCOMPARE(w->GetSelectedIdList(), QString("4"));
        F.Dm().ExecSQL("DELETE FROM AR_ACCT WHERE ID=2");  // another user
        Click(w.get(), w->Command("Child_New"));
        QTest::keyClicks(EditorOf(w.get(), "NICKNAME"), "New one");
        Click(w.get(), w->Command("Child_Save"));
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(w->Child_CDS->RecordCount(), 5);
        QCOMPARE(w->GetSelectedIdList(), QString("4"));
        w->Child_CDS->Refresh();
        QCOMPARE(w->Child_CDS->RecordCount(), 4);
        QCOMPARE(w->GetSelectedIdList(), QString("4"));
        MoveMarkedTo(w.get(), "Retail");
        QCOMPARE(F.Value("SELECT LIST(ID) FROM AR_ACCT WHERE SYS_TREEVIEW_ID=4"), QString("4"));
    }

    // A save, a delete and a move touch only their rows: the new row is read
    // back alone and placed in the sort order, the folder counts follow by
    // arithmetic, and another user's new row waits for the next reading.
    void savesTouchOnlyTheirRows() {
        TScriptedMessages msgs;
        for (int i = 2; i <= 3; ++i)
            F.Dm().ExecSQL(QString("INSERT INTO AR_ACCT (ID, NICKNAME, NAME, SYS_TREEVIEW_ID) "
                                   "VALUES (%1, 'C%1', 'Customer %1', 2)")
                               .arg(i));
        F.Dm().ExecSQL("ALTER SEQUENCE AR_ACCT_ID_GEN RESTART WITH 10");
        auto w = OpenBrowser<TfmCust>();
        QTreeWidgetItem* general = FolderNamed(w->Tree(), "General");
        QTreeWidgetItem* retail = FolderNamed(w->Tree(), "Retail");
        const int n = w->Child_CDS->RecordCount();
        auto caption = [](const char* folder, int count) {
            return QString("%1 (%2)").arg(folder).arg(count);
        };
        QCOMPARE(general->text(0), caption("General", n));
        F.Dm().ExecSQL(
            "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, SYS_TREEVIEW_ID) VALUES "
            "(5, 'Theirs', 'Another user', 2)");
        Click(w.get(), w->Command("Child_New"));
        QTest::keyClicks(EditorOf(w.get(), "NICKNAME"), "B new");
        Click(w.get(), w->Command("Child_Save"));
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(w->Child_CDS->RecordCount(), n + 1);
        QCOMPARE(general->text(0), caption("General", n + 1));
        // In the order shown (by short name), and current.
        QStringList order;
        for (int r = 0; r < w->Child_CDS->RecordCount(); ++r)
            order << w->Child_CDS->ValueAt(r, w->Child_CDS->FieldByName("NICKNAME")).toString();
        QStringList sorted = order;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(order, sorted);
        QCOMPARE(w->Child_CDS->FieldByName("NICKNAME")->AsString(), QString("B new"));

        msgs.Answers = {true};
        Click(w.get(), w->Command("Child_Delete"));
        QCOMPARE(F.Value("SELECT COUNT(*) FROM AR_ACCT WHERE NICKNAME='B new'"), QString("0"));
        QCOMPARE(general->text(0), caption("General", n));

        QCOMPARE(retail->text(0), QString("Retail"));  // an empty folder shows no count
        CtrlClickRow(w->Grid(), w->Child_CDS, 2);
        MoveMarkedTo(w.get(), "Retail");
        QCOMPARE(general->text(0), caption("General", n - 1));
        QCOMPARE(retail->text(0), caption("Retail", 1));
        // Choosing a folder reads it from the database: the other user's row too.
        w->Tree()->setCurrentItem(general);
        QCOMPARE(w->Child_CDS->RecordCount(), n);

        // Rows found by a search come from two folders; each loses its own.
        QTest::mouseClick(w->Part<QToolButton>("btnLeftFind"), Qt::LeftButton);
        w->Part<QComboBox>("cbCon1")->setCurrentIndex(
            w->Part<QComboBox>("cbCon1")->findText("Short Name"));
        w->Part<QComboBox>("cbSign1")->setCurrentIndex(
            w->Part<QComboBox>("cbSign1")->findText("Starting With"));
        Retype(w->Part<QLineEdit>("edVal1"), "C");
        QTest::mouseClick(w->Part<QPushButton>("btnFilterFind"), Qt::LeftButton);
        QCOMPARE(w->Child_CDS->RecordCount(), 2);
        CtrlClickRow(w->Grid(), w->Child_CDS, 2);
        CtrlClickRow(w->Grid(), w->Child_CDS, 3);
        MoveMarkedTo(w.get(), "Wholesale");
        QCOMPARE(general->text(0), caption("General", n - 1));  // counted on choosing, less C3
        QCOMPARE(retail->text(0), QString("Retail"));
        QCOMPARE(FolderNamed(w->Tree(), "Wholesale")->text(0), caption("Wholesale", 2));
    }

    // A new row refused once and saved after a correction is filed, counted
    // and keyed like any new row; with the navigation pane hidden it is
    // filed in the selected folder all the same.
    void newRowsAreFiled() {
        TScriptedMessages msgs;
        F.Dm().SQLConn_Main.ExecuteImmediate("CREATE EXCEPTION E_NICK 'Nickname refused'");
        F.Dm().SQLConn_Main.ExecuteImmediate(
            "CREATE TRIGGER AR_ACCT_NICK FOR AR_ACCT BEFORE INSERT AS BEGIN "
            "IF (NEW.NICKNAME = 'bad') THEN EXCEPTION E_NICK; END");
        auto w = OpenBrowser<TfmCust>();
        QTreeWidgetItem* retail = FolderNamed(w->Tree(), "Retail");
        w->Tree()->setCurrentItem(retail);
        Click(w.get(), w->Command("Child_New"));
        QTest::keyClicks(EditorOf(w.get(), "NICKNAME"), "bad");
        Click(w.get(), w->Command("Child_Save"));
        QCOMPARE(msgs.Take().size(), 1);
        Retype(EditorOf(w.get(), "NICKNAME"), "good");
        Click(w.get(), w->Command("Child_Save"));
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(F.Value("SELECT NICKNAME||' '||SYS_TREEVIEW_ID FROM AR_ACCT WHERE ID<>1"),
                 QString("good 4"));
        QCOMPARE(NodeData(retail).RecCountTotal, 1);
        QVERIFY(retail->text(0).contains("1"));
        QVERIFY(!w->Child_CDS->FieldByName("ID")->IsNull());
        QCOMPARE(w->Child_CDS->FieldByName("NICKNAME")->AsString(), QString("good"));

        QTest::mouseClick(w->Part<QToolButton>("imgVerticalMoveLeft"), Qt::LeftButton);
        QVERIFY(!w->Part<QWidget>("PanelLeft")->isVisible());
        Click(w.get(), w->Command("Child_New"));
        QTest::keyClicks(EditorOf(w.get(), "NICKNAME"), "hidden pane");
        Click(w.get(), w->Command("Child_Save"));
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(F.Value("SELECT SYS_TREEVIEW_ID FROM AR_ACCT WHERE NICKNAME='hidden pane'"),
                 QString("4"));
        QCOMPARE(NodeData(retail).RecCountTotal, 2);
    }
};

QTEST_MAIN(TstIntegrity)
#include "tst_integrity.moc"
