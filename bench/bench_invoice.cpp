// Invoice benchmark: 100,000 invoices of 5 lines each.
//   bench_invoice [invoices]
// Prints the time from "Save" of one line to the totals shown re-read,
// CalcArTranTax alone, and "Save" of a new invoice in the folder of all the
// others (medians). The window is shown and exposed; a timed "Save" ends when
// its paints are done.

#include <QApplication>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <cstdio>

#include "BenchSupport.h"
#include "PrintedMessages.h"
#include "TClientDataSet.h"
#include "WindowTiming.h"
#include "uArTran.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uLibProc.h"
#include "uMessages.h"
#include "uTreeView.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    HandleHelp(
        argc, argv,
        "Usage: bench_invoice [invoices]\n"
        "Fills a database with invoices (default 100000) of 5 lines and prints, as\n"
        "medians: \"Save\" of one line until the window shows the totals re-read and\n"
        "painted; CalcArTranTax alone; and \"Save\" of a new invoice in the folder of\n"
        "all the others until the grid is painted. Messages are printed, never waited on.\n");
    QApplication app(argc, argv);
    TPrintedMessages messages;
    TMessageService::SetInstance(&messages);
    const int invoices = argc > 1 ? QString(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    SetProgramFolder(dir.path());
    TdmMain dm;
    dm.SQLConn_Main.Open(PrepareBenchDatabase(dir));
    dm.Curr_User_Name = "bench";
    dm.ExecSQL(
        "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, SYS_TAX_ID) VALUES (1, 'C', 'Customer', 1)");
    // Every invoice but the last in the "General" folder; the last one alone
    // in another folder, which the window lists.
    dm.SQLConn_Main.ExecuteImmediate(
        QString(
            "EXECUTE BLOCK AS DECLARE I INTEGER = 1; DECLARE L INTEGER; BEGIN WHILE (I <= %1) DO "
            "BEGIN "
            "INSERT INTO AR_TRAN (ID, INVOICENO, AR_ACCT_ID, SYS_TAX_ID, SYS_TREEVIEW_ID) "
            "VALUES (:I, 'INV' || :I, 1, 1, IIF(:I = %1, 9, 10)); L = 1; WHILE (L <= 5) DO BEGIN "
            "INSERT INTO AR_TRANITEM (AR_TRAN_ID, LINE, QTY, PRICE, DISCTRATE, AMOUNT) "
            "VALUES (:I, :L, 2, 10, 0, 20); L = L + 1; END I = I + 1; END END")
            .arg(invoices));
    dm.SQLConn_Main.ExecuteImmediate(
        QString("ALTER SEQUENCE AR_TRAN_ID_GEN RESTART WITH %1").arg(invoices + 1));
    std::printf("invoices: %d, lines: %d\n", invoices, invoices * 5);

    std::vector<double> calc;
    for (int run = 0; run < 21; ++run)
        calc.push_back(TimeMs([&]() {
            TMoney t, x, g;
            dm.CalcArTranTax(invoices / 2 + run, 1, t, x, g);
        }));

    TfmArTran w;
    w.resize(1280, 800);
    ShowExposed(w);
    w.LoadTree();
    for (QTreeWidgetItem* it = RootOf(w.Tree()); it; it = NextInTree(it))
        if (NodeData(it).ID == 9) w.Tree()->setCurrentItem(it);
    // Lines are saved where the user edits them: on the "Items" page.
    w.Pages()->setCurrentWidget(w.Part<QWidget>("pgTsItems"));
    Settle();
    // Both grids should paint in a timed step: the line, and the totals' row.
    TPaintCounter linePaints(w.LinesGrid()->viewport()), gridPaints(w.Grid()->viewport());
    int linesPainted = 0, gridPainted = 0;
    std::vector<double> saves;
    for (int run = 0; run < 21; ++run) {
        w.Sub_CDS->First();
        w.Sub_CDS->FieldByName("QTY")->SetValue(2 + run % 3);
        Settle();
        const int lines = linePaints.Count, grid = gridPaints.Count;
        saves.push_back(TimeMs([&]() {
            w.Part<QToolButton>("ItemBtnSave")->click();
            Settle();
        }));
        linesPainted += linePaints.Count > lines ? 1 : 0;
        gridPainted += gridPaints.Count > grid ? 1 : 0;
    }
    std::printf("save one line to totals re-read:  %7.2f ms median (%s total shown)\n",
                Median(saves),
                qPrintable(w.Child_CDS->FieldByName("AMTTOTAL")->AsMoney().ToString()));
    std::printf("  (lines painted in %d, invoice grid in %d of %d timed saves)\n", linesPainted,
                gridPainted, int(saves.size()));
    std::printf("CalcArTranTax alone:              %7.2f ms median\n", Median(calc));

    // A new invoice in the folder of all the others, saved and shown.
    for (QTreeWidgetItem* it = RootOf(w.Tree()); it; it = NextInTree(it))
        if (NodeData(it).ID == 10) w.Tree()->setCurrentItem(it);
    Settle();
    std::vector<double> inserts;
    int painted = 0;
    for (int run = 0; run < 5; ++run) {
        w.Command("Child_New")->trigger();
        w.Child_CDS->FieldByName("AR_ACCT_ID")->SetValue(1);
        Settle();
        const int grid = gridPaints.Count;
        inserts.push_back(TimeMs([&]() {
            w.Command("Child_Save")->trigger();
            Settle();
        }));
        painted += gridPaints.Count > grid ? 1 : 0;
    }
    std::printf("save a new invoice among %d:      %7.2f ms median (%d listed)\n", invoices,
                Median(inserts), w.Child_CDS->RecordCount());
    std::printf("  (grid painted in %d of %d timed saves)\n", painted, int(inserts.size()));
    return 0;
}
