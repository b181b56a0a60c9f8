// Record-set benchmark on 100,000 invoice rows (AR_TRAN, 19 columns):
//   bench_dataset [rows]
// Prints: open into memory against fetching through src/db alone, memory per
// row against the raw size of its values, sort and filter times, and apply
// updates of 1,000 edited rows. Medians of several runs.

#include <malloc.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "BenchSupport.h"
#include "TClientDataSet.h"
#include "TFbConnection.h"
#include "TFbQuery.h"

namespace {

size_t HeapInUse() { return mallinfo2().uordblks; }

}  // namespace

int main(int argc, char** argv) {
    HandleHelp(argc, argv,
               "Usage: bench_dataset [rows]\n"
               "Fills AR_TRAN with rows invoices (default 100000) and prints, as medians: the\n"
               "fetch through src/db alone and with every value read; opening the rows into a\n"
               "record set; memory per row against the raw size of its values; sorts by a text\n"
               "and a lookup column; a contains filter on 3 text columns; and apply updates of\n"
               "1,000 edited rows. No windows: nothing here is painted.\n");
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QString(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    TFbConnection conn;
    conn.Open(PrepareBenchDatabase(dir));
    conn.ExecuteImmediate(
        "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= 1000) DO BEGIN "
        "INSERT INTO AR_ACCT (ID, NICKNAME, NAME) VALUES (:I, 'Cust' || :I, 'Customer ' || :I); "
        "I = I + 1; END END");
    conn.ExecuteImmediate(
        QString(
            "EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= %1) DO BEGIN "
            "INSERT INTO AR_TRAN (ID, INVOICENO, INVOICEDATE, AR_ACCT_ID, SYS_TAX_ID, TERM, "
            "SYS_USER_ID, REF1, REF2, AMTGOODS, AMTTAX, AMTTOTAL, AMTPAID, REMARKS, "
            "AR_TRANTYPE_ID, "
            "AR_TRANTYPE_FACTOR, SYS_TREEVIEW_ID) VALUES (:I, 'INV' || LPAD(:I, 8, '0'), "
            "DATEADD(MOD(:I, 730) DAY TO DATE '2025-01-01'), MOD(:I, 1000) + 1, MOD(:I, 3), "
            "'30 days', 0, 'PO-' || :I, 'Ref ' || MOD(:I, 97), :I * 1.25, :I * 0.125, :I * 1.375, "
            "0, 'Remarks for invoice ' || :I, 1, 1, 1); I = I + 1; END END")
            .arg(rows));
    std::printf("rows: %d\n", rows);
    const QString sql = "SELECT * FROM AR_TRAN";

    // The floor: fetching through src/db alone, and fetching with every value read.
    std::vector<double> fetchOnly, fetchRead, openSet;
    for (int run = 0; run < 5; ++run) {
        fetchOnly.push_back(TimeMs([&]() {
            TFbTransaction tra(conn);
            TFbQuery q(tra, sql);
            for (q.Open(); !q.Eof(); q.Next()) {
            }
        }));
        fetchRead.push_back(TimeMs([&]() {
            TFbTransaction tra(conn);
            TFbQuery q(tra, sql);
            size_t sink = 0;
            for (q.Open(); !q.Eof(); q.Next())
                for (int c = 0; c < q.FieldCount(); ++c) sink += q.Value(c).isValid();
            if (sink == 1) std::puts("");
        }));
        openSet.push_back(TimeMs([&]() {
            TClientDataSet ds;
            ds.SetConnection(&conn);
            ds.CommandText = sql;
            ds.Open();
        }));
    }
    std::printf("fetch through src/db alone:        %8.1f ms\n", Median(fetchOnly));
    std::printf("fetch and read every value:        %8.1f ms\n", Median(fetchRead));
    std::printf("open into the record set:          %8.1f ms  (%.2fx fetch alone)\n",
                Median(openSet), Median(openSet) / Median(fetchOnly));

    // Memory: heap held by the open set against the raw size of the values
    // (integers 4 bytes, money 8, dates 4, text its UTF-8 bytes).
    TClientDataSet cust;
    cust.SetConnection(&conn);
    cust.CommandText = "SELECT ID, NICKNAME, NAME FROM AR_ACCT";
    cust.Open();
    malloc_trim(0);
    const size_t before = HeapInUse();
    TClientDataSet ds;
    ds.SetConnection(&conn);
    ds.CommandText = sql;
    ds.UpdateFieldDefs();
    ds.AddLookupField("AR_ACCT_ID_LOOKUP", "AR_ACCT_ID", &cust, "NICKNAME", "AR_ACCT_ID");
    ds.Open();
    const size_t held = HeapInUse() - before;
    size_t raw = 0;
    for (int r = 0; r < ds.RecordCount(); ++r)
        for (int c = 0; c < ds.FieldCount(); ++c) {
            TField* f = ds.Field(c);
            if (f->IsLookup) continue;
            const QVariant v = ds.ValueAt(r, f);
            if (!v.isValid()) continue;
            switch (f->DataType) {
                case TFbType::Integer:
                case TFbType::Date:
                case TFbType::Time:
                    raw += 4;
                    break;
                case TFbType::Text:
                case TFbType::Memo:
                    raw += size_t(v.toString().toUtf8().size());
                    break;
                case TFbType::Boolean:
                    raw += 1;
                    break;
                default:
                    raw += 8;
            }
        }
    std::printf("memory per row: %.1f bytes held, %.1f bytes of values (%.2fx)\n",
                double(held) / rows, double(raw) / rows, double(held) / double(raw));

    std::vector<double> sortText, sortLookup, filter;
    for (int run = 0; run < 5; ++run) {
        sortText.push_back(TimeMs([&]() { ds.AddIndex("A_REMARKS", "REMARKS", run % 2); }));
        sortLookup.push_back(
            TimeMs([&]() { ds.AddIndex("A_AR_ACCT_ID", "AR_ACCT_ID_LOOKUP", run % 2); }));
        ds.DeleteIndexes();
        filter.push_back(TimeMs([&]() {
            ds.SetFilter(TFilter::AnyContains({"INVOICENO", "REF1", "REMARKS"}, "12345"));
            ds.SetFiltered(true);
        }));
        std::printf(
            "%s",
            run == 0
                ? QString("  (filter kept %1 rows)\n").arg(ds.RecordCount()).toUtf8().constData()
                : "");
        ds.SetFiltered(false);
    }
    std::printf("sort by a text column:             %8.1f ms\n", Median(sortText));
    std::printf("sort by a lookup column:           %8.1f ms\n", Median(sortLookup));
    std::printf("filter contains on 3 text columns: %8.1f ms\n", Median(filter));

    std::vector<double> apply;
    for (int run = 0; run < 3; ++run) {
        for (int r = 0; r < 1000; ++r) {
            ds.MoveTo(r * (rows / 1000));
            ds.FieldByName("REMARKS")->SetValue(QString("edited %1 %2").arg(run).arg(r));
            ds.FieldByName("AMTPAID")->SetValue(QVariant::fromValue(TMoney(r)));
            ds.Post();
        }
        apply.push_back(TimeMs([&]() { ds.ApplyUpdates(); }));
    }
    std::printf("apply updates of 1,000 edited rows: %7.1f ms\n", Median(apply));
    return 0;
}
