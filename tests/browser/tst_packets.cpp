// A list of years of rows reads its first screen and the rest later: while
// only part of the rows is read, the order, the sorts by a title click, the
// quick filters, the marks, a new row, a delete, a move to another folder
// and the counts are what they would be with every row read.

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <algorithm>

#include "TBookmarkList.h"
#include "TClientDataSet.h"
#include "TestSupport.h"
#include "uArTran.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uTreeView.h"

namespace {

const int Invoices = 60;
const int Packet = 25;  // more than a screen

void Click(TfmChild* w, QAction* a) {
    QWidget* b = w->Part<QToolBar>("ToolBar2")->widgetForAction(a);
    QVERIFY(b && b->isEnabled());
    QTest::mouseClick(b, Qt::LeftButton);
}

void ClickTitle(TfmChild* w, const QString& field) {
    QHeaderView* h = w->Grid()->horizontalHeader();
    const int logical = w->Grid()->LogicalOfField(field);
    QVERIFY(logical >= 0);
    const int x = h->sectionViewportPosition(logical) + h->sectionSize(logical) / 2;
    QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, h->height() / 2));
}

QStringList Column(TClientDataSet* cds, const QString& field) {
    QStringList out;
    for (int r = 0; r < cds->RecordCount(); ++r)
        out << cds->DisplayTextAt(r, cds->FieldByName(field));
    return out;
}

QString No(int i) { return QString("INV%1").arg(i, 2, 10, QLatin1Char('0')); }

}  // namespace

class TstPackets : public QObject {
    Q_OBJECT

private:
    TDbFixture F;

    // The invoices window listing "General" with only its first packet read.
    std::unique_ptr<TfmArTran> Partly() {
        auto w = OpenBrowser<TfmArTran>();
        w->Child_CDS->PacketRecords = Packet;
        w->Child_CDS->FetchWhenIdle = false;  // the rest stays unread until asked for
        w->Tree()->setCurrentItem(FolderNamed(w->Tree(), "Archive"));
        w->Tree()->setCurrentItem(Folder(w.get(), "General"));
        return w;
    }

    static QTreeWidgetItem* Folder(TfmChild* w, const QString& caption) {
        for (QTreeWidgetItem* it = RootOf(w->Tree()); it; it = NextInTree(it))
            if (NodeData(it).Caption == caption) return it;
        return nullptr;
    }

    static QString CountOf(TfmChild* w, const QString& folder) {
        return QString::number(NodeData(Folder(w, folder)).RecCountTotal);
    }

    // Scrolls the grid to its end as far as the rows read go, as a mouse does.
    static void ScrollToBottom(TfmChild* w) {
        QScrollBar* bar = w->Grid()->verticalScrollBar();
        bar->setValue(bar->maximum());
        QCoreApplication::processEvents();
    }

private slots:
    void init() {
        F.Start();
        F.Dm().ExecSQL(
            "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, SYS_TREEVIEW_ID) "
            "VALUES (1, 'Zeta', 'Zeta Ltd', 2)");
        F.Dm().ExecSQL(
            "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, SYS_TREEVIEW_ID) "
            "VALUES (2, 'Alpha', 'Alpha Ltd', 2)");
        F.Dm().ExecSQL("ALTER SEQUENCE AR_ACCT_ID_GEN RESTART WITH 10");
        F.Dm().ExecSQL(
            "INSERT INTO SYS_TREEVIEW (ID, TABLENAME, CAPTION, PARENTID, SIBLINGORDER, "
            "IMGINDEX, READONLY) VALUES (50, 'AR_TRAN', 'Archive', 9, 1, 0, 0)");
        // Invoice i dated 61 - i days ago: INV60 yesterday; every third of Alpha.
        F.Dm().SQLConn_Main.ExecuteImmediate(
            QString("EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= %1) DO BEGIN "
                    "INSERT INTO AR_TRAN (ID, INVOICENO, INVOICEDATE, AR_ACCT_ID, SYS_TAX_ID, "
                    "SYS_TREEVIEW_ID) VALUES (:I, 'INV' || LPAD(:I, 2, '0'), "
                    "DATEADD(:I - 61 DAY TO DATE '%2'), IIF(MOD(:I, 3) = 0, 2, 1), 1, 10); "
                    "I = I + 1; END END")
                .arg(Invoices)
                .arg(TdmMain::Today().toString(Qt::ISODate)));
        F.Dm().ExecSQL("ALTER SEQUENCE AR_TRAN_ID_GEN RESTART WITH 100");
    }
    void cleanup() { F.Stop(); }

    // The newest invoices come first and at once; scrolling reads the next
    // packet, Ctrl+End the rest, and the counts are the folder's throughout.
    void opensAtTheNewestAndReadsAsTheUserScrolls() {
        auto w = Partly();
        TClientDataSet* cds = w->Child_CDS;
        QVERIFY(!cds->AllFetched());
        QCOMPARE(cds->RecordCount(), Packet);
        QCOMPARE(Column(cds, "INVOICENO").mid(0, 3), QStringList({No(60), No(59), No(58)}));
        QCOMPARE(w->StatusPanel(0)->text(), QString("Record Count: %1").arg(Invoices));
        QCOMPARE(CountOf(w.get(), "General"), QString::number(Invoices));

        ScrollToBottom(w.get());
        QVERIFY(cds->RecordCount() > Packet);
        QVERIFY(!cds->AllFetched());

        w->Grid()->setFocus();
        QTest::keyClick(w->Grid(), Qt::Key_End, Qt::ControlModifier);
        QVERIFY(cds->AllFetched());
        QCOMPARE(cds->RecordCount(), Invoices);
        QCOMPARE(cds->FieldByName("INVOICENO")->AsString(), No(1));  // the oldest, last
        QCOMPARE(w->Grid()->model()->rowCount(), Invoices);
        QCOMPARE(w->StatusPanel(0)->text(), QString("Record Count: %1").arg(Invoices));
        QCOMPARE(CountOf(w.get(), "General"), QString::number(Invoices));
    }

    // A title click on a column of the table is sorted by the engine and
    // still reads only a packet; one on a lookup column, and a quick filter,
    // read every row first.
    void sortsAndFiltersSeeEveryRow() {
        auto w = Partly();
        TClientDataSet* cds = w->Child_CDS;
        ClickTitle(w.get(), "INVOICENO");
        QVERIFY(!cds->AllFetched());
        QCOMPARE(Column(cds, "INVOICENO").mid(0, 3), QStringList({No(1), No(2), No(3)}));
        ClickTitle(w.get(), "INVOICENO");
        QCOMPARE(Column(cds, "INVOICENO").first(), No(60));
        QVERIFY(!cds->AllFetched());

        ClickTitle(w.get(), "AR_ACCT_ID_LOOKUP");
        QVERIFY(cds->AllFetched());
        const QStringList customers = Column(cds, "AR_ACCT_ID_LOOKUP");
        QCOMPARE(customers.size(), Invoices);
        QCOMPARE(customers.count(customers.first()), Invoices / 3);  // Alpha's
        QVERIFY(customers.first().startsWith("Alpha"));
        QStringList sorted = customers;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(customers, sorted);

        // "This Month" over every invoice, not the five read.
        auto again = Partly();
        const QDate first(TdmMain::Today().year(), TdmMain::Today().month(), 1);
        int thisMonth = 0;
        for (int i = 1; i <= Invoices; ++i) thisMonth += TdmMain::Today().addDays(i - 61) >= first;
        again->Command("FilterMonth")->trigger();
        QVERIFY(again->Child_CDS->AllFetched());
        QCOMPARE(again->Child_CDS->RecordCount(), thisMonth);
        QCOMPARE(again->StatusPanel(0)->text(), QString("Record Count: %1").arg(thisMonth));
    }

    // Marks stay on their rows as more are read; a new invoice is placed at
    // the top once, a deleted one does not come back with the rest, a move
    // takes the marked rows, and the counts follow each.
    void editsWhilePartlyRead() {
        TScriptedMessages msgs;
        auto w = Partly();
        TClientDataSet* cds = w->Child_CDS;
        CtrlClickRow(w->Grid(), cds, cds->KeyOfRow(1).toLongLong());
        CtrlClickRow(w->Grid(), cds, cds->KeyOfRow(2).toLongLong());
        ScrollToBottom(w.get());
        QVERIFY(cds->RecordCount() > Packet);
        std::vector<qint64> marked = w->Grid()->SelectedRows().Items();
        std::sort(marked.begin(), marked.end());
        QCOMPARE(marked, std::vector<qint64>({58, 59}));

        Click(w.get(), w->Command("Child_New"));
        cds->FieldByName("AR_ACCT_ID")->SetValue(2);
        Click(w.get(), w->Command("Child_Save"));
        QCOMPARE(msgs.Take(), QStringList());
        const qint64 added = cds->FieldByName("ID")->AsLargeInt();
        QCOMPARE(cds->RecNo(), 0);  // dated today: the newest
        QCOMPARE(CountOf(w.get(), "General"), QString::number(Invoices + 1));

        cds->MoveTo(cds->RowOfKey(60));
        msgs.Answers = {true};
        Click(w.get(), w->Command("Child_Delete"));
        QCOMPARE(F.Value("SELECT COUNT(*) FROM AR_TRAN WHERE ID=60"), QString("0"));
        QCOMPARE(CountOf(w.get(), "General"), QString::number(Invoices));

        QTest::keyClick(w->Grid(), Qt::Key_End, Qt::ControlModifier);
        QVERIFY(cds->AllFetched());
        QCOMPARE(cds->RecordCount(), Invoices);
        QStringList keys;
        for (int r = 0; r < cds->RecordCount(); ++r) keys << cds->KeyOfRow(r).toString();
        QCOMPARE(keys.count(QString::number(added)), 1);
        QCOMPARE(keys.count("60"), 0);
        QCOMPARE(CountOf(w.get(), "General"), QString::number(Invoices));

        // Moved while partly read: the two marked rows, and the counts of both folders.
        auto moving = Partly();
        QVERIFY(!moving->Child_CDS->AllFetched());
        CtrlClickRow(moving->Grid(), moving->Child_CDS,
                     moving->Child_CDS->KeyOfRow(0).toLongLong());
        CtrlClickRow(moving->Grid(), moving->Child_CDS,
                     moving->Child_CDS->KeyOfRow(3).toLongLong());
        const std::vector<qint64> moved = {moving->Child_CDS->KeyOfRow(0).toLongLong(),
                                           moving->Child_CDS->KeyOfRow(3).toLongLong()};
        MoveMarkedTo(moving.get(), "Archive");
        QCOMPARE(
            F.Value(QString("SELECT LIST(ID) FROM (SELECT ID FROM AR_TRAN WHERE "
                            "SYS_TREEVIEW_ID=50 ORDER BY ID)")),
            QString("%1,%2").arg(std::min(moved[0], moved[1])).arg(std::max(moved[0], moved[1])));
        QCOMPARE(CountOf(moving.get(), "General"), QString::number(Invoices - 2));
        QCOMPARE(CountOf(moving.get(), "Archive"), QString("2"));

        // Select All Records reads the rest and marks every row.
        auto all = Partly();
        QVERIFY(!all->Child_CDS->AllFetched());
        all->Command("MenuItem_SelectAll")->trigger();
        QVERIFY(all->Child_CDS->AllFetched());
        QCOMPARE(all->Grid()->SelectedRows().Count(), Invoices - 2);
    }

    // Rows marked before a title click that reads the list again from the
    // start are still the rows a move to another folder takes.
    void marksOutliveASortThatReadsAgain() {
        TScriptedMessages msgs;
        auto w = Partly();
        CtrlClickRow(w->Grid(), w->Child_CDS, 59);
        CtrlClickRow(w->Grid(), w->Child_CDS, 58);
        std::vector<qint64> marked = w->Grid()->SelectedRows().Items();
        std::sort(marked.begin(), marked.end());
        QCOMPARE(marked, std::vector<qint64>({58, 59}));
        ClickTitle(w.get(), "INVOICENO");  // INV01 first: the marked rows are far down
        MoveMarkedTo(w.get(), "Archive");
        QCOMPARE(F.Value("SELECT LIST(ID) FROM (SELECT ID FROM AR_TRAN WHERE "
                         "SYS_TREEVIEW_ID=50 ORDER BY ID)"),
                 QString("58,59"));
        QCOMPARE(CountOf(w.get(), "Archive"), QString("2"));
    }

    // The order of a text column does not depend on how many rows were read:
    // what the engine hands over later sorts as the rows read first do.
    void textOrderIsTheSameWhateverWasRead() {
        F.Dm().ExecSQL("UPDATE AR_TRAN SET INVOICENO = LOWER(INVOICENO) WHERE MOD(ID, 2) = 0");
        auto w = Partly();
        TClientDataSet* cds = w->Child_CDS;
        ClickTitle(w.get(), "INVOICENO");
        w->Grid()->setFocus();
        QTest::keyClick(w->Grid(), Qt::Key_End, Qt::ControlModifier);
        QVERIFY(cds->AllFetched());
        const QStringList shown = Column(cds, "INVOICENO");
        cds->Resort();  // every row sorted at once
        QCOMPARE(shown, Column(cds, "INVOICENO"));
    }

    // The last rows read while a new invoice is being typed do not count it
    // before it is saved.
    void aNewRowIsCountedOnceWhenTheLastRowsComeDuringItsInsert() {
        TScriptedMessages msgs;
        auto w = Partly();
        TClientDataSet* cds = w->Child_CDS;
        Click(w.get(), w->Command("Child_New"));
        for (int i = 0; i < Invoices && !cds->AllFetched(); ++i) ScrollToBottom(w.get());
        QVERIFY(cds->AllFetched());
        cds->FieldByName("AR_ACCT_ID")->SetValue(2);
        Click(w.get(), w->Command("Child_Save"));
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(F.Value("SELECT COUNT(*) FROM AR_TRAN WHERE SYS_TREEVIEW_ID=10"),
                 QString::number(Invoices + 1));
        QCOMPARE(CountOf(w.get(), "General"), QString::number(Invoices + 1));
    }

    // An invoice saved while the folders are being counted in the background
    // is counted, whether that count began before the save or not.
    void aSaveDuringTheBackgroundCountIsCounted() {
        TScriptedMessages msgs;
        F.Dm().SQLConn_Main.ExecuteImmediate(
            "EXECUTE BLOCK AS DECLARE I INTEGER = 1000; BEGIN WHILE (I < 21000) DO BEGIN "
            "INSERT INTO AR_TRAN (ID, INVOICENO, AR_ACCT_ID, SYS_TAX_ID, SYS_TREEVIEW_ID) "
            "VALUES (:I, 'B' || :I, 1, 1, 10); I = I + 1; END END");
        auto w = OpenBrowser<TfmArTran>();
        w->Child_CDS->FetchWhenIdle = false;
        // The count has been read, before the save; its result waits for the
        // window thread's event loop, which has not run since.
        while (F.Dm().RunningInBackground()) QThread::yieldCurrentThread();
        QCOMPARE(Folder(w.get(), "General")->text(0), QString("General"));
        Click(w.get(), w->Command("Child_New"));
        w->Child_CDS->FieldByName("AR_ACCT_ID")->SetValue(2);
        Click(w.get(), w->Command("Child_Save"));
        QCOMPARE(msgs.Take(), QStringList());
        const int stored = F.Value("SELECT COUNT(*) FROM AR_TRAN WHERE SYS_TREEVIEW_ID=10").toInt();
        QCOMPARE(stored, Invoices + 20001);
        QTRY_VERIFY_WITH_TIMEOUT(
            !F.Dm().RunningInBackground() && Folder(w.get(), "General")->text(0) != "General",
            60000);
        QCoreApplication::processEvents();
        QCOMPARE(Folder(w.get(), "General")->text(0), QString("General (%1)").arg(stored));
    }

    // The folders of a table of many rows are counted on a connection of
    // their own, and show their counts when they come, the list meanwhile
    // showing its first rows.
    void manyRowsAreCountedInTheBackground() {
        F.Dm().SQLConn_Main.ExecuteImmediate(
            "EXECUTE BLOCK AS DECLARE I INTEGER = 1000; BEGIN WHILE (I < 21000) DO BEGIN "
            "INSERT INTO AR_TRAN (ID, INVOICENO, AR_ACCT_ID, SYS_TAX_ID, SYS_TREEVIEW_ID) "
            "VALUES (:I, 'B' || :I, 1, 1, IIF(:I < 1100, 50, 10)); I = I + 1; END END");
        auto w = OpenBrowser<TfmArTran>();
        QCOMPARE(w->Child_CDS->RecordCount(), TfmChild::ChildPacketRows);
        // The count is handed over by the window thread's event loop.
        QCOMPARE(Folder(w.get(), "General")->text(0), QString("General"));
        QTRY_COMPARE_WITH_TIMEOUT(Folder(w.get(), "General")->text(0),
                                  QString("General (%1)").arg(Invoices + 19900), 60000);
        QCOMPARE(Folder(w.get(), "Archive")->text(0), QString("Archive (100)"));
        QTRY_VERIFY_WITH_TIMEOUT(w->Child_CDS->AllFetched(), 60000);  // read while idle
        QCOMPARE(w->Child_CDS->RecordCount(), Invoices + 19900);
        QCOMPARE(w->StatusPanel(0)->text(), QString("Record Count: %1").arg(Invoices + 19900));
    }
};

QTEST_MAIN(TstPackets)
#include "tst_packets.moc"
