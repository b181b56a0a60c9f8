// Deleting rows that other rows refer to, through the real customer, invoice
// and purchase windows (offscreen) against the real engine: the rules of
// SYS_DEPENDENCY, the dialog that shows the referring rows, and the one
// transaction that deletes them with the row.

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

#include "TClientDataSet.h"
#include "TDbGridModel.h"
#include "TestSupport.h"
#include "uArTran.h"
#include "uCust.h"
#include "uDbGrid.h"
#include "uDelete.h"
#include "uDmMain.h"
#include "uICBatch.h"
#include "uTreeView.h"

namespace {

// What the deletion dialog showed, and what clicking its buttons did.
struct TShown {
    bool Shown = false;
    QString Caption;
    QStringList Headings;
    QList<QColor> HeadingColors, GridColors;
    QStringList Titles;  // column titles of the first grid
    bool OkEnabled = false;
    int PanelHeight = 0;
    QList<int> GridHeights;
    bool LastSplitterHidden = false;
    bool OpenAfterOk = false;  // still shown after Ok was clicked
    QStringList MessagesBefore, MessagesAfterOk;
};

// Records the next deletion dialog, clicks "Ok" (okClicks times, when it stays
// open) and then "Cancel" if it is still open.
void ActOnDeleteDialog(TShown& s, TScriptedMessages& msgs, int okClicks) {
    OnNextModal([&s, &msgs, okClicks](QWidget* w) {
        auto* dlg = qobject_cast<TfmDelete*>(w);
        if (!dlg) {
            w->close();
            return;
        }
        s.Shown = true;
        s.Caption = dlg->windowTitle();
        for (QLabel* l : dlg->FLB) {
            s.Headings << l->text();
            s.HeadingColors << l->palette().color(QPalette::WindowText);
        }
        for (TDbGrid* g : dlg->FGRID) {
            s.GridColors << g->palette().color(QPalette::Text);
            s.GridHeights << g->height();
        }
        if (!dlg->FGRID.empty())
            for (int i = 0; i < dlg->FGRID.front()->ColumnCount(); ++i)
                s.Titles << dlg->FGRID.front()->Title(i);
        s.LastSplitterHidden = !dlg->FSP.empty() && dlg->FSP.back()->isHidden();
        s.OkEnabled = dlg->BitBtn1->isEnabled();
        s.PanelHeight = dlg->PanelLeft->height();
        s.MessagesBefore = msgs.Take();
        for (int i = 0; i < okClicks; ++i) QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        s.OpenAfterOk = dlg->isVisible();
        s.MessagesAfterOk = msgs.Take();
        if (dlg->isVisible()) QTest::mouseClick(dlg->BitBtn2, Qt::LeftButton);
        if (dlg->isVisible()) dlg->reject();  // never leave the test waiting
    });
}

// Closes any modal window that comes up while it lives, and says so.
class TNoModal {
public:
    TNoModal() {
        QObject::connect(&FTimer, &QTimer::timeout, [this]() {
            if (QWidget* w = QApplication::activeModalWidget()) {
                Seen = true;
                w->close();
            }
        });
        FTimer.start(5);
    }
    bool Seen = false;

private:
    QTimer FTimer;
};

enum TWindow { wCust, wArTran, wICBatch };

// A browser of the users, for their rules (rights named in the ACTION column,
// to-do items).
class TUserBrowser : public TfmChild {
public:
    TUserBrowser() {
        setObjectName("fmUserTest");
        SetChildMode(5);
        Config.TableName = "SYS_USER";
        Config.NameField = "NAME";
        Child_CDS->CommandText = "SELECT * FROM SYS_USER ORDER BY ID";
        resize(1000, 700);
        show();
        Child_CDS->Open();
    }
};

std::unique_ptr<TfmChild> OpenWindow(int which) {
    switch (which) {
        case wCust:
            return OpenBrowser<TfmCust>();
        case wArTran:
            return OpenBrowser<TfmArTran>();
        default:
            return OpenBrowser<TfmICBatch>();
    }
}

}  // namespace

class TstDelete : public QObject {
    Q_OBJECT

private:
    TDbFixture F;

    int Count(const QString& sql) { return F.Dm().SelectValue(sql).toInt(); }
    void Exec(const QString& sql) { F.Dm().ExecSQL(sql); }

    static int Folder(TfmChild* w) { return NodeData(w->Tree()->currentItem()).ID; }

    // The rows of the folder, re-read as the tree's "Refresh" does.
    static void Refresh(TfmChild* w) { w->MenuItem_TVRefreshClick(); }

    // Clicks the row of key id in the grid, then the Delete button.
    static void ClickDelete(TfmChild* w, int id) {
        const int row = w->Child_CDS->RowOfKey(id);
        QVERIFY(row >= 0);
        const QRect r = w->Grid()->visualRect(w->Grid()->GridModel()->index(row, 0));
        QTest::mouseClick(w->Grid()->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(w->Child_CDS->FieldByName("ID")->AsInteger(), id);
        QWidget* button =
            w->Part<QToolBar>("ToolBar2")->widgetForAction(w->Command("Child_Delete"));
        QVERIFY(button && button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void AddCustomer(int id, const QString& name, int folder) {
        F.Dm().ExecSQL(QString("INSERT INTO AR_ACCT (ID, NICKNAME, NAME, SYS_TREEVIEW_ID) "
                               "VALUES (%1, :N, :N, %2)")
                           .arg(id)
                           .arg(folder),
                       {{"N", name}});
    }
    void AddInvoice(int id, int cust, int folder) {
        Exec(QString("INSERT INTO AR_TRAN (ID, INVOICENO, INVOICEDATE, AR_ACCT_ID, "
                     "SYS_TREEVIEW_ID) VALUES (%1, 'INV%1', '2026-03-0%2', %3, %4)")
                 .arg(id)
                 .arg(id % 9 + 1)
                 .arg(cust)
                 .arg(folder));
    }
    void AddInvoiceLine(int invoice, int line) {
        Exec(QString("INSERT INTO AR_TRANITEM (AR_TRAN_ID, LINE, ITEMDESC, QTY) "
                     "VALUES (%1, %2, 'Widget %2', 1)")
                 .arg(invoice)
                 .arg(line));
    }
    void AddReceipt(int id, int invoice) {
        Exec(QString("INSERT INTO CB_TRAN (ID, AR_TRAN_ID, TRANDATE, TRANDESC, TRANAMT) "
                     "VALUES (%1, %2, '2026-03-05', 'Paid', 10)")
                 .arg(id)
                 .arg(invoice));
    }

    // An invoice with two lines and a receipt, shown in the invoice window.
    std::unique_ptr<TfmChild> InvoiceWithLinesAndReceipt() {
        auto w = OpenWindow(wArTran);
        AddInvoice(1, 0, Folder(w.get()));
        AddInvoiceLine(1, 1);
        AddInvoiceLine(1, 2);
        AddReceipt(1, 1);
        Refresh(w.get());
        return w;
    }

private slots:
    void init() { F.Start(); }

    void cleanup() { F.Stop(); }

    // A row that nothing refers to goes after the one confirmation; a row
    // with only rows of its own (kind 0) goes with them, still unasked.
    void deletesWithoutDialog_data() {
        QTest::addColumn<int>("window");
        QTest::addColumn<QString>("childInsert");  // %1: the parent's key
        QTest::addColumn<QString>("childTable");
        QTest::addColumn<QString>("linkField");
        QTest::newRow("customer with addresses")
            << int(wCust)
            << "INSERT INTO AR_ACCT_ADDRESS (ID, AR_ACCT_ID, LINE, ADDRESS) "
               "VALUES (GEN_ID(AR_ACCT_ADDRESS_ID_GEN, 1), %1, 1, 'Dock 4')"
            << "AR_ACCT_ADDRESS"
            << "AR_ACCT_ID";
        QTest::newRow("invoice with lines")
            << int(wArTran)
            << "INSERT INTO AR_TRANITEM (AR_TRAN_ID, LINE, ITEMDESC, QTY) "
               "VALUES (%1, 1, 'Widget', 2)"
            << "AR_TRANITEM"
            << "AR_TRAN_ID";
        QTest::newRow("purchase with lines")
            << int(wICBatch)
            << "INSERT INTO IC_BATCHITEM (IC_BATCH_ID, LINE, QTY) VALUES (%1, 1, 5)"
            << "IC_BATCHITEM"
            << "IC_BATCH_ID";
    }

    void deletesWithoutDialog() {
        QFETCH(int, window);
        QFETCH(QString, childInsert);
        QFETCH(QString, childTable);
        QFETCH(QString, linkField);
        TScriptedMessages msgs;
        auto w = OpenWindow(window);
        const int folder = Folder(w.get());
        const QString table = w->Config.TableName;
        for (int id : {1, 2}) {
            if (window == wCust)
                AddCustomer(id, QString("Cust %1").arg(id), folder);
            else if (window == wArTran)
                AddInvoice(id, 0, folder);
            else
                Exec(QString("INSERT INTO IC_BATCH (ID, BATCHNO, SYS_TREEVIEW_ID) "
                             "VALUES (%1, 'PO%1', %2)")
                         .arg(id)
                         .arg(folder));
        }
        Exec(childInsert.arg(2));
        Exec(childInsert.arg(2));
        Refresh(w.get());
        const QString name1 = w->Child_CDS->Lookup("ID", 1, w->Config.NameField).toString();
        const QString name2 = w->Child_CDS->Lookup("ID", 2, w->Config.NameField).toString();
        QVERIFY(!name1.isEmpty() && !name2.isEmpty());
        TNoModal noModal;

        ClickDelete(w.get(), 1);
        QCOMPARE(msgs.Take(), QStringList{"Are you sure to delete: " + name1});
        QCOMPARE(Count("SELECT COUNT(*) FROM " + table + " WHERE ID=1"), 0);
        ClickDelete(w.get(), 2);
        QCOMPARE(msgs.Take(), QStringList{"Are you sure to delete: " + name2});
        QVERIFY(!noModal.Seen);
        QCOMPARE(Count("SELECT COUNT(*) FROM " + table), 0);
        QCOMPARE(Count("SELECT COUNT(*) FROM " + childTable + " WHERE " + linkField + "=2"), 0);
        QCOMPARE(w->Child_CDS->RecordCount(), 0);
        QVERIFY(!w->Command("Child_Delete")->isEnabled());
    }

    // Rows of kind 3: the dialog lists them, "Ok" cannot be pressed, and
    // "Cancel" deletes nothing.
    void refusedWhileReferenced_data() {
        QTest::addColumn<int>("window");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("headings");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("customer with invoices")
            << int(wCust) << "Delete Record:Acme Trading"
            << QStringList{"Below [7] records in [Invoices] table are referencing to this "
                           "record, deletion not allowed"}
            << QStringList{"Invoice No.", "Date"};
        QTest::newRow("invoice with receipts")
            << int(wArTran) << "Delete Record:INV1"
            << QStringList{"This record has the following [2] [Invoice Lines] records "
                           "belonging to it, they will be deleted as well",
                           "Below [1] records in [Receipts] table are referencing to this "
                           "record, deletion not allowed"}
            << QStringList{"Line", "Description"};
    }

    void refusedWhileReferenced() {
        QFETCH(int, window);
        QFETCH(QString, caption);
        QFETCH(QStringList, headings);
        QFETCH(QStringList, titles);
        TScriptedMessages msgs;
        std::unique_ptr<TfmChild> w;
        if (window == wCust) {
            w = OpenWindow(wCust);
            AddCustomer(1, "Acme Trading", Folder(w.get()));
            for (int i = 1; i <= 7; ++i) AddInvoice(i, 1, 10);
            Refresh(w.get());
        } else {
            w = InvoiceWithLinesAndReceipt();
        }
        const QString table = w->Config.TableName;
        auto total = [&]() {
            return Count(
                "SELECT (SELECT COUNT(*) FROM AR_ACCT) + (SELECT COUNT(*) FROM AR_TRAN)"
                " + (SELECT COUNT(*) FROM AR_TRANITEM) + (SELECT COUNT(*) FROM CB_TRAN)"
                " FROM RDB$DATABASE");
        };
        const int before = total();
        TShown s;
        ActOnDeleteDialog(s, msgs, 1);
        ClickDelete(w.get(), 1);
        QVERIFY(s.Shown);
        QCOMPARE(s.Caption, caption);
        QCOMPARE(s.Headings, headings);
        QCOMPARE(s.HeadingColors.last(), QColor(255, 0, 0));
        QCOMPARE(s.GridColors.last(), QColor(255, 0, 0));
        QCOMPARE(s.Titles, titles);
        QVERIFY(!s.OkEnabled);
        QVERIFY(s.OpenAfterOk);  // the disabled Ok did nothing
        QCOMPARE(s.MessagesBefore,
                 QStringList{"Are you sure to delete: " + caption.section(':', 1)});
        QCOMPARE(s.MessagesAfterOk, QStringList());
        QCOMPARE(total(), before);
        QCOMPARE(Count("SELECT COUNT(*) FROM " + table + " WHERE ID=1"), 1);
        QVERIFY(w->Child_CDS->RowOfKey(1) >= 0);
    }

    // Kind 0 and kind 2 together: both sections in their colours; "Ok"
    // deletes the invoice with its lines and keeps its receipt.
    void keptReferences() {
        TScriptedMessages msgs;
        Exec("UPDATE SYS_DEPENDENCY SET DELTYPE=2 WHERE PTABLE='AR_TRAN' AND TABLENAME='CB_TRAN'");
        auto w = InvoiceWithLinesAndReceipt();
        TShown s;
        ActOnDeleteDialog(s, msgs, 1);
        ClickDelete(w.get(), 1);
        QVERIFY(s.Shown);
        QCOMPARE(s.Headings,
                 (QStringList{"This record has the following [2] [Invoice Lines] records "
                              "belonging to it, they will be deleted as well",
                              "Below [1] records in [Receipts] table are referencing to this "
                              "record, they will be kept (reference lost)"}));
        QCOMPARE(s.HeadingColors, (QList<QColor>{QColor(0, 128, 0), QColor(128, 0, 128)}));
        QCOMPARE(s.GridColors, (QList<QColor>{QColor(0, 128, 0), QColor(128, 0, 128)}));
        QVERIFY(s.OkEnabled);
        QVERIFY(!s.OpenAfterOk);
        QCOMPARE(s.MessagesAfterOk, QStringList());
        QCOMPARE(Count("SELECT COUNT(*) FROM AR_TRAN"), 0);
        QCOMPARE(Count("SELECT COUNT(*) FROM AR_TRANITEM"), 0);
        QCOMPARE(Count("SELECT COUNT(*) FROM CB_TRAN WHERE AR_TRAN_ID=1"), 1);
        QCOMPARE(w->Child_CDS->RecordCount(), 0);
    }

    // The receipts are deleted with the invoice after being shown (kind 1);
    // the database refuses one of the deletes: nothing at all is deleted, its
    // message is shown and the dialog stays open for "Cancel".
    void refusedDeleteDeletesNothing_data() {
        QTest::addColumn<QString>("refusingTable");
        QTest::newRow("a dependent row") << "CB_TRAN";
        QTest::newRow("the row itself") << "AR_TRAN";
    }

    void refusedDeleteDeletesNothing() {
        QFETCH(QString, refusingTable);
        TScriptedMessages msgs;
        Exec("UPDATE SYS_DEPENDENCY SET DELTYPE=1 WHERE PTABLE='AR_TRAN' AND TABLENAME='CB_TRAN'");
        Exec("CREATE EXCEPTION E_KEEP 'Kept for the auditors'");
        Exec("CREATE TRIGGER KEEP_ROWS FOR " + refusingTable +
             " BEFORE DELETE AS BEGIN EXCEPTION E_KEEP; END");
        auto w = InvoiceWithLinesAndReceipt();
        TShown s;
        ActOnDeleteDialog(s, msgs, 2);
        ClickDelete(w.get(), 1);
        QVERIFY(s.Shown);
        QCOMPARE(s.Headings.value(1), QString("Below [1] records in [Receipts] table are "
                                              "referencing to this record, they will be deleted "
                                              "as well"));
        QCOMPARE(s.HeadingColors.value(1), QColor(128, 128, 0));
        QVERIFY(s.OpenAfterOk);
        QCOMPARE(s.MessagesAfterOk.size(), 2);  // each Ok tried again and was refused
        for (const QString& m : s.MessagesAfterOk)
            QVERIFY2(m.contains("Kept for the auditors"), qPrintable(m));
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(Count("SELECT COUNT(*) FROM AR_TRAN WHERE ID=1"), 1);
        QCOMPARE(Count("SELECT COUNT(*) FROM AR_TRANITEM WHERE AR_TRAN_ID=1"), 2);
        QCOMPARE(Count("SELECT COUNT(*) FROM CB_TRAN WHERE AR_TRAN_ID=1"), 1);
        // The window still shows the row, with nothing left pending.
        QVERIFY(w->Child_CDS->RowOfKey(1) >= 0);
        QCOMPARE(w->Child_CDS->ChangeCount(), 0);
    }

    // A rule that cannot be made into a statement stops the deletion with a
    // message; nothing is deleted.
    void oddRuleStopsDeletion_data() {
        QTest::addColumn<QString>("update");
        QTest::addColumn<QString>("message");  // the whole text, or a part of the engine's
        QTest::newRow("empty column") << "FNAMEFIELD2=NULL"
                                      << "The deletion rule 1 of table AR_ACCT cannot be used: "
                                         "FNAMEFIELD2 \"\" is not a table or column name.";
        QTest::newRow("not a name") << "FNAMEFIELD1='ADDRESS; DROP'"
                                    << "The deletion rule 1 of table AR_ACCT cannot be used: "
                                       "FNAMEFIELD1 \"ADDRESS; DROP\" is not a table or column "
                                       "name.";
        QTest::newRow("no such column") << "FNAMEFIELD1='NOSUCHCOLUMN'"
                                        << "NOSUCHCOLUMN";
    }

    void oddRuleStopsDeletion() {
        QFETCH(QString, update);
        QFETCH(QString, message);
        TScriptedMessages msgs;
        Exec("UPDATE SYS_DEPENDENCY SET " + update + " WHERE ID=1");
        auto w = OpenWindow(wCust);
        AddCustomer(1, "Acme Trading", Folder(w.get()));
        Exec(
            "INSERT INTO AR_ACCT_ADDRESS (ID, AR_ACCT_ID, LINE, ADDRESS) VALUES (1, 1, 1, 'Dock')");
        Refresh(w.get());
        TNoModal noModal;
        ClickDelete(w.get(), 1);
        const QStringList shown = msgs.Take();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0], QString("Are you sure to delete: Acme Trading"));
        QVERIFY2(shown[1].contains(message), qPrintable(shown[1]));
        QVERIFY(!noModal.Seen);
        QCOMPARE(Count("SELECT COUNT(*) FROM AR_ACCT"), 1);
        QCOMPARE(Count("SELECT COUNT(*) FROM AR_ACCT_ADDRESS"), 1);
        QVERIFY(w->Child_CDS->RowOfKey(1) >= 0);
    }

    // A user's rights (named in the column ACTION) go unasked, the to-do
    // items after being shown (kind 1); both with the user, on "Ok".
    void userWithRightsAndTodos() {
        TScriptedMessages msgs;
        Exec("INSERT INTO SYS_USER (ID, CODE, NAME) VALUES (5, 'ANN', 'Ann')");
        Exec(
            "INSERT INTO SYS_USER_ACCESS (ID, SYS_USER_ID, \"LEVEL\", \"ACTION\", VISIBLE) "
            "VALUES (1, 5, 1, 'Delete Customer', 1)");
        Exec("INSERT INTO SYS_USER_TODO (ID, SYS_USER_ID, SUBJECT) VALUES (1, 5, 'Call Acme')");
        Exec("INSERT INTO SYS_USER_TODO (ID, SYS_USER_ID, SUBJECT) VALUES (2, 0, 'Stock take')");
        TUserBrowser w;
        TShown s;
        ActOnDeleteDialog(s, msgs, 1);
        ClickDelete(&w, 5);
        QVERIFY(s.Shown);
        QCOMPARE(s.Headings,
                 (QStringList{"This record has the following [1] [User Rights] records belonging "
                              "to it, they will be deleted as well",
                              "Below [1] records in [To-do Items] table are referencing to this "
                              "record, they will be deleted as well"}));
        QCOMPARE(s.Titles, (QStringList{"Right", "Granted"}));
        QVERIFY(!s.OpenAfterOk);
        QCOMPARE(Count("SELECT COUNT(*) FROM SYS_USER WHERE ID=5"), 0);
        QCOMPARE(Count("SELECT COUNT(*) FROM SYS_USER_ACCESS"), 0);
        QCOMPARE(Count("SELECT COUNT(*) FROM SYS_USER_TODO"), 1);
    }

    // Three sections in a left panel 424 pixels high: the first two grids
    // get (424 - 3 x 20) / 3 = 121 pixels, the last the rest.
    void threeSectionLayout() {
        TScriptedMessages msgs;
        auto w = OpenWindow(wCust);
        AddCustomer(1, "Acme Trading", Folder(w.get()));
        Exec(
            "INSERT INTO AR_ACCT_ADDRESS (ID, AR_ACCT_ID, LINE, ADDRESS) VALUES (1, 1, 1, 'Dock')");
        AddInvoice(1, 1, 10);
        Exec(
            "INSERT INTO SO_ORDER (ID, ORDERNO, ORDERDATE, AR_ACCT_ID) "
            "VALUES (1, 'SO1', '2026-03-01', 1)");
        Refresh(w.get());
        TShown s;
        ActOnDeleteDialog(s, msgs, 0);
        ClickDelete(w.get(), 1);
        QVERIFY(s.Shown);
        QCOMPARE(s.Headings.size(), 3);
        QCOMPARE(s.HeadingColors.first(), QColor(0, 128, 0));
        QCOMPARE(s.PanelHeight, 424);
        QCOMPARE(s.GridHeights.mid(0, 2), (QList<int>{121, 121}));
        QVERIFY(s.GridHeights.last() > 0);
        QVERIFY(s.LastSplitterHidden);
        QCOMPARE(Count("SELECT COUNT(*) FROM AR_ACCT_ADDRESS"), 1);
        QCOMPARE(Count("SELECT COUNT(*) FROM AR_ACCT"), 1);
    }
};

QTEST_MAIN(TstDelete)
#include "tst_delete.moc"
