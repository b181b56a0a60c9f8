// Exporting customers to a spreadsheet as a user does: mark rows, "Export to
// Excel" from the grid's menu, a file name, "Execute"; the file is read back
// cell by cell with openpyxl.

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "TClientDataSet.h"
#include "TDbGridModel.h"
#include "TestSupport.h"
#include "uCust.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uExport.h"
#include "uLogin.h"
#include "uMain.h"
#include "uStartup.h"

namespace {

// The workbook as openpyxl reads it: sheet names, cell texts row by row,
// and the font, width and alignment of some cells.
QJsonObject ReadBack(const QString& file) {
    const char* script = R"(
import json, sys, openpyxl
wb = openpyxl.load_workbook(sys.argv[1])
ws = wb.worksheets[0]
def style(ref):
    c = ws[ref]
    return {"font": c.font.name, "size": c.font.sz, "bold": bool(c.font.b),
            "align": c.alignment.horizontal, "format": c.number_format}
print(json.dumps({
    "sheets": wb.sheetnames,
    "rows": [[("" if v is None else str(v)) for v in row] for row in ws.iter_rows(values_only=True)],
    "A1": style("A1"), "B2": style("B2"), "K1": style("K1"), "K2": style("K2"),
    "widthA": ws.column_dimensions["A"].width, "widthJ": ws.column_dimensions["J"].width}))
)";
    QProcess p;
    // Debian's own interpreter, which the python3-openpyxl package serves.
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral("-c"), QString::fromLatin1(script), file});
    p.waitForFinished(30000);
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

// The texts of the workbook's shared strings as the format defines them:
// every _xHHHH_ stands for the character HHHH (openpyxl's own decoding; its
// cell values leave such sequences as they are stored).
QStringList SharedTexts(const QString& file) {
    const QString script =
        QStringList{
            "import json, sys, zipfile, xml.etree.ElementTree as ET",
            "from openpyxl.utils.escape import unescape",
            "ns = '{http://schemas.openxmlformats.org/spreadsheetml/2006/main}'",
            "root = ET.fromstring(zipfile.ZipFile(sys.argv[1]).read('xl/sharedStrings.xml'))",
            "print(json.dumps([unescape(''.join(t.text or '' for t in si.iter(ns + 't')))",
            "                  for si in root.iter(ns + 'si')]))"}
            .join('\n');
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, file});
    p.waitForFinished(30000);
    QStringList out;
    for (const QJsonValue& v : QJsonDocument::fromJson(p.readAllStandardOutput()).array())
        out << v.toString();
    return out;
}

QStringList Row(const QJsonObject& book, int row) {
    QStringList out;
    for (const QJsonValue& v : book["rows"].toArray()[row].toArray()) out << v.toString();
    return out;
}

}  // namespace

class TstExport : public QObject {
    Q_OBJECT

private:
    TProgramFixture FProgram;
    TfmMain* FMain = nullptr;
    TdmMain* FDm = nullptr;
    QTemporaryDir FOut;

    TfmCust* CustomersMarked(const QList<int>& rows) {
        FDm->ExecSQL(
            "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, PHONENO, SYS_TREEVIEW_ID) VALUES "
            "(1, 'acme', 'Acme Ltd', '555-0100', 2)");
        FDm->ExecSQL(
            "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, SYS_TREEVIEW_ID) VALUES (2, 'bolt', "
            "'Bolt & Co', 2)");
        FDm->ExecSQL(
            "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, SYS_TREEVIEW_ID) VALUES (3, 'cork', "
            "'Cork \"Best\" Ltd', 2)");
        FMain->Command("CustRelation_Cust")->trigger();
        TfmCust* w = FMain->fmCust;
        TDbGrid* g = w->Grid();
        for (int row : rows)
            QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              g->visualRect(g->model()->index(row, 1)).center());
        return w;
    }

    // "Export to Excel" from the grid menu; fn works the dialog.
    void Export(TfmCust* w, const std::function<void(TfmExport*)>& fn, int row = 0,
                Qt::KeyboardModifiers mods = Qt::NoModifier) {
        bool ran = false;
        OnNextModal([&](QWidget* d) {
            auto* dlg = qobject_cast<TfmExport*>(d);
            QVERIFY2(dlg, "the export dialog opened");
            fn(dlg);
            ran = true;
            if (dlg->isVisible()) QTest::mouseClick(dlg->BitBtn2, Qt::LeftButton);
        });
        ChooseInGridMenu(w->Grid(), w->Part<QMenu>("PopupDbGrid"), {"Export to Excel"}, row, mods);
        QTRY_VERIFY(ran);
    }

private slots:
    void init() {
        QVERIFY(FProgram.Start());
        FMain = FProgram.Main();
        FDm = FProgram.Dm();
    }

    void cleanup() {
        TfmExport::FileOpener() = [](const QUrl& u) { QDesktopServices::openUrl(u); };
        FProgram.Stop();
    }

    // Marked rows in marking order; the header of field names, bold, Arial
    // 10, width 13, centred in A to J only; the file offered to open.
    void markedRows() {
        TScriptedMessages msgs;
        TfmCust* w = CustomersMarked({2, 0});
        const QString file = FOut.filePath("marked");
        QList<QUrl> opened;
        TfmExport::FileOpener() = [&opened](const QUrl& u) { opened << u; };
        Export(w, [&](TfmExport* dlg) {
            QCOMPARE(dlg->windowTitle(), QString("Data Export"));
            QVERIFY(dlg->rbSelected->isChecked());
            QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
            QCOMPARE(msgs.Take(),
                     QStringList{"Please enter the Excel file name you want to export to."});
            msgs.InputValues << file;
            QTest::mouseClick(dlg->SpeedButton1, Qt::LeftButton);
            QCOMPARE(dlg->Edit1->text(), file);
            msgs.Answers << true;
            QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        });
        const QString written = file + ".xlsx";
        QStringList shown = msgs.Take();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0], QString("Save: Select File"));
        QVERIFY(shown[1].endsWith("Open it now?"));
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(written)});

        const QJsonObject book = ReadBack(written);
        QVERIFY2(!book.isEmpty(), "the file was read back");
        QCOMPARE(book["sheets"].toArray().first().toString(), QString("AR_ACCT"));
        const QStringList header = Row(book, 0);
        const TClientDataSet* cds = w->Child_CDS;
        QCOMPARE(header.size(), cds->FieldCount());
        for (int c = 0; c < cds->FieldCount(); ++c) QCOMPARE(header[c], cds->Field(c)->FieldName);
        QCOMPARE(book["rows"].toArray().size(), 3);
        const int name = header.indexOf("NAME"), phone = header.indexOf("PHONENO");
        QCOMPARE(Row(book, 1)[name], w->Child_CDS->ValueAt(2, cds->FieldByName("NAME")).toString());
        QCOMPARE(Row(book, 2)[name], w->Child_CDS->ValueAt(0, cds->FieldByName("NAME")).toString());
        // An empty value is an empty cell.
        const QStringList second = Row(book, 1), third = Row(book, 2);
        QVERIFY(second[phone].isEmpty() || third[phone].isEmpty());
        const QJsonObject a1 = book["A1"].toObject(), b2 = book["B2"].toObject();
        QCOMPARE(a1["font"].toString(), QString("Arial"));
        QCOMPARE(a1["size"].toDouble(), 10.0);
        QVERIFY(a1["bold"].toBool());
        QCOMPARE(a1["align"].toString(), QString("center"));
        QCOMPARE(a1["format"].toString(), QString("@"));
        QCOMPARE(b2["font"].toString(), QString("Arial"));
        QVERIFY(!b2["bold"].toBool());
        QCOMPARE(b2["align"].toString(), QString("center"));
        QVERIFY(!book["K1"].toObject()["bold"].toBool());
        QVERIFY(book["K2"].toObject()["font"].toString() != "Arial");
        QVERIFY(qAbs(book["widthA"].toDouble() - 13) < 1);
        QVERIFY(qAbs(book["widthJ"].toDouble() - 13) < 1);
    }

    void rightClickExportsEveryMarkedRow_data() {
        QTest::addColumn<bool>("selectAll");
        QTest::addColumn<int>("mods");
        QTest::newRow("two Ctrl-clicked, right-click") << false << int(Qt::NoModifier);
        QTest::newRow("two Ctrl-clicked, Ctrl+right-click") << false << int(Qt::ControlModifier);
        QTest::newRow("Select All Records, right-click") << true << int(Qt::NoModifier);
    }

    // "Only export selected records" from the menu of a right-click on a
    // marked row writes every marked row, in marking order.
    void rightClickExportsEveryMarkedRow() {
        QFETCH(bool, selectAll);
        QFETCH(int, mods);
        TScriptedMessages msgs;
        TfmCust* w = CustomersMarked(selectAll ? QList<int>{} : QList<int>{2, 0});
        if (selectAll)
            ChooseInGridMenu(w->Grid(), w->Part<QMenu>("PopupDbGrid"), {"Select All Records"}, 1);
        const TClientDataSet* cds = w->Child_CDS;
        QStringList want;
        for (qint64 key : w->Grid()->SelectedRows().Items())
            want << cds->ValueAt(cds->RowOfKey(key), cds->FieldByName("NAME")).toString();
        QCOMPARE(want.size(), selectAll ? 3 : 2);
        const QString file = FOut.filePath(QString("right%1%2").arg(selectAll).arg(mods));
        TfmExport::FileOpener() = [](const QUrl&) {};
        Export(
            w,
            [&](TfmExport* dlg) {
                QVERIFY(dlg->rbSelected->isChecked());
                msgs.InputValues << file;
                QTest::mouseClick(dlg->SpeedButton1, Qt::LeftButton);
                msgs.Answers << true << false;  // the file chosen; not opened
                QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
            },
            2, Qt::KeyboardModifiers(mods));
        const QJsonObject book = ReadBack(file + ".xlsx");
        QVERIFY2(!book.isEmpty(), "the file was read back");
        const int name = Row(book, 0).indexOf("NAME");
        QStringList written;
        for (int r = 1; r < book["rows"].toArray().size(); ++r) written << Row(book, r)[name];
        QCOMPARE(written, want);
    }

    // All rows, in the grid's order after a title click.
    void allRowsInGridOrder() {
        TScriptedMessages msgs;
        TfmCust* w = CustomersMarked({0});
        TDbGrid* g = w->Grid();
        const int nameColumn = g->GridModel()->ColumnOfField(w->Child_CDS->FieldByName("NAME"));
        QTest::mouseClick(
            g->horizontalHeader()->viewport(), Qt::LeftButton, {},
            QPoint(g->horizontalHeader()->sectionViewportPosition(nameColumn) + 5, 5));
        QTest::mouseClick(
            g->horizontalHeader()->viewport(), Qt::LeftButton, {},
            QPoint(g->horizontalHeader()->sectionViewportPosition(nameColumn) + 5, 5));
        QStringList shown;
        for (int r = 0; r < w->Child_CDS->RecordCount(); ++r)
            shown << w->Child_CDS->ValueAt(r, w->Child_CDS->FieldByName("NAME")).toString();
        const QString file = FOut.filePath("all.xlsx");
        Export(w, [&](TfmExport* dlg) {
            QTest::keyClicks(dlg->Edit1, file);
            QTest::mouseClick(dlg->rbAll, Qt::LeftButton);
            msgs.Answers << false;
            QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        });
        const QJsonObject book = ReadBack(file);
        QVERIFY2(!book.isEmpty(), "the file was read back");
        const int name = Row(book, 0).indexOf("NAME");
        QStringList exported;
        for (int r = 1; r < book["rows"].toArray().size(); ++r) exported << Row(book, r)[name];
        QCOMPARE(exported, shown);
        QCOMPARE(exported.size(), 3);
    }

    // A text that reads like an escape of the workbook format comes back
    // from the file as it was typed.
    void escapeLikeTexts_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("one") << "_x0041_";
        QTest::newRow("lower-case hex, in a sentence") << "Ref _x00e9_ end";
        QTest::newRow("sharing an underscore") << "_x0041_x0042_";
        QTest::newRow("its own escape") << "_x005F_";
        QTest::newRow("not one") << "_x41_ and _xZZZZ_";
    }

    void escapeLikeTexts() {
        QFETCH(QString, name);
        TScriptedMessages msgs;
        FDm->ExecSQL(
            "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, SYS_TREEVIEW_ID) VALUES (1, 'esc', :N, 2)",
            {{"N", name}});
        FMain->Command("CustRelation_Cust")->trigger();
        TfmCust* w = FMain->fmCust;
        const QString file = FOut.filePath("escape.xlsx");
        Export(w, [&](TfmExport* dlg) {
            QTest::keyClicks(dlg->Edit1, file);
            QTest::mouseClick(dlg->rbAll, Qt::LeftButton);
            msgs.Answers << false;
            QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        });
        const QStringList texts = SharedTexts(file);
        QVERIFY2(texts.contains("NAME"), "the file was read back");
        QVERIFY2(texts.contains(name), qPrintable(texts.join(" | ")));
    }

    // A file that cannot be written says why and leaves nothing behind.
    void unwritable_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing folder") << "missing/out.xlsx"
                                        << "does not exist";
        QTest::newRow("a folder's name") << "afolder"
                                         << "is a folder";
        // A place nobody may create files in, the superuser included.
        QTest::newRow("no permission") << "/sys/tallyvo-export.xlsx"
                                       << "ermission denied";
    }

    void unwritable() {
        QFETCH(QString, target);
        QFETCH(QString, reason);
        TScriptedMessages msgs;
        QTemporaryDir dir;
        QDir(dir.path()).mkdir("afolder.xlsx");
        const QString path = QDir::isAbsolutePath(target) ? target : dir.filePath(target);
        TfmCust* w = CustomersMarked({0});
        Export(w, [&](TfmExport* dlg) {
            QTest::keyClicks(dlg->Edit1, path);
            QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        });
        const QStringList shown = msgs.Take();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].startsWith("Cannot create Excel file (") && shown[0].contains(reason),
                 qPrintable(shown[0]));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 0);
        QVERIFY(!QFile::exists(path) || QFileInfo(path).isDir());
    }

    // The sheet's name: the table's, cut to 31 characters, without []:*?/\.
    void sheetName_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("sheet");
        QTest::newRow("plain") << "AR_ACCT"
                               << "AR_ACCT";
        QTest::newRow("forbidden") << "A[B]:C*D?E/F\\G"
                                   << "ABCDEFG";
        QTest::newRow("long") << QString(40, 'X') << QString(31, 'X');
        QTest::newRow("nothing left") << "[]"
                                      << "Sheet1";
        QTest::newRow("quotes at the ends") << "'CUST'OMER''"
                                            << "CUST'OMER";
        QTest::newRow("quote after the cut") << QString(30, 'X') + "'Y" << QString(30, 'X');
    }

    void sheetName() {
        QFETCH(QString, table);
        QFETCH(QString, sheet);
        QCOMPARE(TfmExport::SheetName(table), sheet);
    }

    // The rules hold in the file written.
    void sheetNameInFile_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("sheet");
        QTest::newRow("long, forbidden characters")
            << "CUSTOMER[ACCOUNTS]:ALL*?/\\WITH_A_VERY_LONG_NAME"
            << "CUSTOMERACCOUNTSALLWITH_A_VERY_";
        QTest::newRow("quoted") << "'CUSTOMER'"
                                << "CUSTOMER";
    }

    void sheetNameInFile() {
        QFETCH(QString, table);
        QFETCH(QString, sheet);
        TScriptedMessages msgs;
        TfmCust* w = CustomersMarked({0});
        const QString file = FOut.filePath("named.xlsx");
        Export(w, [&](TfmExport* dlg) {
            dlg->eTableName = table;
            QTest::keyClicks(dlg->Edit1, file);
            msgs.Answers << false;
            QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
        });
        const QJsonObject book = ReadBack(file);
        QVERIFY2(!book.isEmpty(), "the file was read back");
        QCOMPARE(book["sheets"].toArray().first().toString(), sheet);
        QCOMPARE(book["rows"].toArray().size(), 2);
    }
};

QTEST_MAIN(TstExport)
#include "tst_export.moc"
