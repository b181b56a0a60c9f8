// Scale benchmark: the whole program on a database of years of invoices.
//   bench_scale [--invoices N] [--data DIR] [--runs N]
// Times what the user waits for, window shown and painted, next to fetching
// the same rows through src/db alone. See --help.

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QStringDecoder>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <cstdio>
#include <memory>

#include "BenchSupport.h"
#include "PrintedMessages.h"
#include "TClientDataSet.h"
#include "TFbConnection.h"
#include "TFbQuery.h"
#include "WindowTiming.h"
#include "uArTran.h"
#include "uCBTran.h"
#include "uCommands.h"
#include "uDbGrid.h"
#include "uDefault.h"
#include "uDmMain.h"
#include "uLibProc.h"
#include "uMain.h"
#include "uPnFkey.h"
#include "uPnFkeyForm.h"
#include "uTranTypes.h"
#include "uTreeView.h"

namespace {

const char* const Usage =
    "Usage: bench_scale [--invoices N] [--data DIR] [--runs N]\n"
    "The program's main window on a database of N invoices (default 1000000) of 5\n"
    "lines over five years, in four folders, with 200 customers, 50,000 products\n"
    "(Chinese names, pinyin search on), a receipt for every other invoice and some\n"
    "payments. Prints, as medians of --runs runs (default 3) with a fresh main window\n"
    "each, the time the user waits until the screen is painted, next to fetching the\n"
    "same rows through src/db alone and the goal:\n"
    "  click \"Invoices\" until the first screen of rows is painted (and the memory\n"
    "  this takes); change folder and back; \"Save\" of a new invoice; \"Delete\" of\n"
    "  one invoice, confirmed; open \"Receipts\", then each folder switch; the first\n"
    "  key typed in a product lookup on an invoice line until the picker is painted\n"
    "  filtered; and the raw fetch of all invoices.\n"
    "The filled database is built once (progress every 100,000 invoices) and kept\n"
    "in DIR (default <build>/bench-data) beside a checksum of the pristine database\n"
    "it was built from; it is rebuilt when that changes. Each run works on a copy,\n"
    "so the kept file stays as it was built.\n"
    "  --invoices N  invoices in the database (e.g. 20000 for a quick check)\n"
    "  --data DIR    folder of the kept database\n"
    "  --runs N      runs of each step\n";

constexpr int Customers = 200;
constexpr int Products = 50000;
constexpr int ProductsSold = 500;
constexpr int DaysSpread = 1826;  // five years
// Bumped when the filled database changes shape: a kept file of another
// version is built again.
constexpr int DataVersion = 1;

struct TOptions {
    int Invoices = 1000000;
    int Runs = 3;
    QString DataDir = QStringLiteral(TALLYVO_BENCH_DATA_DIR);
};

TOptions ParseOptions(int argc, char** argv) {
    TOptions o;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        const QString v = i + 1 < argc ? QString::fromLocal8Bit(argv[i + 1]) : QString();
        if (a == "--invoices" && !v.isEmpty()) {
            o.Invoices = v.toInt();
            ++i;
        } else if (a == "--runs" && !v.isEmpty()) {
            o.Runs = v.toInt();
            ++i;
        } else if (a == "--data" && !v.isEmpty()) {
            o.DataDir = v;
            ++i;
        } else {
            std::fprintf(stderr, "unknown argument: %s\n%s", argv[i], Usage);
            std::exit(2);
        }
    }
    if (o.Invoices < 100 || o.Runs < 1) {
        std::fprintf(stderr, "--invoices must be at least 100 and --runs at least 1\n");
        std::exit(2);
    }
    return o;
}

QByteArray FileChecksum(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result().toHex();
}

long RssKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

double Seconds(const QElapsedTimer& t) { return double(t.elapsed()) / 1000.0; }

// ------------------------------------------------------------ building

int FolderId(TFbConnection& conn, const QString& table, const QString& caption) {
    TFbTransaction tra(conn);
    TFbQuery q(tra, "SELECT ID FROM SYS_TREEVIEW WHERE TABLENAME='" + table + "' AND CAPTION='" +
                        caption + "' AND PARENTID<>0");
    q.Open();
    return q.Eof() ? 0 : q.AsInteger(QStringLiteral("ID"));
}

void AddProducts(TFbConnection& conn) {
    TFbTransaction tra(conn);
    TFbQuery ins(tra,
                 "INSERT INTO IC_ITEM (ID, ITEMNO, NAME, UOM, PRICE0, PRICE1, PRICE2, CREATEDATE, "
                 "SYS_TREEVIEW_ID) VALUES (:ID, :NO, :NAME, 'Each', :P0, :P1, :P2, "
                 "DATE '2020-01-01', 8)");
    // Names of three to five first-level hanzi and an English word, as a
    // Chinese shop names its goods; prices in whole tenths.
    const char* words[] = {"Tea", "Rice", "Soap", "Cable", "Paper", "Glass", "Sugar", "Salt"};
    uint32_t seed = 12345;
    for (int i = 1; i <= Products; ++i) {
        QByteArray gb;
        const int n = 3 + int(seed % 3);
        for (int k = 0; k < n; ++k) {
            seed = seed * 1103515245u + 12345u;
            gb.append(char(0xB0 + (seed >> 16) % 39));
            gb.append(char(0xA1 + (seed >> 8) % 94));
        }
        const int tenths = 10 + (i * 37) % 990;
        ins.SetParam("ID", i);
        ins.SetParam("NO", QString("P%1").arg(i, 6, 10, QLatin1Char('0')));
        ins.SetParam("NAME", QStringDecoder("GB2312").decode(gb) + " " + words[i % 8]);
        ins.SetParam("P0", QVariant::fromValue(TMoney(int64_t(tenths) * 1000)));
        ins.SetParam("P1", QVariant::fromValue(TMoney(int64_t(tenths - 1) * 1000)));
        ins.SetParam("P2", QVariant::fromValue(TMoney(int64_t(tenths - 2) * 1000)));
        ins.Execute();
    }
    tra.Commit();
}

// Invoices first..last: lines from the first products at the customer's
// price, totals as the invoice window stores them (goods, tax on top, total),
// a receipt of the whole total for every other invoice and a payment now
// and then.
QString InvoiceBlock(int first, int last, int invoices, const int folders[4]) {
    return QString(
               "EXECUTE BLOCK AS "
               "DECLARE I INTEGER = %1; DECLARE L INTEGER; DECLARE C INTEGER; "
               "DECLARE P INTEGER; DECLARE Q INTEGER; DECLARE TAXID INTEGER; "
               "DECLARE F INTEGER; DECLARE M INTEGER; DECLARE D DATE; "
               "DECLARE PRICE NUMERIC(18,4); DECLARE AMT NUMERIC(18,4); "
               "DECLARE GOODS NUMERIC(18,4); DECLARE TAX NUMERIC(18,4); "
               "DECLARE ITEMNO_ VARCHAR(40); DECLARE NAME_ VARCHAR(120); "
               "BEGIN WHILE (I <= %2) DO BEGIN "
               "C = MOD(I * 7919, %4) + 1; "
               "TAXID = IIF(MOD(C, 10) = 0, 0, 1); "
               "D = DATEADD(CAST(CAST(I - 1 AS BIGINT) * %5 / %3 AS INTEGER) - %5 DAY TO "
               "CURRENT_DATE); "
               "M = MOD(I, 20); "
               "F = IIF(M < 11, %7, IIF(M < 16, %8, IIF(M < 18, %9, %10))); "
               "GOODS = 0; L = 1; "
               "WHILE (L <= 5) DO BEGIN "
               "P = MOD(I * 31 + L * 97, %6) + 1; "
               "SELECT ITEMNO, NAME, PRICE0 FROM IC_ITEM WHERE ID = :P INTO :ITEMNO_, :NAME_, "
               ":PRICE; "
               "Q = 1 + MOD(I + L, 9); AMT = Q * PRICE; "
               "INSERT INTO AR_TRANITEM (AR_TRAN_ID, LINE, IC_ITEM_ID, IC_ITEM_ITEMNO, ITEMDESC, "
               "QTY, PRICE, DISCTRATE, AMOUNT) VALUES (:I, :L, :P, :ITEMNO_, :NAME_, :Q, :PRICE, "
               "0, "
               ":AMT); "
               "GOODS = GOODS + AMT; L = L + 1; END "
               "TAX = IIF(TAXID = 1, GOODS / 10, 0); "
               "INSERT INTO AR_TRAN (ID, INVOICENO, INVOICEDATE, AR_ACCT_ID, SYS_TAX_ID, TERM, "
               "SYS_USER_ID, REF1, AMTGOODS, AMTTAX, AMTTOTAL, AMTPAID, AR_TRANTYPE_ID, "
               "AR_TRANTYPE_FACTOR, SYS_TREEVIEW_ID) VALUES (:I, 'INV' || LPAD(:I, 7, '0'), :D, "
               ":C, :TAXID, '30 Days', 0, 'PO ' || :I, :GOODS, :TAX, :GOODS + :TAX, 0, %11, %12, "
               ":F); "
               "IF (MOD(I, 2) = 0) THEN "
               "INSERT INTO CB_TRAN (ID, CB_TRANTYPE_ID, CB_TRANTYPE_FACTOR, TYPE1NOTE, "
               "CB_ACCT_ID, TRANDATE, TRANAMT, TRANDESC, AR_TRAN_ID, SYS_USER_ID, "
               "SYS_TREEVIEW_ID) VALUES (:I / 2, %13, %14, 'Transfer', 1, DATEADD(14 DAY TO :D), "
               ":GOODS + :TAX, 'Invoice INV' || LPAD(:I, 7, '0') || ' from Customer ' || :C, :I, "
               "0, 15); "
               "IF (MOD(I, 50) = 1) THEN "
               "INSERT INTO CB_TRAN (ID, CB_TRANTYPE_ID, CB_TRANTYPE_FACTOR, TYPE1NOTE, "
               "CB_ACCT_ID, TRANDATE, TRANAMT, TRANDESC, SYS_USER_ID, SYS_TREEVIEW_ID) VALUES "
               "(%3 / 2 + 1 + :I / 50, 2, -1, 'Transfer', 1, :D, 125.50, 'Supplier payment', 0, "
               "16); "
               "I = I + 1; END END")
        .arg(first)
        .arg(last)
        .arg(invoices)
        .arg(Customers)
        .arg(DaysSpread)
        .arg(ProductsSold)
        .arg(folders[0])
        .arg(folders[1])
        .arg(folders[2])
        .arg(folders[3])
        .arg(ArTranTypeSalesInvoice)
        .arg(ArTranTypeSalesInvoiceFactor)
        .arg(CbTranTypeInvoiceReceipt)
        .arg(CbTranTypeInvoiceReceiptFactor);
}

void BuildDatabase(const QString& file, int invoices) {
    QElapsedTimer total;
    total.start();
    QFile::remove(file);
    QFile::copy(QStringLiteral(TALLYVO_TEMPLATE_DB_DIR) + "/main.fdb", file);
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    TFbConnection conn;
    conn.Open(file);
    conn.ExecuteImmediate(
        QString("EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= %1) DO BEGIN "
                "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, ADDRESS, PHONENO, \"GROUP\", GRADE, "
                "DISCTRATE, SYS_TAX_ID, PRICENO, CREATEDATE, SYS_TREEVIEW_ID) VALUES (:I, "
                "'Cust' || :I, 'Customer ' || :I || ' Pty Ltd', :I || ' Long Street', "
                "'555-' || :I, 'Retail', 'A', 0, IIF(MOD(:I, 10) = 0, 0, 1), 0, "
                "DATE '2020-01-01', 2 + MOD(:I, 3)); I = I + 1; END END")
            .arg(Customers));
    conn.ExecuteImmediate(
        "INSERT INTO CB_ACCT (ID, NAME, OPENDATE, SYS_TREEVIEW_ID) VALUES (1, 'Cheque Account', "
        "DATE '2020-01-01', 12)");
    conn.ExecuteImmediate(
        "INSERT INTO CB_ACCT (ID, NAME, OPENDATE, SYS_TREEVIEW_ID) VALUES (2, 'Cash', "
        "DATE '2020-01-01', 13)");
    // Folders beside "General", as a business files its invoices.
    const QStringList captions = {"Wholesale", "Export", "Archive"};
    for (int i = 0; i < captions.size(); ++i)
        conn.ExecuteImmediate(
            QString("INSERT INTO SYS_TREEVIEW (TABLENAME, CAPTION, PARENTID, SIBLINGORDER, "
                    "IMGINDEX, READONLY) VALUES ('AR_TRAN', '%1', 9, %2, 0, 0)")
                .arg(captions[i])
                .arg(i + 1));
    const int folders[4] = {
        FolderId(conn, "AR_TRAN", "General"), FolderId(conn, "AR_TRAN", "Wholesale"),
        FolderId(conn, "AR_TRAN", "Export"), FolderId(conn, "AR_TRAN", "Archive")};
    QElapsedTimer step;
    step.start();
    AddProducts(conn);
    std::printf("  %d customers, %d products: %.1f s\n", Customers, Products, Seconds(step));
    std::fflush(stdout);
    constexpr int Chunk = 100000;
    for (int first = 1; first <= invoices; first += Chunk) {
        const int last = std::min(invoices, first + Chunk - 1);
        conn.ExecuteImmediate(InvoiceBlock(first, last, invoices, folders));
        std::printf("  %d invoices: %.1f s\n", last, Seconds(step));
        std::fflush(stdout);
    }
    conn.ExecuteImmediate(QString("ALTER SEQUENCE AR_TRAN_ID_GEN RESTART WITH %1").arg(invoices));
    conn.ExecuteImmediate(QString("ALTER SEQUENCE CB_TRAN_ID_GEN RESTART WITH %1")
                              .arg(invoices / 2 + 1 + invoices / 50));
    conn.ExecuteImmediate(QString("ALTER SEQUENCE AR_ACCT_ID_GEN RESTART WITH %1").arg(Customers));
    conn.ExecuteImmediate(QString("ALTER SEQUENCE IC_ITEM_ID_GEN RESTART WITH %1").arg(Products));
    conn.ExecuteImmediate("ALTER SEQUENCE CB_ACCT_ID_GEN RESTART WITH 2");
    // Index statistics as a database in use has them (they were taken on
    // empty tables).
    QStringList indexes;
    {
        TFbTransaction tra(conn);
        TFbQuery q(tra,
                   "SELECT TRIM(RDB$INDEX_NAME) AS N FROM RDB$INDICES WHERE RDB$RELATION_NAME IN "
                   "('AR_TRAN', 'AR_TRANITEM', 'CB_TRAN', 'IC_ITEM', 'AR_ACCT')");
        for (q.Open(); !q.Eof(); q.Next()) indexes << q.AsString(QStringLiteral("N"));
    }
    for (const QString& index : indexes) conn.ExecuteImmediate("SET STATISTICS INDEX " + index);
    conn.Close();
    std::printf("  built in %.1f s (%.0f MB)\n", Seconds(total),
                double(QFileInfo(file).size()) / 1e6);
}

// The kept database of this size, built when missing or made from another
// pristine database; returns its path.
QString KeptDatabase(const TOptions& o) {
    QDir().mkpath(o.DataDir);
    const QString file = QString("%1/scale-%2.fdb").arg(o.DataDir).arg(o.Invoices);
    const QString stamp = file + ".source";
    const QByteArray pristine = FileChecksum(QStringLiteral(TALLYVO_TEMPLATE_DB_DIR) + "/main.fdb");
    const QByteArray wanted = "pristine " + pristine + "\nversion " +
                              QByteArray::number(DataVersion) + "\ninvoices " +
                              QByteArray::number(o.Invoices) + "\n";
    QFile s(stamp);
    if (QFileInfo::exists(file) && s.open(QIODevice::ReadOnly) && s.readAll() == wanted) {
        std::printf("reusing %s (built from this pristine database)\n", qPrintable(file));
        return file;
    }
    s.close();
    std::printf("building %s: %d invoices of 5 lines\n", qPrintable(file), o.Invoices);
    std::fflush(stdout);
    // The stamp goes once the file is complete: an interrupted build is
    // built again.
    QFile::remove(stamp);
    const QString part = file + ".part";
    BuildDatabase(part, o.Invoices);
    QFile::remove(file);
    QFile::rename(part, file);
    if (s.open(QIODevice::WriteOnly)) s.write(wanted);
    return file;
}

// ------------------------------------------------------------ measuring

double RawFetchMs(TdmMain& dm, const QString& sql, int* rows = nullptr) {
    int n = 0;
    const double ms = TimeMs([&]() {
        TFbTransaction tra(dm.SQLConn_Main);
        TFbQuery q(tra, sql);
        for (q.Open(); !q.Eof(); q.Next()) ++n;
    });
    if (rows) *rows = n;
    return ms;
}

QToolButton* ButtonOf(QToolBar* bar, QAction* action) {
    return bar ? qobject_cast<QToolButton*>(bar->widgetForAction(action)) : nullptr;
}

// Clicks the button of action as the user does; triggers it when it has none.
void Click(QToolBar* bar, QAction* action) {
    if (QToolButton* b = ButtonOf(bar, action))
        QTest::mouseClick(b, Qt::LeftButton);
    else
        action->trigger();
}

QTreeWidgetItem* Folder(QTreeWidget* tree, int id) {
    for (QTreeWidgetItem* it = RootOf(tree); it; it = NextInTree(it))
        if (NodeData(it).ID == id) return it;
    return nullptr;
}

void ClickFolder(QTreeWidget* tree, QTreeWidgetItem* item) {
    tree->scrollToItem(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
}

struct TSamples {
    std::vector<double> Ms, Raw;
    void Add(double ms, double raw = -1) {
        Ms.push_back(ms);
        if (raw >= 0) Raw.push_back(raw);
    }
};

void PrintRow(const char* what, const TSamples& s, const char* goal, const QString& rawNote) {
    QStringList runs;
    for (double v : s.Ms) runs << QString::number(v, 'f', 1);
    const QString raw = s.Raw.empty() ? QStringLiteral("-")
                                      : QString::number(Median(s.Raw), 'f', 1) + " ms " + rawNote;
    std::printf("%-52s %9.1f ms  (runs %s)  raw fetch %s  goal %s\n", what, Median(s.Ms),
                qPrintable(runs.join(", ")), qPrintable(raw), goal);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    HandleHelp(argc, argv, Usage);
    const TOptions o = ParseOptions(argc, argv);
    QApplication app(argc, argv);
    TPrintedMessages messages;
    TMessageService::SetInstance(&messages);

    const QString kept = KeptDatabase(o);
    // A copy for this run: what the run writes never reaches the kept file.
    QTemporaryDir dir(o.DataDir + "/run-XXXXXX");
    SetProgramFolder(dir.path());
    QDir(dir.path()).mkpath(QStringLiteral("Data"));
    const QString db = dir.path() + "/Data/main.fdb";
    const double copyMs = TimeMs([&]() { QFile::copy(kept, db); });
    QFile::setPermissions(db, QFile::ReadOwner | QFile::WriteOwner);
    std::printf("working copy: %.0f ms\n", copyMs);

    TdmMain dm;
    dm.SQLConn_Main.Open(db);
    dm.Curr_User_ID = 0;
    dm.Curr_User_Name = "bench";
    dm.PinyinSearch = true;
    const int invoices = dm.SelectValue("SELECT COUNT(*) FROM AR_TRAN").toInt();
    std::printf("invoices: %d, lines: %d, receipts and payments: %d, products: %d\n", invoices,
                dm.SelectValue("SELECT COUNT(*) FROM AR_TRANITEM").toInt(),
                dm.SelectValue("SELECT COUNT(*) FROM CB_TRAN").toInt(),
                dm.SelectValue("SELECT COUNT(*) FROM IC_ITEM").toInt());
    // The stored totals agree with the lines, as the program computes them.
    int agree = 0, sampled = 0;
    for (int id = 1; id <= invoices; id += std::max(1, invoices / 20)) {
        TMoney total, tax, goods;
        const int taxId =
            dm.SelectValue(QString("SELECT SYS_TAX_ID FROM AR_TRAN WHERE ID=%1").arg(id)).toInt();
        dm.CalcArTranTax(id, taxId, total, tax, goods);
        const TMoney stored = TMoney::FromVariant(
            dm.SelectValue(QString("SELECT AMTTOTAL FROM AR_TRAN WHERE ID=%1").arg(id)));
        agree += stored.Value == total.Value ? 1 : 0;
        ++sampled;
    }
    std::printf("totals of %d sampled invoices agree with their lines: %d\n", sampled, agree);
    const int generalId = dm.SelectValue(
                                "SELECT ID FROM SYS_TREEVIEW WHERE TABLENAME='AR_TRAN' AND "
                                "CAPTION='General' AND PARENTID<>0")
                              .toInt();
    const int otherId = dm.SelectValue(
                              "SELECT ID FROM SYS_TREEVIEW WHERE TABLENAME='AR_TRAN' AND "
                              "CAPTION='Wholesale'")
                            .toInt();

    TSamples open, folders, save, del, receipts, switches, picker;
    long rssGrowthKb = 0;
    QString shownCount, shownStatus, pickerSql, pickerLeft;
    int openRows = 0, folderRows = 0, receiptRows = 0, switchRows = 0, pickerRows = 0;
    for (int run = 0; run < o.Runs; ++run) {
        // A fresh main window each run, as the program starts it.
        auto main = std::make_unique<TfmMain>();
        main->CreateBusinessWindows();
        main->SetDefaultChild(new TfmDefault);
        main->resize(1280, 800);
        ShowExposed(*main);
        QToolBar* top = main->findChild<QToolBar*>(QStringLiteral("TopBar"));
        TfmArTran* inv = main->fmArTran;

        // "Invoices" until its grid is painted.
        const long rss0 = RssKb();
        const double openMs = MsUntilPainted([&]() { Click(top, main->Command(Cmd::Ar_Tran)); },
                                             inv->Grid()->viewport());
        Settle();
        if (run == 0) rssGrowthKb = RssKb() - rss0;
        open.Add(openMs, RawFetchMs(dm, inv->Child_CDS->CommandText, &openRows));
        if (QTreeWidgetItem* cur = inv->Tree()->currentItem()) shownCount = cur->text(0);
        shownStatus = inv->StatusPanel(0)->text();

        // Another folder and back, each until painted.
        QTreeWidgetItem* general = Folder(inv->Tree(), generalId);
        QTreeWidgetItem* other = Folder(inv->Tree(), otherId);
        const double away =
            MsUntilPainted([&]() { ClickFolder(inv->Tree(), other); }, inv->Grid()->viewport());
        const QString otherSql = inv->Child_CDS->CommandText;
        Settle();
        const double back =
            MsUntilPainted([&]() { ClickFolder(inv->Tree(), general); }, inv->Grid()->viewport());
        Settle();
        int rows = 0;
        const double raw = RawFetchMs(dm, otherSql, &rows) +
                           RawFetchMs(dm, inv->Child_CDS->CommandText, &folderRows);
        folderRows += rows;
        folders.Add(away + back, raw);

        // "Save" of a new invoice until the grid shows it.
        Click(inv->Part<QToolBar>("ToolBar2"), inv->Command("Child_New"));
        Settle();
        inv->Child_CDS->FieldByName("AR_ACCT_ID")->SetValue(1 + run);
        Settle();
        save.Add(MsUntilPainted(
            [&]() { Click(inv->Part<QToolBar>("ToolBar2"), inv->Command("Child_Save")); },
            inv->Grid()->viewport()));
        Settle();
        const int newId = inv->Child_CDS->FieldByName("ID")->AsInteger();

        // A product looked up on a line of it: the first key typed until the
        // picker is painted, filtered.
        inv->Pages()->setCurrentWidget(inv->Part<QWidget>("pgTsItems"));
        Settle();
        QTest::mouseClick(inv->Part<QToolButton>("ItemBtnNew"), Qt::LeftButton);
        Settle();
        QLineEdit* itemEdit = inv->pnItem->BtnEdit();
        itemEdit->setFocus();
        Settle();
        picker.Add(MsUntilPainted([&]() { QTest::keyClick(itemEdit, 'z'); },
                                  [](QWidget* w) {
                                      TfmPnFKey* p = TPnFkey::CurrentPicker();
                                      return p && w == p->DBGrid1->viewport();
                                  },
                                  [&](QWidget*) {
                                      TfmPnFKey* p = TPnFkey::CurrentPicker();
                                      pickerSql = p->CDS->CommandText;
                                      pickerLeft = QString("%1 of %2 rows left after \"%3\"")
                                                       .arg(p->CDS->RecordCount())
                                                       .arg(Products)
                                                       .arg(p->edLookFor->text());
                                      p->Close(TfmPnFKey::prCancelled);
                                  }));
        Settle();
        picker.Raw.push_back(RawFetchMs(dm, pickerSql, &pickerRows));
        QTest::mouseClick(inv->Part<QToolButton>("itemBtnCancel"), Qt::LeftButton);
        inv->Pages()->setCurrentIndex(0);
        Settle();

        // "Delete" of that invoice, confirmed, until the grid is painted.
        del.Add(MsUntilPainted(
            [&]() { Click(inv->Part<QToolBar>("ToolBar2"), inv->Command("Child_Delete")); },
            inv->Grid()->viewport()));
        Settle();
        if (dm.SelectValue(QString("SELECT COUNT(*) FROM AR_TRAN WHERE ID=%1").arg(newId)).toInt())
            std::fprintf(stderr, "warning: invoice %d was not deleted\n", newId);

        // "Receipts" until painted, then its folders one after the other.
        TfmChild* rec = main->fmCBTran;
        const double recMs = MsUntilPainted([&]() { Click(top, main->Command(Cmd::Sales_CBTran)); },
                                            rec->Grid()->viewport());
        Settle();
        receipts.Add(recMs, RawFetchMs(dm, rec->Child_CDS->CommandText, &receiptRows));
        QTreeWidgetItem* receiptFolder = Folder(rec->Tree(), 15);
        QTreeWidgetItem* paymentFolder = Folder(rec->Tree(), 16);
        for (QTreeWidgetItem* to : {paymentFolder, receiptFolder}) {
            const double ms =
                MsUntilPainted([&]() { ClickFolder(rec->Tree(), to); }, rec->Grid()->viewport());
            Settle();
            switches.Add(ms, RawFetchMs(dm, rec->Child_CDS->CommandText, &switchRows));
        }
        std::fflush(stdout);
    }

    std::printf("\nmedians of %d runs; raw fetch: the same rows through src/db alone\n", o.Runs);
    PrintRow("click \"Invoices\" -> first screen of rows painted", open, "<= 1 s",
             QString("(%1 rows)").arg(openRows));
    std::printf("  folder shown: \"%s\", %s; memory growth for opening: %.1f MB\n",
                qPrintable(shownCount), qPrintable(shownStatus), double(rssGrowthKb) / 1024.0);
    PrintRow("change folder and back", folders, "<= 0.5 s",
             QString("(%1 rows, both folders)").arg(folderRows));
    PrintRow("Save of a new invoice", save, "<= 50 ms", QString());
    PrintRow("delete one invoice (confirmed)", del, "<= 50 ms", QString());
    PrintRow("open \"Receipts\" -> first screen painted", receipts, "<= 1 s",
             QString("(%1 rows)").arg(receiptRows));
    PrintRow("  then each folder switch", switches, "<= 0.3 s",
             QString("(%1 rows, last folder)").arg(switchRows));
    PrintRow("first key in a product lookup -> picker filtered", picker, "<= 150 ms",
             QString("(%1 rows, pinyin)").arg(pickerRows));
    std::printf("  %s\n", qPrintable(pickerLeft));
    std::vector<double> all;
    int allRows = 0;
    for (int run = 0; run < o.Runs; ++run)
        all.push_back(RawFetchMs(dm, QStringLiteral("SELECT * FROM AR_TRAN"), &allRows));
    std::printf("%-52s %9.1f ms  (%d rows; the floor)\n",
                "raw fetch of all invoices through src/db", Median(all), allRows);
    return 0;
}
