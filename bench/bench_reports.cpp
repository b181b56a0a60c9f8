// Report benchmark on years of invoices.
//   bench_reports [invoices]
// Fills a database with invoices (default 100,000) of three lines over the
// last two years, a receipt for every other one, and prints for the sales
// ranking by product, the sales detail and the ageing report with receipts
// the time from "Preview" to the first page painted (statement and reading
// included) and what laying out every page would cost; and the
// recalculation of paid amounts, alone and with the home page's statistics.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "BenchSupport.h"
#include "PreviewTiming.h"
#include "TClientDataSet.h"
#include "TReportDocument.h"
#include "TReportPreview.h"
#include "WindowTiming.h"
#include "uDefault.h"
#include "uDmMain.h"
#include "uLibProc.h"
#include "uReports.h"

namespace {

void AddInvoices(TdmMain& dm, int count) {
    dm.SQLConn_Main.ExecuteImmediate(
        QString("EXECUTE BLOCK AS DECLARE I INTEGER = 1; DECLARE L INTEGER; BEGIN WHILE (I <= %1) "
                "DO BEGIN "
                "INSERT INTO AR_TRAN (ID, INVOICENO, INVOICEDATE, AR_ACCT_ID, SYS_USER_ID, "
                "AR_TRANTYPE_ID, SYS_TREEVIEW_ID, AMTGOODS, AMTTAX, AMTTOTAL, AMTPAID, REF1) "
                "VALUES (:I, 'INV' || :I, CURRENT_DATE - MOD(:I, 730), MOD(:I, 50) + 1, 0, 1, "
                "10, 60, 6, 66, 0, 'PO' || :I); L = 1; WHILE (L <= 3) DO BEGIN "
                "INSERT INTO AR_TRANITEM (AR_TRAN_ID, LINE, IC_ITEM_ID, ITEMDESC, QTY, PRICE, "
                "DISCTRATE, AMOUNT) VALUES (:I, :L, MOD(:I + :L, 200) + 1, 'Product ' || "
                "MOD(:I + :L, 200), 2, 10, 0, 20); L = L + 1; END "
                "IF (MOD(:I, 2) = 0) THEN INSERT INTO CB_TRAN (ID, CB_ACCT_ID, AR_TRAN_ID, "
                "TRANDATE, TRANDESC, TRANAMT, CB_TRANTYPE_FACTOR, SYS_TREEVIEW_ID) VALUES (:I, "
                "1, :I, CURRENT_DATE, 'Part payment', 30, 1, 10); "
                "I = I + 1; END END")
            .arg(count));
}

// Milliseconds from "Preview" to the first page painted in the preview.
double FirstPageMs(TfmRpt& w) {
    return FirstPreviewPageMs([&]() { w.BitBtn1->click(); });
}

// Laying out every page of the rows read, as a report that shows no page
// before the last is laid out would (the reading is in the first figure).
double AllPagesMs(TfmRpt& w, int* pages) {
    return TimeMs([&]() {
        std::unique_ptr<TReportDocument> doc = w.QuickRep1.Prepare();
        *pages = doc->TotalPages();
    });
}

void Measure(const char* name, TfmRpt& w) {
    // The report window is on the screen when its "Preview" is clicked.
    ShowExposed(w);
    w.dtFrom->setDate(TdmMain::Today().addYears(-2));
    w.dtTo->setDate(TdmMain::Today());
    std::vector<double> first;
    for (int run = 0; run < 5; ++run) first.push_back(FirstPageMs(w));
    int pages = 0;
    const double all = AllPagesMs(w, &pages);
    std::printf(
        "%-30s %7d rows: first page shown %5.0f ms (median of 5); laying out all %d "
        "pages %6.0f ms\n",
        name, w.Work_CDS->RecordCount(), Median(first), pages, all);
    w.hide();
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    HandleHelp(argc, argv,
               "Usage: bench_reports [invoices]\n"
               "Fills a database with invoices (default 100000) of 3 lines over two years and a\n"
               "receipt for every other one, and prints: the recalculation of paid amounts\n"
               "alone and with the home page's statistics; and for the sales ranking by\n"
               "product, the sales detail and the ageing report with receipts, the time from\n"
               "\"Preview\" to the first page painted in the preview (median of 5) and the cost\n"
               "of laying out every page.\n");
    QApplication app(argc, argv);
    const int invoices = argc > 1 ? QString(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    SetProgramFolder(dir.path());
    TdmMain dm;
    dm.SQLConn_Main.Open(PrepareBenchDatabase(dir));
    dm.ExecSQL("INSERT INTO CB_ACCT (ID, NAME) VALUES (1, 'Cheque')");
    dm.SQLConn_Main.ExecuteImmediate(
        "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= 50) DO BEGIN INSERT INTO "
        "AR_ACCT (ID, NICKNAME, NAME) VALUES (:I, 'C' || :I, 'Customer ' || :I); I = I + 1; END "
        "END");
    const double fill = TimeMs([&]() { AddInvoices(dm, invoices); });
    std::printf("%d invoices of 3 lines, %d receipts: filled in %.0f ms\n", invoices, invoices / 2,
                fill);

    std::vector<double> recalc, home;
    for (int run = 0; run < 5; ++run)
        recalc.push_back(TimeMs([&]() { dm.RecalculatePaidAmounts(); }));
    TfmDefault page;
    for (int run = 0; run < 5; ++run) home.push_back(TimeMs([&]() { page.sbRefreshToDoClick(); }));
    std::printf(
        "Recalculation of paid amounts: %.0f ms; home page \"Refresh Statistical Data\" "
        "(recalculation included): %.0f ms (medians of 5)\n",
        Median(recalc), Median(home));

    TfmSalesRpt ranking;
    Measure("Sales ranking by product", ranking);
    TfmSalesDetailRpt detail;
    Measure("Sales detail", detail);
    TfmSalesAgingRpt ageing;
    ageing.cbWithReceipt->setChecked(true);
    Measure("Invoice ageing with receipts", ageing);
    return 0;
}
