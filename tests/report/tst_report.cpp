// The report engine over record sets read from the database: pages, bands
// that move to the next page, sub-detail rows, groups with totals, texts that
// wrap or align, the PDF it writes, and its preview window.

#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "DbTestSupport.h"
#include "TClientDataSet.h"
#include "TReport.h"
#include "TReportDocument.h"
#include "TReportPreview.h"

namespace {

QString Run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

TReportText* AddField(TReportBand* band, TClientDataSet* ds, const QString& field, int x,
                      int y = 0) {
    auto* t = band->Add<TReportText>();
    t->Kind = TReportText::TKind::Field;
    t->DataSet = ds;
    t->FieldName = field;
    t->Geometry = QRect(x, y, 100, 20);
    return t;
}

const TPageItem* Find(const TReportPage& page, const QString& text) {
    for (const TPageItem& i : page.Items)
        if (i.Kind == TPageItem::TKind::Text && i.Text() == text) return &i;
    return nullptr;
}

}  // namespace

class TstReport : public QObject {
    Q_OBJECT

private:
    TDbConnFixture F;

    // Orders 1 (3 lines) and 2 (25 lines) with their lines, as record sets.
    void AddOrders() {
        F.Exec("INSERT INTO AR_TRAN (ID, INVOICENO) VALUES (1, 'A')");
        F.Exec("INSERT INTO AR_TRAN (ID, INVOICENO) VALUES (2, 'B')");
        F.Exec("INSERT INTO AR_TRAN (ID, INVOICENO) VALUES (3, 'C')");
        F.Exec(
            "EXECUTE BLOCK AS DECLARE L INTEGER = 1; BEGIN WHILE (L <= 25) DO BEGIN "
            "IF (L <= 3) THEN INSERT INTO AR_TRANITEM (AR_TRAN_ID, LINE, ITEMDESC) VALUES (1, :L, "
            "'A' || :L); INSERT INTO AR_TRANITEM (AR_TRAN_ID, LINE, ITEMDESC) VALUES (2, :L, 'B' "
            "|| "
            ":L); L = L + 1; END END");
    }

private slots:
    void init() { F.Start(); }
    void cleanup() { F.Stop(); }

    // A page per master record; the lines of each on as many pages as they
    // need, the header and footer on every page, the footer showing the
    // record of its page; a record without lines prints its band once empty.
    void pagesBySubDetail() {
        AddOrders();
        TOpenDbSet master(F.Conn(), "SELECT ID, INVOICENO FROM AR_TRAN ORDER BY ID");
        struct {
            TClientDataSet Cds;
        } lines;
        lines.Cds.SetConnection(&F.Conn());
        lines.Cds.CommandText =
            "SELECT ITEMDESC FROM AR_TRANITEM WHERE AR_TRAN_ID=:ID ORDER BY LINE";
        TReport r;
        r.CustomPaper = true;
        r.CustomSize = QSize(400, 500);
        TReportBand* header = r.AddBand(TReportBand::TKind::PageHeader);
        header->Height = 100;
        AddField(header, &master.Cds, "INVOICENO", 10);
        TReportBand* detail = r.AddBand(TReportBand::TKind::Detail);
        detail->ForceNewPage = true;
        r.DataSet = &master.Cds;
        TReportBand* sub = r.AddBand(TReportBand::TKind::SubDetail);
        sub->Height = 30;
        sub->DataSet = &lines.Cds;
        sub->OnLink = [&]() {
            lines.Cds.Close();
            lines.Cds.Params["ID"] = master.Cds.FieldByName("ID")->Value();
            lines.Cds.Open();
        };
        auto* empty = AddField(sub, &lines.Cds, "ITEMDESC", 10);
        empty->OnPrint = [](TReportText&, QString& v) {
            if (v.isEmpty()) v = "(no lines)";
        };
        TReportBand* footer = r.AddBand(TReportBand::TKind::PageFooter);
        footer->Height = 100;
        AddField(footer, &master.Cds, "INVOICENO", 10, 10);
        auto* page = footer->Add<TReportText>();
        page->Kind = TReportText::TKind::System;
        page->SystemData = TReportText::TSystemData::PageNumber;
        page->Text = "Page ";
        page->Geometry = QRect(200, 10, 100, 20);
        int headers = 0;
        header->AfterPrint = [&](TReportBand&) { ++headers; };

        auto doc = r.Prepare();
        QCOMPARE(doc->TotalPages(), 5);
        QCOMPARE(headers, 5);
        const QStringList owner = {"A", "B", "B", "B", "C"};
        for (int p = 0; p < 5; ++p) {
            const QStringList texts = doc->Page(p).Texts();
            QCOMPARE(texts.count(owner[p]), 2);  // header and footer alike
            QVERIFY(texts.contains(QString("Page %1").arg(p + 1)));
            for (const QString& o : owner)
                if (o != owner[p]) QVERIFY(!texts.contains(o));
        }
        QCOMPARE(Find(doc->Page(1), "B1")->Rect.top(), 100.0);
        QCOMPARE(Find(doc->Page(1), "B10")->Rect.top(), 370.0);
        QVERIFY(Find(doc->Page(2), "B11"));
        QVERIFY(Find(doc->Page(3), "B25"));
        QVERIFY(Find(doc->Page(4), "(no lines)"));
        QCOMPARE(Find(doc->Page(0), "Page 1")->Rect.top(), 410.0);
    }

    // A set read a packet at a time prints every record, not only those
    // read when the report began, and its summary follows the last. When the
    // rest cannot be read (the last record's X divides by zero), the report
    // fails with the database's message rather than print part of the set.
    void everyRowOfASetReadInPackets_data() {
        QTest::addColumn<bool>("failing");
        QTest::newRow("read") << false;
        QTest::newRow("read fails") << true;
    }
    void everyRowOfASetReadInPackets() {
        QFETCH(bool, failing);
        AddOrders();
        TClientDataSet cds;
        cds.SetConnection(&F.Conn());
        cds.CommandText = QString("SELECT ID, INVOICENO%1 FROM AR_TRAN ORDER BY ID")
                              .arg(failing ? ", 1 / (ID - 3) AS X" : "");
        // Reading a packet steps onto the row after it: the failing row
        // comes two rows after the first packet.
        cds.PacketRecords = failing ? 1 : 2;
        cds.Open();
        QVERIFY(!cds.AllFetched());
        TReport r;
        r.CustomPaper = true;
        r.CustomSize = QSize(400, 500);
        r.DataSet = &cds;
        TReportBand* detail = r.AddBand(TReportBand::TKind::Detail);
        detail->Height = 30;
        AddField(detail, &cds, "INVOICENO", 10);
        TReportBand* summary = r.AddBand(TReportBand::TKind::Summary);
        summary->Height = 30;
        auto* end = summary->Add<TReportText>();
        end->Text = "END";
        end->Geometry = QRect(10, 0, 100, 20);
        auto doc = r.Prepare();
        if (failing) {
            try {
                doc->TotalPages();
                QFAIL("the report was laid out on part of the rows");
            } catch (const EFbError& e) {
                QVERIFY2(e.Message().contains("divide by zero"), qPrintable(e.Message()));
            }
            return;
        }
        QCOMPARE(doc->TotalPages(), 1);
        const QStringList texts = doc->Page(0).Texts();
        QCOMPARE(texts, QStringList({"A", "B", "C", "END"}));
    }

    // Group headers where the column changes, group totals that restart,
    // a grand total in the summary, all exact in money.
    void groupsAndTotals() {
        TOpenDbSet rows(
            F.Conn(),
            "SELECT 'North' AS REGION, CAST(0.1 AS NUMERIC(18,4)) AS AMT FROM RDB$DATABASE "
            "UNION ALL SELECT 'North', CAST(0.2 AS NUMERIC(18,4)) FROM RDB$DATABASE "
            "UNION ALL SELECT 'South', CAST(5 AS NUMERIC(18,4)) FROM RDB$DATABASE");
        TReport r;
        r.DataSet = &rows.Cds;
        TReportBand* gh = r.AddBand(TReportBand::TKind::GroupHeader);
        gh->GroupField = "REGION";
        gh->Height = 20;
        AddField(gh, &rows.Cds, "REGION", 0);
        TReportBand* detail = r.AddBand(TReportBand::TKind::Detail);
        detail->Height = 20;
        AddField(detail, &rows.Cds, "AMT", 0)->Mask = "#,##0.0000";
        TReportBand* gf = r.AddBand(TReportBand::TKind::GroupFooter);
        gf->Height = 20;
        gh->Footer = gf;
        auto total = [&](TReportBand* b) {
            auto* t = AddField(b, &rows.Cds, "AMT", 200);
            t->Kind = TReportText::TKind::Total;
            t->Mask = "#,##0.0000";
        };
        total(gf);
        TReportBand* summary = r.AddBand(TReportBand::TKind::Summary);
        summary->Height = 20;
        total(summary);
        auto doc = r.Prepare();
        QCOMPARE(doc->TotalPages(), 1);
        QCOMPARE(doc->Page(0).Texts(), QStringList({"North", "0.1000", "0.2000", "0.3000", "South",
                                                    "5.0000", "5.0000", "5.3000"}));
    }

    // A group header that would end a page starts the next one with its
    // first line instead of standing alone at the bottom.
    void groupHeaderKeepsWithItsLines() {
        TOpenDbSet rows(F.Conn(),
                        "SELECT 'A' AS G, 1 AS N FROM RDB$DATABASE UNION ALL SELECT 'A', 2 FROM "
                        "RDB$DATABASE UNION ALL SELECT 'A', 3 FROM RDB$DATABASE UNION ALL SELECT "
                        "'B', 4 FROM RDB$DATABASE");
        TReport r;
        r.CustomPaper = true;
        r.CustomSize = QSize(300, 100);  // room for five bands of 20
        r.DataSet = &rows.Cds;
        TReportBand* gh = r.AddBand(TReportBand::TKind::GroupHeader);
        gh->GroupField = "G";
        gh->Height = 20;
        AddField(gh, &rows.Cds, "G", 0);
        TReportBand* detail = r.AddBand(TReportBand::TKind::Detail);
        detail->Height = 20;
        AddField(detail, &rows.Cds, "N", 0);
        auto doc = r.Prepare();
        QCOMPARE(doc->TotalPages(), 2);
        QCOMPARE(doc->Page(0).Texts(), QStringList({"A", "1", "2", "3"}));
        QCOMPARE(doc->Page(1).Texts(), QStringList({"B", "4"}));
    }

    // Word wrap keeps the width and pushes what follows down; right
    // alignment keeps the right edge; a disabled element prints nothing.
    void textPlacement() {
        TReport r;
        TReportBand* title = r.AddBand(TReportBand::TKind::Title);
        title->Height = 20;
        auto* wrap = title->Add<TReportText>();
        wrap->Text = "one two three four five six seven eight nine ten eleven twelve";
        wrap->Geometry = QRect(10, 0, 80, 20);
        wrap->WordWrap = true;
        wrap->AutoSize = false;
        auto* right = title->Add<TReportText>();
        right->Text = "99.00";
        right->Geometry = QRect(200, 0, 100, 20);
        right->AlignRight = true;
        auto* hidden = title->Add<TReportText>();
        hidden->Text = "hidden";
        hidden->Enabled = false;
        TReportBand* summary = r.AddBand(TReportBand::TKind::Summary);
        summary->Height = 20;
        auto* after = summary->Add<TReportText>();
        after->Text = "after";
        auto doc = r.Prepare();
        const TReportPage& page = doc->Page(0);
        QVERIFY(!Find(page, wrap->Text));  // wrapped into lines
        const TPageItem* wrapped = nullptr;
        for (const TPageItem& i : page.Items)
            if (i.Source == wrap) wrapped = &i;
        QVERIFY(wrapped && wrapped->Lines.size() > 2);
        QCOMPARE(wrapped->Lines.join(' '), wrap->Text);
        QCOMPARE(wrapped->Rect.width(), 80.0);
        QVERIFY(Find(page, "after")->Rect.top() >= wrapped->Rect.bottom());
        const TPageItem* r99 = Find(page, "99.00");
        QCOMPARE(r99->Rect.right(), 300.0);
        QVERIFY(r99->Rect.width() < 60);
        QVERIFY(!Find(page, "hidden"));
    }

    // The PDF has the page size and orientation of the report, and its
    // texts read back in place.
    void pdfPages_data() {
        QTest::addColumn<bool>("custom");
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<QString>("size");  // as pdfinfo gives it, in points
        QTest::addColumn<int>("paper");
        QTest::newRow("A4") << false << false << "595 x 842 pts (A4)" << int(QPageSize::A4);
        QTest::newRow("A4 landscape")
            << false << true << "842 x 595 pts (A4)" << int(QPageSize::A4);
        QTest::newRow("800 x 1100 px") << true << false << "600 x 825 pts" << int(QPageSize::A4);
        // Qt's ledger is wider than high: printed as laid out, not squeezed.
        QTest::newRow("Ledger") << false << false << "1224 x 792 pts" << int(QPageSize::Ledger);
    }
    void pdfPages() {
        QFETCH(bool, custom);
        QFETCH(bool, landscape);
        QFETCH(QString, size);
        QFETCH(int, paper);
        TReport r;
        r.Title = "Statement";
        r.Paper = QPageSize::PageSizeId(paper);
        r.CustomPaper = custom;
        r.CustomSize = QSize(800, 1100);
        if (landscape) r.Orientation = QPageLayout::Landscape;
        TReportBand* header = r.AddBand(TReportBand::TKind::PageHeader);
        header->Height = 40;
        auto* left = header->Add<TReportText>();
        left->Text = "Left words";
        left->Geometry = QRect(20, 10, 100, 20);
        auto* right = header->Add<TReportText>();
        right->Text = "Right words";
        right->Geometry = QRect(400, 10, 100, 20);
        QTemporaryDir dir;
        const QString file = dir.filePath("out.pdf");
        QVERIFY(r.Prepare()->SaveToPdf(file));
        const QString info = Run("pdfinfo", {file});
        QVERIFY2(info.contains(size), qPrintable(info));
        QVERIFY(info.contains("Statement"));
        const QString text = Run("pdftotext", {"-layout", file, "-"});
        QVERIFY(QRegularExpression("Left words +Right words").match(text).hasMatch());
        // A file that cannot be written is a failure, not a silent success.
        QVERIFY(!r.Prepare()->SaveToPdf(dir.filePath("no/such/folder/out.pdf")));
    }

    // A failure while the rest is read with the window open (a statement
    // refused for a later record) is shown, and the preview closes.
    void failureWhileLayingOut() {
        AddOrders();
        TOpenDbSet master(F.Conn(), "SELECT ID FROM AR_TRAN ORDER BY ID");
        TReport r;
        r.DataSet = &master.Cds;
        r.AddBand(TReportBand::TKind::Detail)->ForceNewPage = true;
        TReportBand* sub = r.AddBand(TReportBand::TKind::SubDetail);
        sub->OnLink = [&]() {
            if (master.Cds.FieldByName("ID")->AsInteger() == 3)
                F.Value("SELECT NO_SUCH_COLUMN FROM AR_TRAN");
        };
        auto doc = r.Prepare();
        TReportPreview preview(*doc, "Failing");
        QStringList shown;
        TReportPreview::SetErrorShower([&](const QString& m) { shown << m; });
        preview.show();
        QTRY_VERIFY(!preview.isVisible());
        TReportPreview::SetErrorShower(nullptr);
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains("NO_SUCH_COLUMN"), qPrintable(shown[0]));
    }

    // Zoomed to fit, the page fills the room it is shown in, whenever that
    // room changes size; at 100% it keeps its size.
    void previewFitsItsWindow() {
        AddOrders();
        TOpenDbSet lines(F.Conn(), "SELECT ITEMDESC FROM AR_TRANITEM ORDER BY AR_TRAN_ID, LINE");
        TReport r;
        r.Title = "Lines";
        r.DataSet = &lines.Cds;
        AddField(r.AddBand(TReportBand::TKind::Detail), &lines.Cds, "ITEMDESC", 10);
        auto doc = r.Prepare();
        TReportPreview preview(*doc, r.Title);
        auto* view = preview.findChild<QWidget*>("PageView");
        auto* room = view->parentWidget();  // the scroll area's viewport
        auto fits = [&]() {
            return std::abs(view->width() - room->width()) <= 1 ||
                   std::abs(view->height() - room->height()) <= 1;
        };
        preview.resize(500, 400);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        QTRY_VERIFY2(fits(), qPrintable(QString("page %1x%2 in %3x%4")
                                            .arg(view->width())
                                            .arg(view->height())
                                            .arg(room->width())
                                            .arg(room->height())));
        const QSize small = view->size();
        preview.resize(1000, 800);
        QTRY_VERIFY(fits());
        QVERIFY(view->width() > small.width());
        for (QToolButton* b : preview.findChildren<QToolButton*>())
            if (b->text() == "100%") QTest::mouseClick(b, Qt::LeftButton);
        const QSize actual = view->size();
        // At 100% the page keeps its size when the room it is shown in changes.
        const QSize before = room->size();
        preview.resize(600, 500);
        QTRY_VERIFY(room->size() != before);
        QCOMPARE(view->size(), actual);
    }

    // The preview pages with its buttons and saves what it shows.
    void previewWindow() {
        AddOrders();
        TOpenDbSet lines(F.Conn(), "SELECT ITEMDESC FROM AR_TRANITEM ORDER BY AR_TRAN_ID, LINE");
        TReport r;
        r.Title = "Lines";
        r.CustomPaper = true;
        r.CustomSize = QSize(300, 200);
        r.DataSet = &lines.Cds;
        TReportBand* detail = r.AddBand(TReportBand::TKind::Detail);
        detail->Height = 20;
        AddField(detail, &lines.Cds, "ITEMDESC", 10);
        auto doc = r.Prepare();
        TReportPreview preview(*doc, r.Title);
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        QCOMPARE(preview.windowTitle(), QString("Lines"));
        auto* label = preview.findChild<QLabel*>("PageLabel");
        auto button = [&](const QString& text) {
            for (QToolButton* b : preview.findChildren<QToolButton*>())
                if (b->text() == text) return b;
            return static_cast<QToolButton*>(nullptr);
        };
        QCOMPARE(preview.CurrentPage(), 0);
        QTest::mouseClick(button("Next"), Qt::LeftButton);
        QCOMPARE(preview.CurrentPage(), 1);
        QTest::mouseClick(button("Last"), Qt::LeftButton);
        QCOMPARE(preview.CurrentPage(), 2);  // 28 lines, 10 a page
        QCOMPARE(label->text(), QString("Page 3 of 3"));
        QTest::keyClick(&preview, Qt::Key_Home);
        QCOMPARE(preview.CurrentPage(), 0);

        QTemporaryDir dir;
        QString asked;
        TReportPreview::SetFileAsker([&](const QString&, const QString& filter, QString& file) {
            asked = filter;
            file = dir.filePath("saved");
            return true;
        });
        QTest::mouseClick(button("Save"), Qt::LeftButton);
        TReportPreview::SetFileAsker(nullptr);
        QCOMPARE(asked, QString("PDF files (*.pdf)"));
        const QString text = Run("pdftotext", {dir.filePath("saved.pdf"), "-"});
        QVERIFY(text.contains("A1") && text.contains("B25"));
        QCOMPARE(text.count('\f'), 3);

        // Print sends every page to the printer chosen.
        TReportPreview::SetPrinterAsker([&](QPrinter& printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(dir.filePath("printed.pdf"));
            return true;
        });
        QTest::mouseClick(button("Print"), Qt::LeftButton);
        TReportPreview::SetPrinterAsker(nullptr);
        const QString printed = Run("pdftotext", {dir.filePath("printed.pdf"), "-"});
        QVERIFY(printed.contains("A1") && printed.contains("B25"));
        QCOMPARE(printed.count('\f'), 3);
    }
};

QTEST_MAIN(TstReport)
#include "tst_report.moc"
