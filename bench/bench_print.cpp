// Printing benchmark: invoices through the shipped template.
//   bench_print [invoices] [lines] [big invoices] [big lines]
// Prints, for invoices × lines (default 100 × 25) marked: the time from the
// template chosen to the first page painted in the preview, and the time to
// write the PDF of all pages; then for big invoices × big lines (default
// 1,000 × 5): laying out and writing the whole PDF, and the peak memory.

#include <sys/resource.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "BenchSupport.h"
#include "PreviewTiming.h"
#include "TReportDocument.h"
#include "TReportPreview.h"
#include "WindowTiming.h"
#include "uDmMain.h"
#include "uDoTemplate.h"
#include "uLibProc.h"

namespace {

long PeakRssMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

// Invoices first..first+count-1 of lines lines each; returns their keys.
QString AddInvoices(TdmMain& dm, int first, int count, int lines) {
    dm.SQLConn_Main.ExecuteImmediate(
        QString(
            "EXECUTE BLOCK AS DECLARE I INTEGER = %1; DECLARE L INTEGER; BEGIN WHILE (I < %2) "
            "DO BEGIN "
            "INSERT INTO AR_TRAN (ID, INVOICENO, INVOICEDATE, AR_ACCT_ID, SYS_TAX_ID, "
            "AR_TRANTYPE_ID, SYS_TREEVIEW_ID, AMTGOODS, AMTTAX, AMTTOTAL) VALUES (:I, 'INV' || "
            ":I, CURRENT_DATE, 1, 1, 1, 10, 20 * %3, 0, 20 * %3); L = 1; WHILE (L <= %3) DO BEGIN "
            "INSERT INTO AR_TRANITEM (AR_TRAN_ID, LINE, IC_ITEM_ITEMNO, ITEMDESC, QTY, PRICE, "
            "DISCTRATE, AMOUNT) VALUES (:I, :L, 'P' || :L, 'Product number ' || :L, 2, 10, 0, "
            "20); L = L + 1; END I = I + 1; END END")
            .arg(first)
            .arg(first + count)
            .arg(lines));
    QStringList ids;
    for (int i = first; i < first + count; ++i) ids << QString::number(i);
    return ids.join(',');
}

// Milliseconds from choosing the template to the first page painted.
double FirstPageMs(TfmDoTemplate& t, int templateId) {
    return FirstPreviewPageMs([&]() { t.PrintWithTemplate(templateId); });
}

double PdfMs(TfmDoTemplate& t, const QString& file, int* pages) {
    double ms = TimeMs([&]() {
        std::unique_ptr<TReportDocument> doc = t.BeginPrint(true);
        doc->SaveToPdf(file);
        *pages = doc->PageCount();
    });
    t.EndPrint();
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    HandleHelp(argc, argv,
               "Usage: bench_print [invoices] [lines] [big invoices] [big lines]\n"
               "Prints, for invoices x lines (default 100 x 25) marked in the template window:\n"
               "the time from the template chosen to the first page painted in the preview\n"
               "(median of 5), and writing the PDF of all pages; then for big invoices x big\n"
               "lines (default 1000 x 5): laying out and writing the whole PDF, the peak\n"
               "memory, and the first page painted.\n");
    QApplication app(argc, argv);
    const int invoices = argc > 1 ? QString(argv[1]).toInt() : 100;
    const int lines = argc > 2 ? QString(argv[2]).toInt() : 25;
    const int bigInvoices = argc > 3 ? QString(argv[3]).toInt() : 1000;
    const int bigLines = argc > 4 ? QString(argv[4]).toInt() : 5;
    QTemporaryDir dir;
    SetProgramFolder(dir.path());
    // The shipped background picture, where the program finds it.
    QDir(dir.path()).mkpath("UserData/Images/DoTemplates");
    QFile::copy(QStringLiteral(TALLYVO_BIN_DIR "/UserData/Images/DoTemplates/InvoiceForm.png"),
                dir.path() + "/UserData/Images/DoTemplates/InvoiceForm.png");
    TdmMain dm;
    dm.SQLConn_Main.Open(PrepareBenchDatabase(dir));
    dm.Curr_User_Name = "bench";
    dm.ExecSQL(
        "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, ADDRESS, ZIPCODE) VALUES (1, 'C', "
        "'Customer Ltd', '1 High Street, Springfield', '12345')");
    const QString marked = AddInvoices(dm, 1, invoices, lines);
    const QString big = AddInvoices(dm, 100000, bigInvoices, bigLines);
    const int templateId =
        dm.SelectValue("SELECT FIRST 1 ID FROM SO_DOTEMPLATE ORDER BY ID").toInt();

    TfmDoTemplate t;
    t.resize(1280, 800);
    ShowExposed(t);
    t.LoadTree();
    t.SetOrderInStr(marked);
    std::vector<double> first, pdf;
    int pages = 0;
    for (int run = 0; run < 5; ++run) {
        first.push_back(FirstPageMs(t, templateId));
        pdf.push_back(PdfMs(t, dir.path() + "/marked.pdf", &pages));
    }
    std::printf(
        "%d invoices x %d lines (%d pages): first page shown %.0f ms, PDF of all pages %.0f ms "
        "(%.1f MB) (medians of 5)\n",
        invoices, lines, pages, Median(first), Median(pdf),
        QFileInfo(dir.path() + "/marked.pdf").size() / 1e6);

    const long before = PeakRssMb();
    t.SetOrderInStr(big);
    const double bigMs = PdfMs(t, dir.path() + "/big.pdf", &pages);
    std::printf(
        "%d invoices x %d lines (%d pages): PDF %.0f ms (%.1f MB); peak memory %ld MB "
        "(%ld MB before)\n",
        bigInvoices, bigLines, pages, bigMs, QFileInfo(dir.path() + "/big.pdf").size() / 1e6,
        PeakRssMb(), before);
    t.SetOrderInStr(big);
    std::printf("%d invoices x %d lines: first page shown %.0f ms\n", bigInvoices, bigLines,
                FirstPageMs(t, templateId));
    return 0;
}
