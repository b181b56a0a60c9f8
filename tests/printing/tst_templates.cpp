// Print-template data: the names the template columns store, the data
// module's template operations, and the template a new database ships with.

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QtTest>
#include <algorithm>

#include "TestSupport.h"
#include "uDmMain.h"
#include "uTemplateCodes.h"

namespace {
// Every row of a select as text, one string per row, all columns but the
// skipped ones; sorted, as insert-select keeps no order.
QStringList Rows(TdmMain& dm, const QString& sql, const QStringList& skip = {}) {
    QStringList rows;
    dm.ForEachRow(sql, [&](const TFbQuery& q) {
        QStringList cols;
        for (int i = 0; i < q.FieldCount(); ++i) {
            const QString name = q.Column(i).Name;
            if (skip.contains(name)) continue;
            cols << name + "=" + (q.IsNull(i) ? QStringLiteral("<null>") : q.AsString(i));
        }
        rows << cols.join('|');
    });
    rows.sort();
    return rows;
}

const QStringList kStyles = {"Normal",      "Bold",           "Italic",          "Underline",
                             "Bold Italic", "Bold Underline", "Italic Underline"};
}  // namespace

class TstTemplates : public QObject {
    Q_OBJECT

private:
    TDbFixture F;

    int Count(const QString& sql) { return F.Value(sql).toInt(); }
    int NewNode(const QString& caption) {
        return F.Dm().InsertSysTreeView("SO_DOTEMPLATE", caption, 20, 1, 0, 0);
    }

private slots:
    void init() { F.Start(); }
    void cleanup() { F.Stop(); }

    // ---------------------------------------------------------- font styles

    void fontStyleNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        QTest::addColumn<bool>("underline");
        QTest::addColumn<QString>("written");
        QTest::newRow("Normal") << "Normal" << false << false << false << "Normal";
        QTest::newRow("Bold") << "Bold" << true << false << false << "Bold";
        QTest::newRow("Italic") << "Italic" << false << true << false << "Italic";
        QTest::newRow("Underline") << "Underline" << false << false << true << "Underline";
        QTest::newRow("Bold Italic") << "Bold Italic" << true << true << false << "Bold Italic";
        QTest::newRow("Bold Underline")
            << "Bold Underline" << true << false << true << "Bold Underline";
        QTest::newRow("Italic Underline")
            << "Italic Underline" << false << true << true << "Italic Underline";
        QTest::newRow("unknown") << "Heavy" << false << false << false << "Normal";
        QTest::newRow("other case") << "bold" << false << false << false << "Normal";
        QTest::newRow("empty") << "" << false << false << false << "Normal";
    }

    void fontStyleNames() {
        QFETCH(QString, name);
        QFETCH(bool, bold);
        QFETCH(bool, italic);
        QFETCH(bool, underline);
        QFETCH(QString, written);
        // Starts from every style set, so that reading also clears.
        QFont font("Segoe UI", 9);
        font.setBold(true);
        font.setItalic(true);
        font.setUnderline(true);
        font.setStrikeOut(true);
        ApplyFontStyleName(font, name);
        QCOMPARE(font.bold(), bold);
        QCOMPARE(font.italic(), italic);
        QCOMPARE(font.underline(), underline);
        QVERIFY(!font.strikeOut());
        QCOMPARE(FontStyleName(font), written);
    }

    // Sets the table has no name for are written "Normal".
    void unnamedStyleSets_data() {
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        QTest::addColumn<bool>("underline");
        QTest::addColumn<bool>("strikeOut");
        QTest::newRow("bold italic underline") << true << true << true << false;
        QTest::newRow("strike-out") << false << false << false << true;
        QTest::newRow("bold strike-out") << true << false << false << true;
        QTest::newRow("italic underline strike-out") << false << true << true << true;
    }

    void unnamedStyleSets() {
        QFETCH(bool, bold);
        QFETCH(bool, italic);
        QFETCH(bool, underline);
        QFETCH(bool, strikeOut);
        QFont font("Segoe UI", 9);
        font.setBold(bold);
        font.setItalic(italic);
        font.setUnderline(underline);
        font.setStrikeOut(strikeOut);
        QCOMPARE(FontStyleName(font), QString("Normal"));
        QCOMPARE(FontStyleNames(), kStyles);
    }

    // ---------------------------------------------------------- colours

    void colourNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QString>("written");
        // A palette whose every role has a colour of its own, so that each
        // system colour is told apart from the others and the fixed ones.
        const QColor window(0xf1, 0xe2, 0xd3), grayText(0x91, 0x92, 0x93), base(0xfa, 0xfb, 0xfc),
            midlight(0xe1, 0xe2, 0xe3), button(0xd1, 0xd2, 0xd3), dark(0x71, 0x72, 0x73),
            tip(0xff, 0xfe, 0xe1), text(0x11, 0x22, 0x33);
        QTest::newRow("None: written back as None") << "None" << window << "None";
        QTest::newRow("White") << "White" << QColor(QRgb(0xFFFFFF)) << "White";
        QTest::newRow("Silver") << "Silver" << QColor(QRgb(0xC0C0C0)) << "Silver";
        QTest::newRow("Gray") << "Gray" << QColor(QRgb(0x808080)) << "Gray";
        QTest::newRow("GrayText") << "GrayText" << grayText << "GrayText";
        QTest::newRow("Menu") << "Menu" << base << "Menu";
        QTest::newRow("3DLight") << "3DLight" << midlight << "3DLight";
        QTest::newRow("BtnFace") << "BtnFace" << button << "BtnFace";
        QTest::newRow("BtnShadow") << "BtnShadow" << dark << "BtnShadow";
        QTest::newRow("InfoBk") << "InfoBk" << tip << "InfoBk";
        QTest::newRow("Black") << "Black" << QColor(QRgb(0x000000)) << "Black";
        QTest::newRow("Green") << "Green" << QColor(QRgb(0x008000)) << "Green";
        QTest::newRow("Maroon") << "Maroon" << QColor(QRgb(0x800000)) << "Maroon";
        QTest::newRow("Navy") << "Navy" << QColor(QRgb(0x000080)) << "Navy";
        QTest::newRow("Purple") << "Purple" << QColor(QRgb(0x800080)) << "Purple";
        QTest::newRow("Teal") << "Teal" << QColor(QRgb(0x008080)) << "Teal";
        QTest::newRow("Red") << "Red" << QColor(QRgb(0xFF0000)) << "Red";
        QTest::newRow("Lime") << "Lime" << QColor(QRgb(0x00FF00)) << "Lime";
        QTest::newRow("Yellow") << "Yellow" << QColor(QRgb(0xFFFF00)) << "Yellow";
        QTest::newRow("Blue") << "Blue" << QColor(QRgb(0x0000FF)) << "Blue";
        // Unknown names read as the window text, which has no name of its own.
        QTest::newRow("unknown") << "Pink" << text << "Black";
        QTest::newRow("empty") << "" << text << "Black";
        QTest::newRow("other case") << "red" << text << "Black";
    }

    void colourNames() {
        QFETCH(QString, name);
        QFETCH(QColor, colour);
        QFETCH(QString, written);
        const QPalette saved = QApplication::palette();
        QPalette pal = saved;
        pal.setColor(QPalette::Active, QPalette::Window, QColor(0xf1, 0xe2, 0xd3));
        pal.setColor(QPalette::Disabled, QPalette::Text, QColor(0x91, 0x92, 0x93));
        pal.setColor(QPalette::Active, QPalette::Base, QColor(0xfa, 0xfb, 0xfc));
        pal.setColor(QPalette::Active, QPalette::Midlight, QColor(0xe1, 0xe2, 0xe3));
        pal.setColor(QPalette::Active, QPalette::Button, QColor(0xd1, 0xd2, 0xd3));
        pal.setColor(QPalette::Active, QPalette::Dark, QColor(0x71, 0x72, 0x73));
        pal.setColor(QPalette::Active, QPalette::ToolTipBase, QColor(0xff, 0xfe, 0xe1));
        pal.setColor(QPalette::Active, QPalette::WindowText, QColor(0x11, 0x22, 0x33));
        QApplication::setPalette(pal);
        const QColor read = ColorOfName(name);
        const QString back = NameOfColor(read);
        QApplication::setPalette(saved);
        QCOMPARE(read.rgba(), colour.rgba());
        QCOMPARE(back, written);
    }

    void colourNamesWritten() {
        QCOMPARE(ColorNames().size(), 20);
        QCOMPARE(ColorNames().first(), QString("None"));
        QCOMPARE(ColorNames().last(), QString("Blue"));
        // A colour of no name, and one that a fixed name and a palette role
        // share: the fixed name, which prints the same on every desktop.
        QCOMPARE(NameOfColor(QColor(0x12, 0x34, 0x56)), QString("Black"));
        const QPalette saved = QApplication::palette();
        QPalette pal = saved;
        pal.setColor(QPalette::Active, QPalette::Window, Qt::white);
        QApplication::setPalette(pal);
        const QString none = NameOfColor(ColorOfName("None"));
        QApplication::setPalette(saved);
        QCOMPARE(none, QString("White"));
    }

    // ---------------------------------------------------------- paper

    void paperNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("code");
        QTest::addColumn<QSizeF>("mm");
        const double in = 25.4;
        QTest::newRow("Default") << "Default" << 0 << QSizeF(210, 297);
        QTest::newRow("Letter") << "Letter" << 1 << QSizeF(8.5 * in, 11 * in);
        QTest::newRow("LetterSmall") << "LetterSmall" << 2 << QSizeF(8.5 * in, 11 * in);
        QTest::newRow("Tabloid") << "Tabloid" << 3 << QSizeF(11 * in, 17 * in);
        QTest::newRow("Ledger") << "Ledger" << 4 << QSizeF(17 * in, 11 * in);
        QTest::newRow("Legal") << "Legal" << 5 << QSizeF(8.5 * in, 14 * in);
        QTest::newRow("Statement") << "Statement" << 6 << QSizeF(5.5 * in, 8.5 * in);
        QTest::newRow("Executive") << "Executive" << 7 << QSizeF(7.25 * in, 10.5 * in);
        QTest::newRow("A3") << "A3" << 8 << QSizeF(297, 420);
        QTest::newRow("A4") << "A4" << 9 << QSizeF(210, 297);
        QTest::newRow("A4Small") << "A4Small" << 10 << QSizeF(210, 297);
        QTest::newRow("A5") << "A5" << 11 << QSizeF(148, 210);
        QTest::newRow("B4 (JIS)") << "B4" << 12 << QSizeF(257, 364);
        QTest::newRow("B5 (JIS)") << "B5" << 13 << QSizeF(182, 257);
        QTest::newRow("Folio") << "Folio" << 14 << QSizeF(8.5 * in, 13 * in);
        QTest::newRow("Quarto") << "Quarto" << 15 << QSizeF(215, 275);
        QTest::newRow("qr10X14") << "qr10X14" << 16 << QSizeF(10 * in, 14 * in);
        QTest::newRow("qr11X17") << "qr11X17" << 17 << QSizeF(11 * in, 17 * in);
        QTest::newRow("Note") << "Note" << 18 << QSizeF(8.5 * in, 11 * in);
        QTest::newRow("Env9") << "Env9" << 19 << QSizeF(3.875 * in, 8.875 * in);
        QTest::newRow("Env10") << "Env10" << 20 << QSizeF(4.125 * in, 9.5 * in);
        QTest::newRow("Env11") << "Env11" << 21 << QSizeF(4.5 * in, 10.375 * in);
        QTest::newRow("Env12") << "Env12" << 22 << QSizeF(4.75 * in, 11 * in);
        QTest::newRow("Env14") << "Env14" << 23 << QSizeF(5 * in, 11.5 * in);
        QTest::newRow("CSheet") << "CSheet" << 24 << QSizeF(17 * in, 22 * in);
        QTest::newRow("DSheet") << "DSheet" << 25 << QSizeF(22 * in, 34 * in);
        QTest::newRow("ESheet") << "ESheet" << 26 << QSizeF(34 * in, 44 * in);
        QTest::newRow("unknown: A4") << "Foolscap" << 9 << QSizeF(210, 297);
        QTest::newRow("empty: A4") << "" << 9 << QSizeF(210, 297);
    }

    void paperNames() {
        QFETCH(QString, name);
        QFETCH(int, code);
        QFETCH(QSizeF, mm);
        QCOMPARE(PaperCode(name), code);
        QVERIFY(!IsCustomPaper(name));
        const QSizeF size = PaperSizeMm(name);
        QVERIFY(qAbs(size.width() - mm.width()) < 0.01 && qAbs(size.height() - mm.height()) < 0.01);
        // The page the printer gets is the same sheet.
        const QSizeF page = QPageSize(PageSizeIdOfPaper(name)).size(QPageSize::Millimeter);
        QVERIFY2(qAbs(page.width() - mm.width()) < 1 && qAbs(page.height() - mm.height()) < 1,
                 qPrintable(QString("%1 x %2").arg(page.width()).arg(page.height())));
        QCOMPARE(PaperSizePixels(name),
                 QSize(qRound(mm.width() * 96 / 25.4), qRound(mm.height() * 96 / 25.4)));
    }

    void customPaper() {
        QCOMPARE(PaperCode("Custom"), -1);
        QVERIFY(IsCustomPaper("Custom"));
        QCOMPARE(PageSizeIdOfPaper("Custom"), QPageSize::Custom);
        QVERIFY(!PaperSizeMm("Custom").isValid());
        QVERIFY(!PaperSizePixels("Custom").isValid());
        QCOMPARE(PaperSizePixels("A4"), QSize(794, 1123));
        const QStringList order = {
            "Default",   "Letter", "LetterSmall", "Tabloid", "Ledger", "Legal",  "Statement",
            "Executive", "A3",     "A4",          "A4Small", "A5",     "B4",     "B5",
            "Folio",     "Quarto", "qr10X14",     "qr11X17", "Note",   "Env9",   "Env10",
            "Env11",     "Env12",  "Env14",       "CSheet",  "DSheet", "ESheet", "Custom"};
        QCOMPARE(PaperNames(), order);
    }

    // ---------------------------------------------------------- copy

    // Every page setting and every element column is carried; the name, with
    // quotes and a colon, goes in as written.
    void copyDoTemplate() {
        // An element with every column set, a user-defined field's among them.
        F.Dm().ExecSQL(
            "INSERT INTO SO_DOTEMPLATEFIELD (SO_DOTEMPLATE_ID, GROUPNAME, ORDERINGROUP, TITLE, "
            "DATASET, DATATABLE, DATAFIELD, VISIBLE, SPACE, FONTNAME, FONTSIZE, FONTSTYLE, "
            "FONTCOLOR, \"LEFT\", TOP, WIDTH, HEIGHT, WORDWRAP, RIGHTADJ, FORMATSTR, "
            "SYS_OBJECT_ID) "
            "VALUES (1, 'Footer', 999, 'Invoices.UDF.Colour', 'Tran_CDS', 'AR_TRAN', 'UDF_COLOUR', "
            "0, 3, 'Courier', 11, 'Bold Italic', 'Teal', 12, 13, 14, 15, 1, 1, '0.000', 77)");
        F.Dm().ExecSQL(
            "UPDATE SO_DOTEMPLATE SET MARGIN_TOP=7, MARGIN_LEFT=8, PRINT_OFFSET_X=-1.5, "
            "PRINT_OFFSET_Y=2.5 WHERE ID=1");
        const int node = NewNode("O'Brien's: copy");
        const QString name = "O'Brien's: copy";
        TScriptedMessages msgs;
        QVERIFY(F.Dm().CopyDoTemplate(21, node, name));
        QCOMPARE(msgs.Take(), QStringList());

        const int copy =
            F.Value(QString("SELECT ID FROM SO_DOTEMPLATE WHERE SYS_TREEVIEW_ID=%1").arg(node))
                .toInt();
        QVERIFY(copy > 1);
        QCOMPARE(F.Value(QString("SELECT NAME FROM SO_DOTEMPLATE WHERE ID=%1").arg(copy)), name);
        // The flag marks one template; it is not a page setting.
        const QStringList own = {"ID", "SYS_TREEVIEW_ID", "NAME", "SYS_TABLEFLAG_ID"};
        const QStringList page = Rows(F.Dm(), "SELECT * FROM SO_DOTEMPLATE WHERE ID=1", own);
        QCOMPARE(page.size(), 1);
        QCOMPARE(Rows(F.Dm(), QString("SELECT * FROM SO_DOTEMPLATE WHERE ID=%1").arg(copy), own),
                 page);
        const QStringList elements =
            Rows(F.Dm(), "SELECT * FROM SO_DOTEMPLATEFIELD WHERE SO_DOTEMPLATE_ID=1",
                 {"ID", "SO_DOTEMPLATE_ID"});
        QVERIFY(elements.size() > 20);
        QCOMPARE(
            Rows(F.Dm(),
                 QString("SELECT * FROM SO_DOTEMPLATEFIELD WHERE SO_DOTEMPLATE_ID=%1").arg(copy),
                 {"ID", "SO_DOTEMPLATE_ID"}),
            elements);
        // New rows, not moved ones.
        QCOMPARE(Count("SELECT COUNT(*) FROM SO_DOTEMPLATEFIELD WHERE SO_DOTEMPLATE_ID=1"),
                 int(elements.size()));
    }

    // The caller's transaction carries the copy: rolled back, nothing of it
    // (nor of the caller's node) stays; committed, both.
    void copyInCallersTransaction() {
        const int templates = Count("SELECT COUNT(*) FROM SO_DOTEMPLATE");
        const int elements = Count("SELECT COUNT(*) FROM SO_DOTEMPLATEFIELD");
        for (const bool commit : {false, true}) {
            TFbTransaction tra(F.Dm().SQLConn_Main);
            TFbQuery ins(tra,
                         "INSERT INTO SYS_TREEVIEW (TABLENAME, CAPTION, PARENTID) VALUES "
                         "('SO_DOTEMPLATE', 'Mine', 20) RETURNING ID");
            ins.Execute();
            const int node = ins.AsInteger("ID");
            QVERIFY(F.Dm().CopyDoTemplate(tra, 21, node, "Mine"));
            if (commit)
                tra.Commit();
            else
                tra.Rollback();
        }
        QCOMPARE(Count("SELECT COUNT(*) FROM SO_DOTEMPLATE"), templates + 1);
        QCOMPARE(Count("SELECT COUNT(*) FROM SO_DOTEMPLATEFIELD"), 2 * elements);
        QCOMPARE(Count("SELECT COUNT(*) FROM SYS_TREEVIEW WHERE CAPTION='Mine'"), 1);
        QCOMPARE(Count("SELECT COUNT(*) FROM SO_DOTEMPLATE T JOIN SYS_TREEVIEW N ON "
                       "N.ID=T.SYS_TREEVIEW_ID WHERE T.NAME='Mine' AND N.CAPTION='Mine'"),
                 1);
    }

    // The elements refused half-way: the template row goes with them.
    void failedCopyLeavesNothing() {
        F.Dm().SQLConn_Main.ExecuteImmediate("CREATE EXCEPTION E_TEST_REFUSED 'element refused'");
        F.Dm().SQLConn_Main.ExecuteImmediate(
            "CREATE TRIGGER T_TEST_REFUSED FOR SO_DOTEMPLATEFIELD BEFORE INSERT AS BEGIN "
            "IF (NEW.SO_DOTEMPLATE_ID <> 1) THEN EXCEPTION E_TEST_REFUSED; END");
        const int node = NewNode("Refused");
        const int templates = Count("SELECT COUNT(*) FROM SO_DOTEMPLATE");
        const int elements = Count("SELECT COUNT(*) FROM SO_DOTEMPLATEFIELD");
        TScriptedMessages msgs;
        try {
            F.Dm().CopyDoTemplate(21, node, "Refused");
            QFAIL("the refused copy went through");
        } catch (const EFbError& e) {
            QVERIFY2(e.Message().contains("element refused"), qPrintable(e.Message()));
        }
        QCOMPARE(Count("SELECT COUNT(*) FROM SO_DOTEMPLATE"), templates);
        QCOMPARE(
            Count(QString("SELECT COUNT(*) FROM SO_DOTEMPLATE WHERE SYS_TREEVIEW_ID=%1").arg(node)),
            0);
        QCOMPARE(Count("SELECT COUNT(*) FROM SO_DOTEMPLATEFIELD"), elements);
    }

    void copyFromNodeWithoutTemplate_data() {
        QTest::addColumn<int>("from");
        QTest::newRow("top node") << 20;
        QTest::newRow("no such node") << 4242;
    }

    void copyFromNodeWithoutTemplate() {
        QFETCH(int, from);
        const int node = NewNode("Nothing");
        const QStringList before = Rows(F.Dm(), "SELECT * FROM SO_DOTEMPLATE") +
                                   Rows(F.Dm(), "SELECT * FROM SO_DOTEMPLATEFIELD");
        TScriptedMessages msgs;
        QVERIFY(!F.Dm().CopyDoTemplate(from, node, "Nothing"));
        QCOMPARE(msgs.Shown.size(), 1);
        QCOMPARE(msgs.Shown[0].Kind, TMessageService::TKind::Error);
        QCOMPARE(msgs.Shown[0].Text,
                 QString("Copy failed, cannot find corresponding SO_DOTEMPLATE.ID for "
                         "SYS_TREEVIEW_ID: %1")
                     .arg(from));
        QCOMPARE(Rows(F.Dm(), "SELECT * FROM SO_DOTEMPLATE") +
                     Rows(F.Dm(), "SELECT * FROM SO_DOTEMPLATEFIELD"),
                 before);
    }

    // ---------------------------------------------------------- delete

    void deleteDoTemplate() {
        const int a = NewNode("A"), b = NewNode("B");
        QVERIFY(F.Dm().CopyDoTemplate(21, a, "A"));
        QVERIFY(F.Dm().CopyDoTemplate(21, b, "B"));
        const QString others =
            "SELECT * FROM SO_DOTEMPLATEFIELD WHERE SO_DOTEMPLATE_ID IN (SELECT ID FROM "
            "SO_DOTEMPLATE WHERE SYS_TREEVIEW_ID<>%1)";
        const QStringList kept = Rows(F.Dm(), others.arg(a));
        const int aId =
            F.Value(QString("SELECT ID FROM SO_DOTEMPLATE WHERE SYS_TREEVIEW_ID=%1").arg(a))
                .toInt();

        // In the caller's transaction: rolled back, nothing is gone.
        {
            TFbTransaction tra(F.Dm().SQLConn_Main);
            F.Dm().DeleteDoTemplate(tra, a);
        }
        QCOMPARE(Count(QString("SELECT COUNT(*) FROM SO_DOTEMPLATEFIELD WHERE SO_DOTEMPLATE_ID=%1")
                           .arg(aId)),
                 Count("SELECT COUNT(*) FROM SO_DOTEMPLATEFIELD WHERE SO_DOTEMPLATE_ID=1"));

        F.Dm().DeleteDoTemplate(a);
        QCOMPARE(
            Count(QString("SELECT COUNT(*) FROM SO_DOTEMPLATE WHERE SYS_TREEVIEW_ID=%1").arg(a)),
            0);
        QCOMPARE(Count(QString("SELECT COUNT(*) FROM SO_DOTEMPLATEFIELD WHERE SO_DOTEMPLATE_ID=%1")
                           .arg(aId)),
                 0);
        QCOMPARE(Rows(F.Dm(), others.arg(a)), kept);
        QCOMPARE(Count("SELECT COUNT(*) FROM SO_DOTEMPLATE"), 2);
    }

    // ---------------------------------------------------------- user-defined fields

    void udfPlacement_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("dataSet");
        QTest::addColumn<QString>("band");
        // The shipped template prints invoice columns in the header and the
        // footer, line columns in the item lines.
        QTest::newRow("invoice") << "AR_TRAN" << true << "Tran_CDS"
                                 << "Header";
        QTest::newRow("customer") << "AR_ACCT" << true << "Tran_CDS"
                                  << "Header";
        QTest::newRow("item line") << "AR_TRANITEM" << true << "Item_CDS"
                                   << "Detail";
        QTest::newRow("sender") << "SO_DOTEMPLATESETUP" << true << "Flag_CDS"
                                << "Header";
        QTest::newRow("product: not in any template") << "IC_ITEM" << false << ""
                                                      << "";
        QTest::newRow("other case") << "ar_tran" << false << ""
                                    << "";
    }

    void udfPlacement() {
        QFETCH(QString, table);
        QFETCH(bool, valid);
        QFETCH(QString, dataSet);
        QFETCH(QString, band);
        QString ds = "unset", bn = "unset";
        QCOMPARE(F.Dm().udfDataTableValidInSoDoTemplateField(table, ds, bn), valid);
        if (valid) {
            QCOMPARE(ds, dataSet);
            QCOMPARE(bn, band);
        }
    }

    // Header wins over Footer, Footer over Detail; an element without a data
    // set places nothing.
    void udfPlacementBandOrder() {
        const auto add = [&](const QString& band, const QString& dataSet) {
            F.Dm().ExecSQL(QString("INSERT INTO SO_DOTEMPLATEFIELD (SO_DOTEMPLATE_ID, GROUPNAME, "
                                   "DATASET, DATATABLE, DATAFIELD) VALUES (1, '%1', %2, "
                                   "'TEST_T', 'X')")
                               .arg(band, dataSet));
        };
        QString ds, bn;
        add("Header", "NULL");
        add("Footer", "''");
        QVERIFY(!F.Dm().udfDataTableValidInSoDoTemplateField("TEST_T", ds, bn));
        add("Detail", "'Item_CDS'");
        QVERIFY(F.Dm().udfDataTableValidInSoDoTemplateField("TEST_T", ds, bn));
        QCOMPARE(ds + "/" + bn, QString("Item_CDS/Detail"));
        add("Footer", "'Tran_CDS'");
        QVERIFY(F.Dm().udfDataTableValidInSoDoTemplateField("TEST_T", ds, bn));
        QCOMPARE(ds + "/" + bn, QString("Tran_CDS/Footer"));
        add("Header", "'Flag_CDS'");
        QVERIFY(F.Dm().udfDataTableValidInSoDoTemplateField("TEST_T", ds, bn));
        QCOMPARE(ds + "/" + bn, QString("Flag_CDS/Header"));
    }

    // A user-defined field gets one hidden element in every template, and
    // loses it from every template with the field.
    void udfElements() {
        QVERIFY(F.Dm().CopyDoTemplate(21, NewNode("Copy"), "Copy"));
        const QStringList before = Rows(F.Dm(), "SELECT * FROM SO_DOTEMPLATEFIELD");
        F.Dm().insertUdfToDoTemplates("Footer", "AR_TRAN", "Tran_CDS", "Invoices.UDF.Buyer's Note",
                                      "UDF_NOTE", "#,##0", 4321, true, false);
        const QString sel =
            "SELECT SO_DOTEMPLATE_ID, GROUPNAME, ORDERINGROUP, TITLE, DATASET, DATATABLE, "
            "DATAFIELD, VISIBLE, \"LEFT\", TOP, WORDWRAP, RIGHTADJ, FORMATSTR FROM "
            "SO_DOTEMPLATEFIELD WHERE SYS_OBJECT_ID=4321";
        QStringList expected;
        F.Dm().ForEachRow("SELECT ID FROM SO_DOTEMPLATE", [&](const TFbQuery& q) {
            expected << "SO_DOTEMPLATE_ID=" + q.AsString("ID") +
                            "|GROUPNAME=Footer|ORDERINGROUP=999|TITLE=Invoices.UDF.Buyer's Note|"
                            "DATASET=Tran_CDS|DATATABLE=AR_TRAN|DATAFIELD=UDF_NOTE|VISIBLE=0|"
                            "LEFT=0|TOP=0|WORDWRAP=1|RIGHTADJ=0|FORMATSTR=#,##0";
        });
        expected.sort();
        QCOMPARE(expected.size(), 2);
        QCOMPARE(Rows(F.Dm(), sel), expected);
        F.Dm().insertUdfToDoTemplates("Detail", "AR_TRANITEM", "Item_CDS", "Lines.UDF.Weight",
                                      "UDF_WEIGHT", "", 4322, false, true);
        QCOMPARE(Count("SELECT COUNT(*) FROM SO_DOTEMPLATEFIELD WHERE SYS_OBJECT_ID=4322 AND "
                       "WORDWRAP=0 AND RIGHTADJ=1"),
                 2);

        F.Dm().deleteUdfToDoTemplates(4321);
        QCOMPARE(Count("SELECT COUNT(*) FROM SO_DOTEMPLATEFIELD WHERE SYS_OBJECT_ID=4321"), 0);
        F.Dm().deleteUdfToDoTemplates(4322);
        QCOMPARE(Rows(F.Dm(), "SELECT * FROM SO_DOTEMPLATEFIELD"), before);
    }

    // ---------------------------------------------------------- reference rows

    void newDatabase() {
        QCOMPARE(F.Dm().SelectSysSoDoTemplateId(), 0);
        QCOMPARE(F.Value("SELECT SO_DOTEMPLATE_ID FROM SYS"), QString("0"));
        QVERIFY(!F.Value("SELECT NAME FROM SO_DOTEMPLATESETUP WHERE ID=0").isEmpty());
        // The tree: a read-only top node and one child per template.
        QCOMPARE(F.Value("SELECT COUNT(*) FROM SYS_TREEVIEW WHERE TABLENAME='SO_DOTEMPLATE' AND "
                         "PARENTID=0 AND READONLY=1"),
                 QString("1"));
        const int top =
            F.Value("SELECT ID FROM SYS_TREEVIEW WHERE TABLENAME='SO_DOTEMPLATE' AND PARENTID=0")
                .toInt();
        QVERIFY(Count("SELECT COUNT(*) FROM SO_DOTEMPLATE") >= 1);
        QCOMPARE(Count("SELECT COUNT(*) FROM SYS_TREEVIEW WHERE TABLENAME='SO_DOTEMPLATE' AND "
                       "PARENTID<>0"),
                 Count("SELECT COUNT(*) FROM SO_DOTEMPLATE"));
        // A new template takes a key no shipped template has.
        QVERIFY(F.Dm().GetTableNextKey("SO_DOTEMPLATE") >
                Count("SELECT MAX(ID) FROM SO_DOTEMPLATE"));
        QVERIFY(F.Dm().GetTableNextKey("SYS_TREEVIEW") > Count("SELECT MAX(ID) FROM SYS_TREEVIEW"));

        const QString imageDir =
            QStringLiteral(TALLYVO_PROGRAM_DIR) + "/UserData/Images/DoTemplates/";
        const QStringList bands = {"Header", "Detail", "Footer"};
        const QStringList system = {"DATE", "YEAR", "MONTH", "DAY", "USER", "TICK", "PAGENO"};
        const QMap<QString, QStringList> tablesOf = {{"Flag_CDS", {"SO_DOTEMPLATESETUP"}},
                                                     {"Tran_CDS", {"AR_TRAN", "AR_ACCT"}},
                                                     {"Item_CDS", {"AR_TRANITEM", "IC_ITEM"}}};
        struct TTemplate {
            int Id, Node, Width, Height, Header, Footer, Lines;
            QString Name, Paper, File;
        };
        QList<TTemplate> templates;
        F.Dm().ForEachRow("SELECT * FROM SO_DOTEMPLATE ORDER BY ID", [&](const TFbQuery& q) {
            templates.append({q.AsInteger("ID"), q.AsInteger("SYS_TREEVIEW_ID"),
                              q.AsInteger("PAGE_WIDTH"), q.AsInteger("PAGE_HEIGHT"),
                              q.AsInteger("HEADER_HEIGHT"), q.AsInteger("FOOTER_HEIGHT"),
                              q.AsInteger("LINECOUNT"), q.AsString("NAME"), q.AsString("PAPERSIZE"),
                              q.AsString("FILENAME")});
        });
        for (const TTemplate& t : templates) {
            QCOMPARE(F.Value(QString("SELECT CAPTION FROM SYS_TREEVIEW WHERE ID=%1 AND "
                                     "TABLENAME='SO_DOTEMPLATE' AND PARENTID=%2 AND READONLY=0")
                                 .arg(t.Node)
                                 .arg(top)),
                     t.Name);
            QVERIFY(t.Lines >= 1);
            QCOMPARE(QSize(t.Width, t.Height), PaperSizePixels(t.Paper));
            const int detail = t.Height - t.Header - t.Footer;
            QVERIFY(t.Header >= 0 && t.Footer >= 0 && detail >= t.Lines);
            const int line = detail / t.Lines;
            // The form picture is found in the program folder and is the page.
            const QImage form(imageDir + t.File);
            QVERIFY2(!form.isNull(), qPrintable(imageDir + t.File));
            QCOMPARE(form.size(), QSize(t.Width, t.Height));
            int drawn = 0;
            for (int y = 0; y < form.height(); ++y)
                for (int x = 0; x < form.width(); ++x)
                    drawn += form.pixel(x, y) != qRgb(255, 255, 255);
            QVERIFY(drawn > 10000);  // a form, not a blank page

            int count = 0;
            F.Dm().ForEachRow(
                QString("SELECT * FROM SO_DOTEMPLATEFIELD WHERE SO_DOTEMPLATE_ID=%1").arg(t.Id),
                [&](const TFbQuery& q) {
                    ++count;
                    const QString title = q.AsString("TITLE");
                    const QString band = q.AsString("GROUPNAME");
                    const QString dataSet = q.AsString("DATASET");
                    const QString table = q.AsString("DATATABLE");
                    const QString field = q.AsString("DATAFIELD");
                    QVERIFY2(bands.contains(band), qPrintable(title));
                    if (tablesOf.contains(dataSet)) {
                        QVERIFY2(tablesOf[dataSet].contains(table), qPrintable(title));
                        // The column exists: selecting it is not refused.
                        F.Dm().SelectValue("SELECT FIRST 1 " + table + "." + field + " FROM " +
                                           table);
                    } else {
                        QVERIFY2(system.contains(field), qPrintable(title));
                    }
                    const int left = q.AsInteger("LEFT"), top = q.AsInteger("TOP");
                    const int w = q.AsInteger("WIDTH"), h = q.AsInteger("HEIGHT");
                    const int bandTop = band == "Header"   ? 0
                                        : band == "Detail" ? t.Header
                                                           : t.Height - t.Footer;
                    const int bandHeight = band == "Header"   ? t.Header
                                           : band == "Detail" ? line
                                                              : t.Footer;
                    QVERIFY2(left >= 0 && w >= 10 && left + w <= t.Width, qPrintable(title));
                    QVERIFY2(top >= 0 && h >= 10 && top + h <= bandHeight, qPrintable(title));
                    // Nothing of the form is printed where the element prints
                    // (every item line for the detail band).
                    const int copies = band == "Detail" ? t.Lines : 1;
                    for (int k = 0; k < copies; ++k) {
                        const QRect r(left, bandTop + k * line + top, w, h);
                        for (int y = r.top(); y <= r.bottom(); ++y)
                            for (int x = r.left(); x <= r.right(); ++x)
                                if (form.pixel(x, y) != qRgb(255, 255, 255))
                                    QFAIL(qPrintable(QString("%1 lies over the form at %2,%3")
                                                         .arg(title)
                                                         .arg(x)
                                                         .arg(y)));
                    }
                    if (title == QString::fromUtf8("邮编")) {
                        QCOMPARE(field, QString("ZIPCODE"));
                        QVERIFY(q.AsInteger("SPACE") >= 0);
                    }
                });
            QVERIFY(count > 0);
        }
    }
};

QTEST_MAIN(TstTemplates)
#include "tst_templates.moc"
