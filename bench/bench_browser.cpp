// Browser benchmark: a folder holding 100,000 customers.
//   bench_browser [rows]
// Prints the time from selecting the folder to the grid painted against
// fetching the same rows through src/db alone, a title-click sort, and how
// many cells the grid asks for while scrolling from top to bottom. The
// window is shown and exposed, and each timed step ends with its paints done.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>

#include "BenchSupport.h"
#include "TClientDataSet.h"
#include "TDbGridModel.h"
#include "TFbQuery.h"
#include "WindowTiming.h"
#include "uCust.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uLibProc.h"
#include "uTreeView.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    HandleHelp(argc, argv,
               "Usage: bench_browser [rows]\n"
               "Fills a customer folder with rows customers (default 100000) and prints the time\n"
               "from selecting the folder to the grid painted, against fetching the same rows\n"
               "through src/db alone; a title-click sort with its repaint; and the cells the grid\n"
               "asks for per page while scrolling from top to bottom.\n");
    QApplication app(argc, argv);
    const int rows = argc > 1 ? QString(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    SetProgramFolder(dir.path());
    TdmMain dm;
    dm.SQLConn_Main.Open(PrepareBenchDatabase(dir));
    dm.Curr_User_Name = "bench";
    dm.SQLConn_Main.ExecuteImmediate(
        QString("EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= %1) DO BEGIN "
                "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, ADDRESS, PHONENO, MOBILENO, EMAIL, "
                "\"GROUP\", "
                "GRADE, DISCTRATE, PRICENO, CREATEDATE, SYS_TREEVIEW_ID) VALUES (:I, 'Cust' || :I, "
                "'Customer number ' || :I, :I || ' Long Street', '555-' || :I, '0400-' || :I, "
                "'c' || :I || '@example.com', 'Retail', 'A', MOD(:I, 20), MOD(:I, 3), "
                "DATEADD(MOD(:I, 700) DAY TO DATE '2025-01-01'), 4); I = I + 1; END END")
            .arg(rows));
    std::printf("customers in the folder: %d\n", rows);

    const QString sql = "SELECT * FROM AR_ACCT WHERE SYS_TREEVIEW_ID=4";
    TfmCust w;
    w.resize(1280, 800);
    ShowExposed(w);
    w.LoadTree();  // selects "General" (empty)
    QTreeWidgetItem* wholesale = nullptr;
    for (QTreeWidgetItem* it = RootOf(w.Tree()); it; it = NextInTree(it))
        if (NodeData(it).ID == 4) wholesale = it;
    QTreeWidgetItem* general = w.Tree()->currentItem();
    TPaintCounter gridPaints(w.Grid()->viewport());
    int timedSteps = 0;
    std::vector<double> fetch, select;
    for (int run = 0; run < 5; ++run) {
        fetch.push_back(TimeMs([&]() {
            TFbTransaction tra(dm.SQLConn_Main);
            TFbQuery q(tra, sql);
            for (q.Open(); !q.Eof(); q.Next()) {
            }
        }));
        w.Tree()->setCurrentItem(general);
        Settle();
        const int before = gridPaints.Count;
        select.push_back(TimeMs([&]() {
            w.Tree()->setCurrentItem(wholesale);
            Settle();  // the exposed window paints what changed
        }));
        timedSteps += gridPaints.Count > before ? 1 : 0;
    }
    std::printf("fetch through src/db alone:          %8.1f ms\n", Median(fetch));
    std::printf("  (counting the folder in the database: %.1f ms)\n", TimeMs([&]() {
                    dm.SelectValue("SELECT COUNT(ID) FROM AR_ACCT WHERE SYS_TREEVIEW_ID = 4");
                }));
    std::printf("  (reading into a record set alone: %.1f ms)\n", TimeMs([&]() {
                    TClientDataSet ds;
                    ds.SetConnection(&dm.SQLConn_Main);
                    ds.CommandText = sql;
                    ds.Open();
                }));
    std::printf("select the folder to grid painted:   %8.1f ms  (%.2fx)\n", Median(select),
                Median(select) / Median(fetch));
    std::printf("  rows listed: %d\n", w.Child_CDS->RecordCount());
    std::printf("  (grid painted in %d of %d timed folder selections)\n", timedSteps,
                int(select.size()));

    std::vector<double> sorts;
    const int nameCol = w.Grid()->LogicalOfField("NAME");
    const int phoneCol = w.Grid()->LogicalOfField("PHONENO");
    for (int run = 0; run < 6; ++run)
        sorts.push_back(TimeMs([&]() {
            w.DBGrid1TitleClick(run % 3 == 2 ? phoneCol : nameCol);
            Settle();
        }));
    std::printf("title-click sort and repaint:        %8.1f ms\n", Median(sorts));

    // Scrolling page by page from top to bottom: cells asked per page.
    TDbGrid* g = w.Grid();
    Settle();
    const int visibleRows = g->viewport()->height() / g->verticalHeader()->defaultSectionSize() + 1;
    const int visibleCols = g->model()->columnCount();
    QScrollBar* bar = g->verticalScrollBar();
    bar->setValue(0);
    g->viewport()->repaint();
    w.Grid()->GridModel()->DataCalls = 0;
    int pages = 0;
    QElapsedTimer t;
    t.start();
    while (bar->value() < bar->maximum() && pages < 200) {
        bar->setValue(bar->value() + bar->pageStep());
        g->viewport()->repaint();
        ++pages;
    }
    const double perPage = double(g->GridModel()->DataCalls) / pages;
    std::printf(
        "scrolling %d pages: %.1f ms per page, %.0f data() calls per page "
        "(%d rows x %d columns visible)\n",
        pages, double(t.nsecsElapsed()) / 1e6 / pages, perPage, visibleRows, visibleCols);
    return 0;
}
