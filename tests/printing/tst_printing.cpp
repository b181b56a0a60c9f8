// Printing invoices through a template, as a user does it: mark invoices in
// the invoice window, choose a template from a print menu, look at the
// preview, save it as PDF and read the PDF back. And the template window:
// its own preview, and copying and deleting templates from its tree.

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include "PrintTestSupport.h"
#include "TClientDataSet.h"
#include "TReportDocument.h"
#include "TReportPreview.h"
#include "TestSupport.h"
#include "uArTran.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uDoTemplate.h"
#include "uLogin.h"
#include "uMain.h"
#include "uStartup.h"
#include "uTreeView.h"

class TstPrinting : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TTestFolder> FFolder;
    std::unique_ptr<TStartup> FStartup;
    TfmMain* FMain = nullptr;
    TdmMain* FDm = nullptr;
    QTemporaryDir FOut;

    QString Value(const QString& sql) { return FDm->SelectValue(sql).toString(); }

    int AddLinesTemplate() { return ::AddLinesTemplate(*FDm); }
    void AddInvoices() { ::AddInvoices(*FDm); }

    TfmArTran* InvoicesWithBothMarked() {
        FMain->Command("Ar_Tran")->trigger();
        TfmArTran* w = FMain->fmArTran;
        TDbGrid* g = w->Grid();
        for (int row = 0; row < 2; ++row)
            QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              g->visualRect(g->model()->index(row, 1)).center());
        return w;
    }

    // "Preview" → "Preview Selected Invoices" → the template, by keyboard.
    void PreviewSelectedInvoices(TfmArTran* w, const QString& templateName) {
        ChooseInNextMenu(w->PopupPopupMain, {"Preview Selected Invoices", templateName});
        QTest::mouseClick(w->btnDoTemplate, Qt::LeftButton);
    }

    TfmDoTemplate* TemplateWindowAt(const QString& caption) {
        FMain->Command("Template_Do")->trigger();
        TfmDoTemplate* t = FMain->fmDoTemplate;
        QTreeWidgetItem* node = FolderNamed(t->Tree(), caption);
        if (node) t->Tree()->setCurrentItem(node);
        return t;
    }

private slots:
    void init() {
        FFolder = std::make_unique<TTestFolder>();
        OnNextModal([](QWidget* w) {
            if (auto* dlg = qobject_cast<TfmLogin*>(w)) dlg->BitBtn1->click();
        });
        FStartup = std::make_unique<TStartup>();
        QVERIFY(FStartup->Start());
        FMain = FStartup->fmMain.get();
        FDm = FStartup->dmMain.get();
    }

    void cleanup() {
        FStartup.reset();
        FFolder.reset();
    }

    // Two invoices of 3 and 25 lines: pages numbered 1 and 1, 2, 3; lines
    // 30 pixels apart; the postal code spaced; a hidden element selected
    // but not printed.
    void marksPrintPageByPage() {
        TScriptedMessages msgs;
        AddLinesTemplate();
        AddInvoices();
        FDm->ExecSQL("UPDATE SO_DOTEMPLATESETUP SET NAME='Sender Co' WHERE ID=0");
        TfmArTran* w = InvoicesWithBothMarked();
        TPreviewSeen seen;
        const QString pdf = FOut.filePath("marked.pdf");
        ReadNextPreview(seen, msgs, pdf);
        PreviewSelectedInvoices(w, "Lines");
        QTRY_VERIFY(!seen.Pages.isEmpty());
        QTRY_VERIFY(!seen.PdfText.isEmpty());

        QCOMPARE(seen.Pages.size(), 4);
        // Page numbers in the footer, within each invoice.
        const QStringList numbers = {"1", "1", "2", "3"};
        const QStringList invoices = {"INV-1", "INV-2", "INV-2", "INV-2"};
        for (int p = 0; p < 4; ++p) {
            QVERIFY2(seen.Pages[p].contains(numbers[p]), qPrintable(seen.Pages[p].join('|')));
            QVERIFY(seen.Pages[p].contains(invoices[p]));
            QVERIFY(seen.Pages[p].contains("Sender Co"));
            QVERIFY(!seen.Pages[p].contains("HIDDEN-REF"));
        }
        // Ten lines a page, 30 pixels apart, below the header.
        const TPageItem* first = ItemWithText(seen.Items[1], "Item 2-1");
        const TPageItem* second = ItemWithText(seen.Items[1], "Item 2-2");
        QVERIFY(first && second);
        QCOMPARE(first->Rect.top(), 100.0);
        QCOMPARE(second->Rect.top() - first->Rect.top(), 30.0);
        QVERIFY(seen.Pages[1].contains("Item 2-10"));
        QVERIFY(!seen.Pages[1].contains("Item 2-11"));
        QVERIFY(seen.Pages[3].contains("Item 2-25"));
        // "123456" with three spaces between neighbours: 21 characters; none
        // for a customer without a postal code.
        QVERIFY(seen.Pages[0].contains("1   2   3   4   5   6"));
        for (const TPageItem& i : seen.Items[1]) QVERIFY(!i.Text().contains("   "));
        // The hidden element's column is still read.
        QVERIFY(FMain->fmDoTemplate->Tran_CDS->FindField("REF1"));
        QVERIFY(FMain->fmDoTemplate->FInvCDSSQL.contains("AR_TRAN.REF1"));

        // The saved PDF holds the same pages.
        QVERIFY(seen.PdfText.contains("INV-1"));
        QVERIFY(seen.PdfText.contains("Item 2-25"));
        QCOMPARE(seen.PdfText.count('\f'), 4);
        QVERIFY(!seen.PdfText.contains("HIDDEN-REF"));
    }

    void rightClickPreviewsEveryMarkedInvoice_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("mods");
        QTest::newRow("right-click on the first") << 0 << int(Qt::NoModifier);
        QTest::newRow("right-click on the second") << 1 << int(Qt::NoModifier);
        QTest::newRow("Ctrl+right-click") << 1 << int(Qt::ControlModifier);
    }

    // Two invoices Ctrl-clicked, the grid's menu opened by a right-click on
    // one of them: "Preview Invoices" prints both.
    void rightClickPreviewsEveryMarkedInvoice() {
        QFETCH(int, row);
        QFETCH(int, mods);
        TScriptedMessages msgs;
        AddLinesTemplate();
        AddInvoices();
        TfmArTran* w = InvoicesWithBothMarked();
        TPreviewSeen seen;
        const QString pdf = FOut.filePath(QString("right%1%2.pdf").arg(row).arg(mods));
        ReadNextPreview(seen, msgs, pdf);
        ChooseInGridMenu(w->Grid(), w->Part<QMenu>("PopupDbGrid"), {"Preview Invoices", "Lines"},
                         row, Qt::KeyboardModifiers(mods));
        QTRY_VERIFY(!seen.PdfText.isEmpty());
        QCOMPARE(w->Grid()->SelectedRows().Count(), 2);
        QVERIFY(seen.PdfText.contains("INV-1"));
        QVERIFY(seen.PdfText.contains("INV-2"));
        QCOMPARE(seen.PdfText.count('\f'), 4);
    }

    // Templates whose elements read other columns, printed one after the
    // other: each prints every value it shows, none blank, none refused.
    void templatesWithOtherColumnsOneAfterTheOther() {
        TScriptedMessages msgs;
        AddLinesTemplate();  // "Lines": invoice number, postal code, company name
        const int node = FDm->InsertSysTreeView("SO_DOTEMPLATE", "Names", 20, 0, 0, 0);
        FDm->ExecSQL(
            "INSERT INTO SO_DOTEMPLATE (ID, SYS_TREEVIEW_ID, NAME, PAGE_WIDTH, PAGE_HEIGHT, "
            "ORIENTATION, PAPERSIZE, HEADER_HEIGHT, FOOTER_HEIGHT, LINECOUNT, PRINTIMG) VALUES "
            "(101, :NODE, 'Names', 600, 500, 1, 'Custom', 100, 100, 10, 0)",
            {{"NODE", node}});
        // Customer name, second reference, item quantity, company address.
        const char* rows[] = {
            "'Header', 'Customer', 'Tran_CDS', 'AR_ACCT', 'NAME', 1, 0, 10, 10",
            "'Header', 'Reference 2', 'Tran_CDS', 'AR_TRAN', 'REF2', 1, 0, 10, 40",
            "'Detail', 'Quantity', 'Item_CDS', 'AR_TRANITEM', 'QTY', 1, 0, 10, 0",
            "'Footer', 'Address', 'Flag_CDS', 'SO_DOTEMPLATESETUP', 'ADDRESS', 1, 0, 200, 10"};
        for (const char* r : rows)
            FDm->ExecSQL(QString::fromUtf8(
                             "INSERT INTO SO_DOTEMPLATEFIELD (SO_DOTEMPLATE_ID, GROUPNAME, TITLE, "
                             "DATASET, DATATABLE, DATAFIELD, VISIBLE, SPACE, \"LEFT\", TOP, "
                             "WIDTH, HEIGHT, FONTNAME, FONTSIZE, FONTSTYLE, FONTCOLOR, WORDWRAP, "
                             "RIGHTADJ, ORDERINGROUP) VALUES (101, ") +
                         QString::fromUtf8(r) +
                         ", 150, 20, 'Segoe UI', 9, 'Normal', 'Black', 0, 0, 0)");
        AddInvoices();
        FDm->ExecSQL("UPDATE AR_TRAN SET REF2='SECOND-' || ID");
        FDm->ExecSQL(
            "UPDATE SO_DOTEMPLATESETUP SET NAME='Sender Co', ADDRESS='Sender Street' WHERE ID=0");
        TfmArTran* w = InvoicesWithBothMarked();
        const QStringList lines = {"INV-1",     "INV-2",    "1   2   3   4   5   6",
                                   "Sender Co", "Item 1-1", "Item 2-25"};
        const QStringList names = {"Acme Ltd", "Bolt & Co", "SECOND-1", "SECOND-2",
                                   "Sender Street"};
        for (const QString& name : QStringList{"Lines", "Names", "Lines"}) {
            TPreviewSeen seen;
            ReadNextPreview(seen, msgs);
            PreviewSelectedInvoices(w, name);
            QTRY_VERIFY(!seen.Pages.isEmpty());
            QCOMPARE(msgs.Take(), QStringList());
            QStringList all;
            for (const QStringList& page : seen.Pages) all << page;
            for (const QString& text : name == "Lines" ? lines : names)
                QVERIFY2(all.contains(text), qPrintable(name + ": " + text));
            for (const QString& text : name == "Lines" ? names : lines)
                QVERIFY2(!all.contains(text), qPrintable(name + ": " + text));
        }
    }

    // Lines are the item band divided by the line count, halves to even;
    // a line count below 1 prints one line to the band.
    void lineHeights_data() {
        QTest::addColumn<int>("pageHeight");
        QTest::addColumn<int>("lineCount");
        QTest::addColumn<double>("step");
        QTest::addColumn<int>("pages");  // of the 25 lines of the latest invoice
        QTest::newRow("300/10") << 500 << 10 << 30.0 << 3;
        QTest::newRow("301/4") << 501 << 4 << 75.0 << 7;
        QTest::newRow("302/4 (75.5)") << 502 << 4 << 76.0 << 9;
        QTest::newRow("298/4 (74.5)") << 498 << 4 << 74.0 << 7;
        QTest::newRow("count 0") << 500 << 0 << 300.0 << 25;
        QTest::newRow("count -2") << 500 << -2 << 300.0 << 25;
    }
    void lineHeights() {
        QFETCH(int, pageHeight);
        QFETCH(int, lineCount);
        QFETCH(double, step);
        QFETCH(int, pages);
        TScriptedMessages msgs;
        AddLinesTemplate();
        AddInvoices();
        FDm->ExecSQL(QString("UPDATE SO_DOTEMPLATE SET PAGE_HEIGHT=%1, LINECOUNT=%2 WHERE ID=100")
                         .arg(pageHeight)
                         .arg(lineCount));
        // The template window's Preview prints the latest invoice.
        TfmDoTemplate* t = TemplateWindowAt("Lines");
        TPreviewSeen seen;
        ReadNextPreview(seen, msgs);
        QTest::mouseClick(t->Part<QToolBar>("ToolBar2")->widgetForAction(t->btnPreview),
                          Qt::LeftButton);
        QTRY_VERIFY(!seen.Pages.isEmpty());
        QCOMPARE(seen.Pages.size(), pages);
        const TPageItem* first = ItemWithText(seen.Items[0], "Item 2-1");
        const TPageItem* second = ItemWithText(seen.Items[pages == 25 ? 1 : 0], "Item 2-2");
        QVERIFY(first && second);
        QCOMPARE(first->Rect.top(), 100.0);
        QCOMPARE(second->Rect.top() - first->Rect.top(), pages == 25 ? 0.0 : step);
        // The band is back at its design height afterwards.
        QCOMPARE(t->QRSubDetail->Height, pageHeight - 200);
    }

    // With no invoice in the database the template window previews one page
    // of sender data; an element moved on the canvas and not saved prints
    // where it stands now.
    void templateWindowPreview() {
        TScriptedMessages msgs;
        AddLinesTemplate();
        FDm->ExecSQL("UPDATE SO_DOTEMPLATESETUP SET NAME='Sender Co' WHERE ID=0");
        TfmDoTemplate* t = TemplateWindowAt("Lines");
        QLabel* company = nullptr;
        for (QLabel* l : t->FLabels)
            if (l->text() == "Company") company = l;
        QVERIFY(company);
        company->move(300, 40);
        TPreviewSeen seen;
        ReadNextPreview(seen, msgs);
        QTest::mouseClick(t->Part<QToolBar>("ToolBar2")->widgetForAction(t->btnPreview),
                          Qt::LeftButton);
        QTRY_VERIFY(!seen.Pages.isEmpty());
        QCOMPARE(seen.Pages.size(), 1);
        const TPageItem* sender = ItemWithText(seen.Items[0], "Sender Co");
        QVERIFY2(sender, qPrintable(seen.Pages[0].join('|')));
        QCOMPARE(sender->Rect.left(), 300.0);
        QCOMPARE(sender->Rect.top(), 400.0 + 40.0);  // in the footer band at 400
        QVERIFY(seen.Pages[0].contains("1"));        // pages without invoices count from 1
        QCOMPARE(msgs.Take(), QStringList());
        // The canvas element is where the user left it, unsaved.
        QCOMPARE(company->pos(), QPoint(300, 40));
        QCOMPARE(Value("SELECT \"LEFT\" FROM SO_DOTEMPLATEFIELD WHERE TITLE='Company'"),
                 QString("200"));
    }

    // New copies the selected template with every element; the invoice
    // window's menus list the copy; Delete removes it with its elements.
    void copyAndDeleteTemplate() {
        TScriptedMessages msgs;
        AddLinesTemplate();
        TfmDoTemplate* t = TemplateWindowAt("Lines");
        msgs.InputValues << "Lines 'B'";
        QTest::mouseClick(t->Part<QToolBar>("ToolBar2")->widgetForAction(t->Command("Child_New")),
                          Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList() << "Template Name: Template Name");
        const QString copyId = Value("SELECT ID FROM SO_DOTEMPLATE WHERE NAME='Lines ''B'''");
        QVERIFY(!copyId.isEmpty());
        QCOMPARE(Value("SELECT COUNT(*) FROM SO_DOTEMPLATEFIELD WHERE SO_DOTEMPLATE_ID=" + copyId),
                 QString("6"));
        QCOMPARE(Value("SELECT CAPTION FROM SYS_TREEVIEW WHERE ID=(SELECT SYS_TREEVIEW_ID FROM "
                       "SO_DOTEMPLATE WHERE ID=" +
                       copyId + ")"),
                 QString("Lines 'B'"));
        QTreeWidgetItem* copy = FolderNamed(t->Tree(), "Lines 'B'");
        QVERIFY(copy);
        QCOMPARE(t->Tree()->currentItem(), copy);
        QCOMPARE(t->FLabels.size(), 6);

        // The invoice window's menus list it the next time they open: the
        // grid's pop-up menu here.
        AddInvoices();
        TfmArTran* w = InvoicesWithBothMarked();
        TPreviewSeen seen;
        ReadNextPreview(seen, msgs);
        ChooseInNextMenu(w->Part<QMenu>("PopupDbGrid"), {"Preview Invoices", "Lines 'B'"});
        // What the window system sends for a right click.
        const QPoint at = w->Grid()->visualRect(w->Grid()->model()->index(0, 1)).center();
        QContextMenuEvent rightClick(QContextMenuEvent::Mouse, at,
                                     w->Grid()->viewport()->mapToGlobal(at), {});
        QApplication::sendEvent(w->Grid()->viewport(), &rightClick);
        QTRY_COMPARE(seen.Pages.size(), 4);

        // A node without a template copies nothing and leaves no node.
        const int bare = FDm->InsertSysTreeView("SO_DOTEMPLATE", "Bare", 20, 0, 0, 0);
        t->LoadTree();
        t->Tree()->setCurrentItem(FolderNamed(t->Tree(), "Bare"));
        const QString nodes = Value("SELECT COUNT(*) FROM SYS_TREEVIEW");
        msgs.InputValues << "From bare";
        t->CopySelectedTemplateToNew->trigger();
        QCOMPARE(msgs.Take(),
                 QStringList() << "Template Name: Template Name"
                               << QString("Copy failed, cannot find corresponding SO_DOTEMPLATE.ID "
                                          "for SYS_TREEVIEW_ID: %1")
                                      .arg(bare));
        QCOMPARE(Value("SELECT COUNT(*) FROM SYS_TREEVIEW"), nodes);
        QVERIFY(!FolderNamed(t->Tree(), "From bare"));

        // Delete asks, then removes the node, the template and its elements.
        t->Tree()->setCurrentItem(FolderNamed(t->Tree(), "Lines 'B'"));
        msgs.Answers << true;
        t->DeleteSelectedTemplate1->trigger();
        QCOMPARE(msgs.Take(), QStringList() << "Are you sure to delete: Lines 'B'?");
        QCOMPARE(Value("SELECT COUNT(*) FROM SO_DOTEMPLATE WHERE ID=" + copyId), QString("0"));
        QCOMPARE(Value("SELECT COUNT(*) FROM SO_DOTEMPLATEFIELD WHERE SO_DOTEMPLATE_ID=" + copyId),
                 QString("0"));
        QVERIFY(!FolderNamed(t->Tree(), "Lines 'B'"));
        QCOMPARE(Value("SELECT COUNT(*) FROM SO_DOTEMPLATEFIELD WHERE SO_DOTEMPLATE_ID=100"),
                 QString("6"));
    }

    // "Set Company Info" opens the options on the company page.
    void setCompanyInfo() {
        TScriptedMessages msgs;
        AddInvoices();
        TfmArTran* w = InvoicesWithBothMarked();
        QString title;
        OnNextModal([&title](QWidget* d) {
            title = d->windowTitle();
            d->close();
        });
        ChooseInNextMenu(w->PopupPopupMain, {"Set Company Info"});
        QTest::mouseClick(w->btnDoTemplate, Qt::LeftButton);
        QTRY_COMPARE(title, QString("Options - Company"));
    }

    // As a new user: two invoices marked, the shipped template, a PDF.
    void shippedTemplatePrintsInvoices() {
        TScriptedMessages msgs;
        AddInvoices();
        FDm->ExecSQL("UPDATE AR_TRAN SET AMTGOODS=30, AMTTAX=2.1, AMTTOTAL=32.1 WHERE ID=1");
        const QString name = Value("SELECT FIRST 1 NAME FROM SO_DOTEMPLATE ORDER BY ID");
        QVERIFY(!name.isEmpty());
        TfmArTran* w = InvoicesWithBothMarked();
        TPreviewSeen seen;
        const QString pdf = FOut.filePath("shipped.pdf");
        ReadNextPreview(seen, msgs, pdf);
        PreviewSelectedInvoices(w, name);
        QTRY_VERIFY(!seen.PdfText.isEmpty());
        for (const char* text :
             {"INV-1", "INV-2", "Acme Ltd", "Bolt & Co", "Item 1-3", "Item 2-25", "32.10", "10.00"})
            QVERIFY2(seen.PdfText.contains(text), text);
        // Each invoice's totals on its own pages, not on its neighbour's.
        const QStringList pdfPages = seen.PdfText.split('\f');
        QVERIFY(pdfPages[0].contains("INV-1") && pdfPages[0].contains("32.10"));
        QVERIFY(pdfPages[1].contains("INV-2") && !pdfPages[1].contains("32.10"));
        QCOMPARE(msgs.Take(), QStringList() << "Save: Save");
    }
};

QTEST_MAIN(TstPrinting)
#include "tst_printing.moc"
