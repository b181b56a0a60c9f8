// The reports of the "Reports" menu as a user runs them: the menu command,
// the dates and choices, "Preview", and "Save" to PDF; the PDF's text is
// compared with figures the test works out from the rows it put in.

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "PrintTestSupport.h"
#include "TClientDataSet.h"
#include "TDisplayFormat.h"
#include "TReportDocument.h"
#include "TReportPreview.h"
#include "TestSupport.h"
#include "uDmMain.h"
#include "uLogin.h"
#include "uMain.h"
#include "uReports.h"
#include "uStartup.h"

namespace {

// The lines of a PDF's text, each with its runs of spaces made one.
QStringList Lines(const QString& text) {
    QStringList out;
    for (QString line : text.split('\n')) {
        line = line.simplified();
        if (!line.isEmpty()) out << line;
    }
    return out;
}

// Chooses entry text of a drop-down with the keyboard.
void Choose(QComboBox* box, const QString& text) {
    const int target = box->findText(text);
    QVERIFY2(target >= 0, qPrintable(text));
    box->setFocus();
    if (target == 0) QTest::keyClick(box, Qt::Key_Home);
    while (box->currentIndex() < target) QTest::keyClick(box, Qt::Key_Down);
    while (box->currentIndex() > target) QTest::keyClick(box, Qt::Key_Up);
}

QString Day(const QDate& d) { return d.toString(Qt::ISODate); }

}  // namespace

class TstReports : public QObject {
    Q_OBJECT

private:
    TProgramFixture FProgram;
    TfmMain* FMain = nullptr;
    TdmMain* FDm = nullptr;
    QTemporaryDir FOut;
    int FPdfs = 0;

    // Runs the report of command: set chooses in its window, "Preview"
    // shows it, "Save" writes a PDF; the PDF's lines come back.
    QStringList Run(const char* command, const std::function<void(TfmRpt*)>& set,
                    TScriptedMessages& msgs, QString* title = nullptr) {
        QStringList lines;
        bool ran = false;
        OnNextModal([&](QWidget* w) {
            auto* rpt = qobject_cast<TfmRpt*>(w);
            QVERIFY2(rpt, "the report window opened");
            if (title) *title = rpt->windowTitle();
            if (set) set(rpt);
            TPreviewSeen seen;
            const QString pdf = FOut.filePath(QString("report%1.pdf").arg(++FPdfs));
            ReadNextPreview(seen, msgs, pdf);
            QTest::mouseClick(rpt->BitBtn1, Qt::LeftButton);
            lines = Lines(seen.PdfText);
            QTest::mouseClick(rpt->BitBtn2, Qt::LeftButton);
            ran = true;
        });
        FMain->Command(command)->trigger();
        [&]() { QTRY_VERIFY(ran); }();
        return lines;
    }

    void Invoice(int id, const QDate& date, int customer, int user, const QString& amounts,
                 const QString& refs = "'R1', 'R2', 'R3'") {
        FDm->ExecSQL(QString("INSERT INTO AR_TRAN (ID, INVOICENO, INVOICEDATE, AR_ACCT_ID, "
                             "SYS_USER_ID, AR_TRANTYPE_ID, SYS_TREEVIEW_ID, AMTGOODS, AMTTAX, "
                             "AMTTOTAL, AMTPAID, REF1, REF2, REF3) VALUES (%1, 'INV-%1', '%2', "
                             "%3, %4, 1, 10, %5, %6)")
                         .arg(id)
                         .arg(Day(date))
                         .arg(customer)
                         .arg(user)
                         .arg(amounts, refs));
    }

    void Line(int id, int invoice, int product, const QString& desc, int qty,
              const QString& amount) {
        FDm->ExecSQL(QString("INSERT INTO AR_TRANITEM (ID, AR_TRAN_ID, LINE, IC_ITEM_ID, ITEMDESC, "
                             "QTY, PRICE, AMOUNT) VALUES (%1, %2, %1, %3, '%4', %5, 1, %6)")
                         .arg(id)
                         .arg(invoice)
                         .arg(product)
                         .arg(desc)
                         .arg(qty)
                         .arg(amount));
    }

    void Receipt(int id, int account, int invoice, const QDate& date, const QString& desc,
                 const QString& amount, int factor = 1) {
        FDm->ExecSQL(QString("INSERT INTO CB_TRAN (ID, CB_ACCT_ID, AR_TRAN_ID, TRANDATE, "
                             "TRANDESC, TRANAMT, CB_TRANTYPE_FACTOR, SYS_TREEVIEW_ID) VALUES (%1, "
                             "%2, %3, '%4', '%5', %6, %7, 10)")
                         .arg(id)
                         .arg(account)
                         .arg(invoice ? QString::number(invoice) : QString("NULL"))
                         .arg(Day(date), desc, amount)
                         .arg(factor));
    }

    void Customers() {
        FDm->ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME, NAME) VALUES (1, 'acme', 'Acme Ltd')");
        FDm->ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME, NAME) VALUES (2, 'bolt', 'Bolt & Co')");
    }

private slots:
    void init() {
        QVERIFY(FProgram.Start());
        FMain = FProgram.Main();
        FDm = FProgram.Dm();
    }

    void cleanup() {
        TdmMain::SetToday(QDate());
        FProgram.Stop();
    }

    // The date presets, chosen with the keyboard, on two days of the year.
    void presets_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QString>("preset");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        const QDate march2(2028, 3, 2), nov10(2026, 11, 10);
        QTest::newRow("today") << march2 << "Today" << march2 << march2;
        QTest::newRow("this month")
            << march2 << "This Month" << QDate(2028, 3, 1) << QDate(2028, 3, 31);
        QTest::newRow("last month, leap year")
            << march2 << "Last Month" << QDate(2028, 2, 1) << QDate(2028, 2, 29);
        QTest::newRow("this quarter, first")
            << march2 << "This Quarter" << QDate(2028, 1, 1) << QDate(2028, 3, 31);
        QTest::newRow("this quarter, fourth")
            << nov10 << "This Quarter" << QDate(2026, 10, 1) << QDate(2026, 12, 31);
        QTest::newRow("this year")
            << nov10 << "This Year" << QDate(2026, 1, 1) << QDate(2026, 12, 31);
        QTest::newRow("last year")
            << nov10 << "Last Year" << QDate(2025, 1, 1) << QDate(2025, 12, 31);
        QTest::newRow("last month, January")
            << QDate(2027, 1, 15) << "Last Month" << QDate(2026, 12, 1) << QDate(2026, 12, 31);
    }

    void presets() {
        QFETCH(QDate, today);
        QFETCH(QString, preset);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        TdmMain::SetToday(today);
        TfmSalesDetailRpt w(FMain);
        w.show();
        QCOMPARE(w.dtFrom->date(), today);
        QCOMPARE(w.dtTo->date(), today);
        Choose(w.cb1, preset);
        QCOMPARE(w.dtFrom->date(), from);
        QCOMPARE(w.dtTo->date(), to);
        // The first entry leaves the dates as they are.
        Choose(w.cb1, "Select Date Range");
        QCOMPARE(w.dtFrom->date(), from);
    }

    // The date boxes take typed dates as the edit forms' date boxes do; a
    // date that does not exist is refused with its message, the typing
    // stays, and Preview runs no report with it.
    void typedDates_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QDate>("taken");  // invalid: refused
        QTest::addColumn<QString>("display");
        const QString format = "d MMM yyyy";
        QTest::newRow("numbers") << "01/12/2026" << QDate(2026, 12, 1) << format;
        QTest::newRow("month name") << "1 Dec 2026" << QDate(2026, 12, 1) << format;
        QTest::newRow("month first where the format has it")
            << "12/1/2026" << QDate(2026, 12, 1) << "M/d/yyyy";
        QTest::newRow("31 February") << "31 Feb 2026" << QDate() << format;
        QTest::newRow("31 February in numbers") << "31/02/2026" << QDate() << format;
    }

    void typedDates() {
        QFETCH(QString, typed);
        QFETCH(QDate, taken);
        QFETCH(QString, display);
        TScriptedMessages msgs;
        TdmMain::SetToday(QDate(2026, 11, 10));
        TfmSalesDetailRpt w(FMain);
        w.dtFrom->setDisplayFormat(display);
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        Retype(w.dtFrom, typed);
        QTest::keyClick(w.dtFrom, Qt::Key_Tab);
        const QString message = "\"" + typed + "\" is not a valid date.";
        QCOMPARE(msgs.Take(), taken.isValid() ? QStringList() : QStringList{message});
        QCOMPARE(w.dtFrom->date(), taken.isValid() ? taken : QDate(2026, 11, 10));
        if (taken.isValid()) return;
        QCOMPARE(w.dtFrom->text(), typed);
        // Preview says why and shows nothing.
        QTest::mouseClick(w.BitBtn1, Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList{message});
        QVERIFY(!w.Work_CDS->Active());
        // Clicked straight from the box: said once.
        Retype(w.dtFrom, typed);
        QTest::mouseClick(w.BitBtn1, Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList{message});
        QVERIFY(!w.Work_CDS->Active());
        QCOMPARE(w.dtFrom->text(), typed);
    }

    // Ranking by product: lines of one description under two products add
    // up; rows numbered 1, 2, 3 by amount, again from 1 when printed; by
    // customer the invoices' goods amounts.
    void ranking() {
        TScriptedMessages msgs;
        Customers();
        TdmMain::SetToday(QDate(2026, 6, 15));
        Invoice(1, QDate(2026, 6, 1), 1, 0, "350, 35, 385, 0");
        Invoice(2, QDate(2026, 6, 2), 2, 0, "490, 49, 539, 0");
        Invoice(3, QDate(2025, 12, 31), 2, 0, "999, 0, 999, 0");  // outside the year
        Line(11, 1, 0, "Green Tea", 1, "100");
        Line(12, 1, 0, "Rice", 1, "250");
        Line(21, 2, 0, "Green Tea", 1, "200");  // another product, the same words
        Line(22, 2, 0, "Noodles", 1, "290");
        Line(31, 3, 0, "Noodles", 1, "999");
        QString title;
        const QStringList byProduct = Run(
            "Rpt_Sales", [](TfmRpt* w) { Choose(w->cb1, "This Year"); }, msgs, &title);
        QCOMPARE(title, QString(" Sales Ranking Report"));
        QVERIFY(byProduct.contains("Sales Ranking Report"));
        QVERIFY2(byProduct.contains("Rank Product Amount"), qPrintable(byProduct.join('\n')));
        const int first = byProduct.indexOf("1 Green Tea 300.00");
        QVERIFY2(first >= 0, qPrintable(byProduct.join('\n')));
        QCOMPARE(byProduct.mid(first, 3),
                 (QStringList{"1 Green Tea 300.00", "2 Noodles 290.00", "3 Rice 250.00"}));
        QVERIFY(byProduct.contains("Total 840.00"));
        QVERIFY(byProduct.contains(QString::fromUtf8("Page\xEF\xBC\x9A") + "1"));

        const QStringList byCustomer = Run(
            "Rpt_Sales",
            [](TfmRpt* w) {
                Choose(w->cb1, "This Year");
                Choose(static_cast<TfmSalesRpt*>(w)->cb2, "Customer");
            },
            msgs);
        const int c = byCustomer.indexOf("1 Bolt & Co 490.00");
        QVERIFY2(c >= 0, qPrintable(byCustomer.join('\n')));
        QCOMPARE(byCustomer[c + 1], QString("2 Acme Ltd 350.00"));
        QVERIFY(byCustomer.contains("Total 840.00"));
        QCOMPARE(msgs.Take().filter("Save").size(), 2);
    }

    // A ranking longer than a page numbers every row once: 1 to 120, none
    // skipped where a page breaks.
    void rankingOverPages() {
        TScriptedMessages msgs;
        Invoice(1, TdmMain::Today(), 0, 0, "0, 0, 0, 0");
        for (int i = 1; i <= 120; ++i)
            Line(100 + i, 1, 0, QString("Item %1").arg(i, 3, 10, QChar('0')), 1,
                 QString::number(1000 - i));
        const QStringList lines = Run("Rpt_Sales", nullptr, msgs);
        QStringList ranks;
        for (const QString& l : lines) {
            const QStringList cells = l.split(' ');
            if (cells.size() == 4 && cells[1] == "Item") ranks << cells[0];
        }
        QCOMPARE(ranks.size(), 120);
        for (int i = 0; i < 120; ++i) QCOMPARE(ranks[i], QString::number(i + 1));
    }

    // Every rendering numbers from 1: the pages printed from the preview
    // carry the same ranks as those shown.
    void rankingPrintedFromPreview() {
        TScriptedMessages msgs;
        Invoice(1, TdmMain::Today(), 0, 0, "30, 0, 30, 0");
        Line(11, 1, 0, "Tea", 1, "20");
        Line(12, 1, 0, "Rice", 1, "10");
        const QString printed = FOut.filePath("printed.pdf");
        TReportPreview::SetPrinterAsker([printed](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printed);
            return true;
        });
        bool ran = false;
        OnNextModal([&](QWidget* w) {
            auto* rpt = qobject_cast<TfmSalesRpt*>(w);
            QVERIFY(rpt);
            OnNextModal([&](QWidget* p) {
                auto* preview = qobject_cast<TReportPreview*>(p);
                QVERIFY(preview);
                QTest::mouseClick(ButtonNamed(preview, "Print"), Qt::LeftButton);
                QTest::mouseClick(ButtonNamed(preview, "Print"), Qt::LeftButton);
                preview->close();
            });
            QTest::mouseClick(rpt->BitBtn1, Qt::LeftButton);
            rpt->close();
            ran = true;
        });
        FMain->Command("Rpt_Sales")->trigger();
        QTRY_VERIFY(ran);
        TReportPreview::SetPrinterAsker({});
        const QStringList lines = Lines(PdfText(printed));
        QVERIFY2(lines.contains("1 Tea 20.00") && lines.contains("2 Rice 10.00"),
                 qPrintable(lines.join('\n')));
    }

    // Sales detail: by date with the customer's nickname first, by customer
    // with group totals; a reference left out does not blank the others;
    // From after To gives an empty report.
    void salesDetail() {
        TScriptedMessages msgs;
        Customers();
        TdmMain::SetToday(QDate(2026, 6, 15));
        Invoice(1, QDate(2026, 6, 1), 1, 0, "100, 10, 110, 0", "'PO-7', NULL, NULL");
        Invoice(2, QDate(2026, 6, 1), 2, 0, "200, 20, 220, 20.5", "'RA1', 'RB2', 'RC3'");
        Invoice(3, QDate(2026, 6, 3), 1, 0, "1000, 100, 1100, 1100", "NULL, 'ONLY2', NULL");
        const QStringList none = Run(
            "Rpt_SalesDetail", [](TfmRpt* w) { Choose(w->cb1, "This Month"); }, msgs);
        QVERIFY2(none.contains("Invoice Date Invoice No Refs Amount Tax Total Paid"),
                 qPrintable(none.join('\n')));
        QVERIFY(none.join('\n').contains("Data From " +
                                         TDisplayFormat::FormatDate(QDate(2026, 6, 1)) + " To " +
                                         TDisplayFormat::FormatDate(QDate(2026, 6, 30))));
        QVERIFY(none.contains("acme INV-1 PO-7 100.00 10.00 110.00 0.00"));
        QVERIFY2(none.contains("bolt INV-2 RA1 RB2 RC3 200.00 20.00 220.00 20.50"),
                 qPrintable(none.join(QChar(10))));
        QVERIFY(none.contains("acme INV-3 ONLY2 1,000.00 100.00 1,100.00 1,100.00"));
        // Groups by date: 1 June (two invoices), 3 June.
        QVERIFY(none.contains("330.00 20.50"));
        QVERIFY(none.contains("Report Total 1,430.00 1,120.50"));

        const QStringList byCustomer = Run(
            "Rpt_SalesDetail",
            [](TfmRpt* w) {
                Choose(w->cb1, "This Month");
                Choose(static_cast<TfmSalesDetailRpt*>(w)->cb2, "Customer");
            },
            msgs);
        const int acme = byCustomer.indexOf("Acme Ltd");
        QVERIFY2(acme >= 0, qPrintable(byCustomer.join('\n')));
        const QString june1 = TDisplayFormat::FormatDate(QDate(2026, 6, 1));
        QCOMPARE(byCustomer.mid(acme + 1, 3),
                 (QStringList{june1 + " INV-1 PO-7 100.00 10.00 110.00 0.00",
                              TDisplayFormat::FormatDate(QDate(2026, 6, 3)) +
                                  " INV-3 ONLY2 1,000.00 100.00 1,100.00 1,100.00",
                              "1,210.00 1,100.00"}));
        const int bolt = byCustomer.indexOf("Bolt & Co");
        QVERIFY(bolt > acme);
        QCOMPARE(byCustomer[bolt + 2], QString("220.00 20.50"));

        // To before From: no rows, the headings and a zero total.
        const QStringList empty = Run(
            "Rpt_SalesDetail",
            [](TfmRpt* w) {
                w->dtTo->setFocus();
                QTest::keyClick(w->dtTo, Qt::Key_Down);  // a month back
                QVERIFY(w->dtTo->date() < w->dtFrom->date());
            },
            msgs);
        QVERIFY(empty.contains("Invoice Date Invoice No Refs Amount Tax Total Paid"));
        QVERIFY(empty.contains("Report Total 0.00 0.00"));
        for (const QString& l : empty) QVERIFY(!l.contains("INV-"));
    }

    // Ageing at 30/31, 60/61, 90/91 days and in the future; the paid
    // amounts recalculated from receipts as the command opens the window;
    // the receipts band on and off.
    void ageing() {
        TScriptedMessages msgs;
        Customers();
        FDm->ExecSQL("INSERT INTO CB_ACCT (ID, NAME) VALUES (1, 'Cheque')");
        const QDate today = QDate::currentDate();  // the database ages by its own date
        const int ages[] = {30, 31, 60, 61, 90, 91, -5};
        for (int i = 0; i < 7; ++i)
            Invoice(i + 1, today.addDays(-ages[i]), 1, 0,
                    QString("%1, 0, %1, 0").arg((i + 1) * 100));
        // Invoice 8 paid in full, invoice 2 in part (stored paid amounts are stale).
        Invoice(8, today.addDays(-10), 2, 0, "50, 0, 50, 0");
        Receipt(1, 1, 8, today, "Paid in full", "50");
        Receipt(2, 1, 2, today.addDays(-1), "First part", "80");
        Receipt(3, 1, 2, today, "Refund", "30", -1);  // a refund counts against
        const QStringList lines = Run("Rpt_SalesAging", nullptr, msgs);
        QCOMPARE(FDm->SelectValue("SELECT CAST(AMTPAID AS VARCHAR(30)) FROM AR_TRAN WHERE ID=2")
                     .toString(),
                 QString("50.0000"));
        QVERIFY2(lines.contains("Invoice Date Invoice No Refs Invoice Amount <=30Days <=60Days "
                                "<=90Days >90Days"),
                 qPrintable(lines.join('\n')));
        auto row = [&](int id, int bucket, const QString& outstanding) {
            QStringList cells = {
                TDisplayFormat::FormatDate(today.addDays(-ages[id - 1])),
                "INV-" + QString::number(id), "R1 R2 R3",
                TDisplayFormat::FormatMoney("#,###,##0.00", TMoney(qint64(id) * 1000000))};
            for (int b = 0; b < 4; ++b) cells << (b == bucket ? outstanding : "0.00");
            return cells.join(' ');
        };
        QVERIFY2(lines.contains(row(1, 0, "100.00")), qPrintable(lines.join('\n')));
        QVERIFY(lines.contains(row(2, 1, "150.00")));  // 200 less 80 received, 30 refunded
        QVERIFY(lines.contains(row(3, 1, "300.00")));
        QVERIFY(lines.contains(row(4, 2, "400.00")));
        QVERIFY(lines.contains(row(5, 2, "500.00")));
        QVERIFY(lines.contains(row(6, 3, "600.00")));
        QVERIFY(lines.contains(row(7, 0, "700.00")));  // dated in the future
        for (const QString& l : lines) QVERIFY2(!l.contains("INV-8"), qPrintable(l));
        QVERIFY(lines.contains("Report Total 800.00 450.00 900.00 600.00"));
        QVERIFY(!lines.join(' ').contains("Data From"));
        QVERIFY(!lines.join(' ').contains("First part"));

        const QStringList withReceipts = Run(
            "Rpt_SalesAging",
            [](TfmRpt* w) {
                QTest::mouseClick(static_cast<TfmSalesAgingRpt*>(w)->cbWithReceipt, Qt::LeftButton,
                                  {}, QPoint(5, 5));
            },
            msgs);
        const int inv2 = withReceipts.indexOf(row(2, 1, "150.00"));
        QVERIFY2(inv2 >= 0, qPrintable(withReceipts.join('\n')));
        QCOMPARE(withReceipts.mid(inv2 + 1, 2),
                 (QStringList{TDisplayFormat::FormatDate(today.addDays(-1)) + " First part 80.00",
                              TDisplayFormat::FormatDate(today) + " Refund -30.00"}));
        // An invoice without receipts has no receipt text under it (its one
        // empty receipt strip holds none).
        const int inv1 = withReceipts.indexOf(row(1, 0, "100.00"));
        QVERIFY(inv1 >= 0);
        QCOMPARE(withReceipts[inv1 + 1], row(7, 0, "700.00"));

        const QStringList byCustomer = Run(
            "Rpt_SalesAging",
            [](TfmRpt* w) { Choose(static_cast<TfmSalesAgingRpt*>(w)->cb2, "Customer"); }, msgs);
        QVERIFY(byCustomer.contains("Acme Ltd"));
        QVERIFY(!byCustomer.contains("Bolt & Co"));  // paid in full
        QVERIFY(byCustomer.contains("800.00 450.00 900.00 600.00"));
    }

    // Bank transactions by account, signed by the type's factor; an
    // account without transactions in the range is left out.
    void bank() {
        TScriptedMessages msgs;
        TdmMain::SetToday(QDate(2026, 6, 15));
        FDm->ExecSQL("INSERT INTO CB_ACCT (ID, NAME) VALUES (1, 'Cheque')");
        FDm->ExecSQL("INSERT INTO CB_ACCT (ID, NAME) VALUES (2, 'Savings')");
        FDm->ExecSQL("INSERT INTO CB_ACCT (ID, NAME) VALUES (3, 'Cash')");
        Receipt(1, 1, 0, QDate(2026, 6, 2), "Takings", "1000.25");
        Receipt(2, 1, 0, QDate(2026, 6, 3), "Rent", "400", -1);
        Receipt(3, 2, 0, QDate(2026, 6, 4), "Interest", "12.5");
        Receipt(4, 3, 0, QDate(2026, 5, 31), "Float", "50");  // before the month
        const QStringList lines = Run(
            "Rpt_CB", [](TfmRpt* w) { Choose(w->cb1, "This Month"); }, msgs);
        QVERIFY2(lines.contains("Date Tran-Type Description Amount"), qPrintable(lines.join('\n')));
        const int cheque = lines.indexOf("Cheque");
        QVERIFY(cheque >= 0);
        QCOMPARE(lines.mid(cheque + 1, 3),
                 (QStringList{TDisplayFormat::FormatDate(QDate(2026, 6, 2)) + " Takings 1,000.25",
                              TDisplayFormat::FormatDate(QDate(2026, 6, 3)) + " Rent -400.00",
                              "600.25"}));
        QVERIFY(lines.contains("Savings"));
        QVERIFY(!lines.contains("Cash"));
        QVERIFY(lines.contains("Total 612.75"));
    }

    // A product sold on two invoices (twice alike on one) and bought on a
    // stock batch: every movement, the sales negative, and the net total.
    void products() {
        TScriptedMessages msgs;
        TdmMain::SetToday(QDate(2026, 6, 15));
        FDm->ExecSQL("INSERT INTO IC_ITEM (ID, ITEMNO, NAME) VALUES (1, 'T1', 'Green Tea')");
        FDm->ExecSQL("INSERT INTO IC_ITEM (ID, ITEMNO, NAME) VALUES (2, 'R1', 'Rice')");
        Invoice(1, QDate(2026, 6, 5), 0, 0, "0, 0, 0, 0", "'PO-1', NULL, NULL");
        Invoice(2, QDate(2026, 6, 6), 0, 0, "0, 0, 0, 0");
        Line(11, 1, 1, "Green Tea", 3, "30");
        Line(12, 1, 1, "Green Tea", 3, "30");  // the same again on the same invoice
        Line(21, 2, 1, "Green Tea", 2, "20");
        Line(22, 2, 2, "Rice", 1, "5");
        FDm->ExecSQL(
            "INSERT INTO IC_BATCH (ID, BATCHNO, BATCHDATE, IC_BATCHTYPE_FACTOR, "
            "BATCHDESC, SYS_TREEVIEW_ID) VALUES (1, 'B-1', '2026-06-01', 1, 'Stock in', "
            "10)");
        FDm->ExecSQL(
            "INSERT INTO IC_BATCHITEM (ID, IC_BATCH_ID, LINE, IC_ITEM_ID, QTY) VALUES "
            "(1, 1, 1, 1, 20)");
        const QStringList lines = Run(
            "Rpt_ProdRpt", [](TfmRpt* w) { Choose(w->cb1, "This Month"); }, msgs);
        QVERIFY2(lines.contains("Date Tran-Type Doc-No Ref Amount"), qPrintable(lines.join('\n')));
        QVERIFY(lines.contains("Product Transactions Report"));
        const int tea = lines.indexOf("Green Tea");
        QVERIFY2(tea >= 0, qPrintable(lines.join('\n')));
        const QString june5 = TDisplayFormat::FormatDate(QDate(2026, 6, 5));
        QCOMPARE(lines.mid(tea + 1, 5),
                 (QStringList{
                     TDisplayFormat::FormatDate(QDate(2026, 6, 1)) + " PURCHASE B-1 Stock in 20",
                     june5 + " INVOICE INV-1 PO-1 -3", june5 + " INVOICE INV-1 PO-1 -3",
                     TDisplayFormat::FormatDate(QDate(2026, 6, 6)) + " INVOICE INV-2 R1 R2 R3 -2",
                     "12"}));
        QVERIFY(lines.contains("Rice"));
        QVERIFY(lines.contains("Total 11"));
    }
};

QTEST_MAIN(TstReports)
#include "tst_reports.moc"
