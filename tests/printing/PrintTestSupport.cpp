#include "PrintTestSupport.h"

#include <QMenu>
#include <QProcess>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "TReportDocument.h"
#include "TReportPreview.h"
#include "uDmMain.h"

QString PdfText(const QString& file) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QToolButton* ButtonNamed(QWidget* w, const QString& text) {
    for (QToolButton* b : w->findChildren<QToolButton*>())
        if (b->text() == text && b->isVisible()) return b;
    return nullptr;
}

void ReadNextPreview(TPreviewSeen& seen, TScriptedMessages& msgs, const QString& pdf) {
    OnNextModal([&seen, &msgs, pdf](QWidget* w) {
        auto* preview = qobject_cast<TReportPreview*>(w);
        QVERIFY2(preview, "the preview window opened");
        TReportDocument& doc = preview->Document();
        for (int i = 0; i < doc.TotalPages(); ++i) {
            seen.Pages << doc.Page(i).Texts();
            seen.Items << doc.Page(i).Items;
        }
        if (!pdf.isEmpty()) {
            msgs.InputValues << pdf;
            QToolButton* save = ButtonNamed(preview, QStringLiteral("Save"));
            QVERIFY(save);
            QTest::mouseClick(save, Qt::LeftButton);
            seen.PdfText = PdfText(pdf);
        }
        preview->close();
    });
}

const TPageItem* ItemWithText(const std::vector<TPageItem>& items, const QString& text) {
    for (const TPageItem& i : items)
        if (i.Kind == TPageItem::TKind::Text && i.Text() == text) return &i;
    return nullptr;
}

int AddLinesTemplate(TdmMain& dm) {
    const int node = dm.InsertSysTreeView("SO_DOTEMPLATE", "Lines", 20, 0, 0, 0);
    dm.ExecSQL(
        "INSERT INTO SO_DOTEMPLATE (ID, SYS_TREEVIEW_ID, NAME, PAGE_WIDTH, PAGE_HEIGHT, "
        "ORIENTATION, PAPERSIZE, HEADER_HEIGHT, FOOTER_HEIGHT, LINECOUNT, PRINTIMG) VALUES "
        "(100, :NODE, 'Lines', 600, 500, 1, 'Custom', 100, 100, 10, 0)",
        {{"NODE", node}});
    const char* rows[] = {
        "'Header', 'Invoice No', 'Tran_CDS', 'AR_TRAN', 'INVOICENO', 1, 0, 10, 10",
        "'Header', '邮编', 'Tran_CDS', 'AR_ACCT', 'ZIPCODE', 1, 3, 10, 40",
        "'Header', 'Reference', 'Tran_CDS', 'AR_TRAN', 'REF1', 0, 0, 10, 70",
        "'Detail', 'Description', 'Item_CDS', 'AR_TRANITEM', 'ITEMDESC', 1, 0, 10, 0",
        "'Footer', 'Page No', 'System', '', 'PAGENO', 1, 0, 10, 10",
        "'Footer', 'Company', 'Flag_CDS', 'SO_DOTEMPLATESETUP', 'NAME', 1, 0, 200, 10"};
    for (const char* r : rows)
        dm.ExecSQL(QString::fromUtf8(
                       "INSERT INTO SO_DOTEMPLATEFIELD (SO_DOTEMPLATE_ID, GROUPNAME, TITLE, "
                       "DATASET, DATATABLE, DATAFIELD, VISIBLE, SPACE, \"LEFT\", TOP, WIDTH, "
                       "HEIGHT, FONTNAME, FONTSIZE, FONTSTYLE, FONTCOLOR, WORDWRAP, "
                       "RIGHTADJ, ORDERINGROUP) VALUES (100, ") +
                   QString::fromUtf8(r) + ", 150, 20, 'Segoe UI', 9, 'Normal', 'Black', 0, 0, 0)");
    return node;
}

void AddInvoices(TdmMain& dm) {
    dm.ExecSQL(
        "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, ZIPCODE) VALUES (1, 'Acme', 'Acme Ltd', "
        "'123456')");
    dm.ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME, NAME) VALUES (2, 'Bolt', 'Bolt & Co')");
    const int counts[] = {3, 25};
    for (int inv = 1; inv <= 2; ++inv) {
        dm.ExecSQL(QString("INSERT INTO AR_TRAN (ID, INVOICENO, INVOICEDATE, AR_ACCT_ID, "
                           "AR_TRANTYPE_ID, SYS_TREEVIEW_ID, REF1) VALUES (%1, 'INV-%1', "
                           "'2026-12-01', %1, 1, 10, 'HIDDEN-REF')")
                       .arg(inv));
        for (int line = 1; line <= counts[inv - 1]; ++line)
            dm.ExecSQL(QString("INSERT INTO AR_TRANITEM (ID, AR_TRAN_ID, LINE, ITEMDESC, QTY, "
                               "PRICE, AMOUNT) VALUES (%1, %2, %3, 'Item %2-%3', 1, 10, 10)")
                           .arg(inv * 100 + line)
                           .arg(inv)
                           .arg(line));
    }
}
