// The options window through the main window: the numbering pattern, the
// company details and the tax rates typed in and saved; unsaved changes are
// asked about on closing; a refused save writes nothing and keeps every edit.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QtTest>

#include "TClientDataSet.h"
#include "TestSupport.h"
#include "uDbCheckBox.h"
#include "uDbEditGrid.h"
#include "uDmMain.h"
#include "uMain.h"
#include "uPnDbMemo.h"
#include "uStartup.h"
#include "uSysOptions.h"

namespace {

const QString kUnsaved = "The record being edited in [Options] is not saved yet. Save it now?";

QString Stored(const QString& sql) {
    const QVariant v = dmMain()->SelectValue(sql);
    return v.isNull() ? QString() : v.toString();
}

QString StoredPattern() {
    return Stored(
        "SELECT COALESCE(PREFIX0,'')||'/'||COALESCE(PREFIX0DATE,'')||'/'||COALESCE(DIGIT,'') "
        "FROM SYS_TABLENO WHERE TABLENAME='AR_TRAN'");
}

// Runs body on the options window once exec() shows it; afterwards the
// window is closed without questions, whatever body did or failed.
void OnOptions(bool& ran, const std::function<void(TfmSysOptions&)>& body) {
    ran = false;
    OnNextModal([&ran, body](QWidget* w) {
        if (auto* d = qobject_cast<TfmSysOptions*>(w)) {
            ran = true;
            QApplication::setActiveWindow(d);
            body(*d);
        }
        if (w->isVisible()) qobject_cast<QDialog*>(w)->done(QDialog::Rejected);
    });
}

// "Systems" → "Options" with the mouse.
void ChooseOptionsFromMenu(TfmMain& m) {
    QMenuBar* bar = m.menuBar();
    auto* systems = m.findChild<QMenu*>("MenuSystems");
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(systems->menuAction()).center());
    QVERIFY(systems->isVisible());
    QAction* options = m.Command("System_Option");
    QCOMPARE(options->text(), QString("Options"));
    QTest::mouseClick(systems, Qt::LeftButton, {}, systems->actionGeometry(options).center());
}

void ClickEntry(TfmSysOptions& d, const QString& text) {
    QTreeWidgetItem* item = d.tvOptions->findItems(text, Qt::MatchExactly).value(0);
    QVERIFY(item);
    QTest::mouseClick(d.tvOptions->viewport(), Qt::LeftButton, {},
                      d.tvOptions->visualItemRect(item).center());
}

QModelIndex CellOf(TDbGrid* grid, int row, const QString& field) {
    return grid->model()->index(row, grid->LogicalOfField(field));
}

// Clicks a cell, opens its editor with F2 and types the texts into it and
// the cells to its right (Tab between them, Enter after the last).
void TypeIntoCells(TDbGrid* grid, int row, const QString& field, const QStringList& texts) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(CellOf(grid, row, field)).center());
    QTest::keyClick(grid, Qt::Key_F2);
    for (int i = 0; i < texts.size(); ++i) {
        QWidget* editor = QApplication::focusWidget();
        QVERIFY(editor && editor != grid);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, texts[i]);
        QTest::keyClick(editor, i + 1 < texts.size() ? Qt::Key_Tab : Qt::Key_Return);
    }
}

QString LineText(TfmSysOptions& d, const QString& field) {
    return qobject_cast<QLineEdit*>(EditorOf(&d, field))->text();
}

}  // namespace

class TstOptions : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TTestFolder> FFolder;
    std::unique_ptr<TStartup> FStartup;

    TfmMain& Main() { return *FStartup->fmMain; }

private slots:
    void init() {
        FFolder = std::make_unique<TTestFolder>();
        LoginAs("ADMIN");
        FStartup = std::make_unique<TStartup>();
        QVERIFY(FStartup->Start());
    }

    void cleanup() {
        TdmMain::SetToday(QDate());
        FStartup.reset();
        FFolder.reset();
    }

    // The pattern typed on "General" is stored by "Save", and the next
    // invoice number follows it.
    void numberingSavedFromTheMenu() {
        TScriptedMessages msgs;
        TdmMain::SetToday(QDate(1999, 11, 1));
        QCOMPARE(StoredPattern(), QString("INV/0/5"));
        bool ran;
        OnOptions(ran, [&](TfmSysOptions& d) {
            QCOMPARE(d.windowTitle(), QString("Options - General"));
            QCOMPARE(d.size(), QSize(624, 424));
            QCOMPARE(d.pcOptions->currentIndex(), 0);
            QCOMPARE(d.tvOptions->topLevelItemCount(), 3);
            QCOMPARE(d.lbPattern->text(),
                     QString("Auto Invoice Numbering Pattern: Prefix (if any) + Date (if chosen) + "
                             "Number of Digits"));
            QVERIFY(d.memoExamples->isReadOnly());
            QCOMPARE(d.memoExamples->toPlainText().split('\n').value(5),
                     QString("ABC19991101003 ... as auto running invoice numbers on Date of 01 "
                             "Nov 1999 "));
            QCOMPARE(LineText(d, "PREFIX0"), QString("INV"));
            QVERIFY(!d.cbPrefix0Date->isChecked());

            Retype(EditorOf(&d, "PREFIX0"), "ABC");
            QTest::mouseClick(d.cbPrefix0Date, Qt::LeftButton);
            Retype(EditorOf(&d, "DIGIT"), "3");
            QTest::mouseClick(d.btnSave, Qt::LeftButton);
            QCOMPARE(StoredPattern(), QString("ABC/1/3"));
            // "Save" keeps the window open; with nothing unsaved, "Close" asks nothing.
            QVERIFY(d.isVisible());
            QTest::mouseClick(d.btnClose, Qt::LeftButton);
            QVERIFY(!d.isVisible());
        });
        ChooseOptionsFromMenu(Main());
        QVERIFY(ran);
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(dmMain()->GetNextTableNo("AR_TRAN", 0), QString("ABC19991101001"));
    }

    void closingAsksAboutUnsavedChanges_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("answer");  // TMessageService::TAnswer
        QTest::addColumn<bool>("stays");
        QTest::addColumn<QString>("stored");
        using A = TMessageService::TAnswer;
        QTest::newRow("Close, No") << "button" << int(A::No) << false << "INV/0/5";
        QTest::newRow("Esc, Cancel") << "esc" << int(A::Cancel) << true << "INV/0/5";
        QTest::newRow("close box, Yes") << "box" << int(A::Yes) << false << "XY/0/5";
    }

    void closingAsksAboutUnsavedChanges() {
        QFETCH(QString, how);
        QFETCH(int, answer);
        QFETCH(bool, stays);
        QFETCH(QString, stored);
        TScriptedMessages msgs;
        bool ran;
        OnOptions(ran, [&](TfmSysOptions& d) {
            Retype(EditorOf(&d, "PREFIX0"), "XY");
            msgs.Choices << TMessageService::TAnswer(answer);
            if (how == "button")
                QTest::mouseClick(d.btnClose, Qt::LeftButton);
            else if (how == "esc")
                QTest::keyClick(EditorOf(&d, "PREFIX0"), Qt::Key_Escape);
            else
                d.close();  // what the window system's close box sends
            QCOMPARE(msgs.Take(), QStringList{kUnsaved});
            QCOMPARE(d.isVisible(), stays);
            QCOMPARE(StoredPattern(), stored);
            if (stays) {
                // Nothing lost: the typing is still there, and can be saved.
                QCOMPARE(LineText(d, "PREFIX0"), QString("XY"));
                QTest::mouseClick(d.btnSave, Qt::LeftButton);
                QCOMPARE(StoredPattern(), QString("XY/0/5"));
                QTest::mouseClick(d.btnClose, Qt::LeftButton);
                QCOMPARE(msgs.Take(), QStringList());
                QVERIFY(!d.isVisible());
            }
        });
        Main().SetSysOptions(0);
        QVERIFY(ran);
    }

    void companyEditsAddressZero_data() {
        QTest::addColumn<bool>("rowZero");  // the database has the row already
        QTest::newRow("row 0 stored") << true;
        QTest::newRow("row 0 missing") << false;
    }

    void companyEditsAddressZero() {
        QFETCH(bool, rowZero);
        TScriptedMessages msgs;
        dmMain()->ExecSQL(
            rowZero ? "UPDATE SO_DOTEMPLATESETUP SET NAME='Old Co', ADDRESS=NULL WHERE ID=0"
                    : "DELETE FROM SO_DOTEMPLATESETUP WHERE ID=0");
        dmMain()->ExecSQL("INSERT INTO SO_DOTEMPLATESETUP (ID, NAME) VALUES (1, 'Branch Co')");
        bool ran;
        OnOptions(ran, [&](TfmSysOptions& d) {
            QCOMPARE(d.windowTitle(), QString("Options - Company"));
            QCOMPARE(d.tvOptions->currentItem()->text(0), QString("Company"));
            QCOMPARE(d.pcOptions->currentIndex(), 1);
            QCOMPARE(d.lbCompanyNote->text(),
                     QString("(These fields will be available to be selected in invoice "
                             "template)"));
            QVERIFY(!d.cbSoDoIdx->isVisible());
            QCOMPARE(d.cbSoDoIdx->currentIndex(), 0);
            QCOMPARE(d.pnRemarks->Caption(), QString("Notes3"));
            QCOMPARE(LineText(d, "NAME"), QString(rowZero ? "Old Co" : ""));

            Retype(EditorOf(&d, "NAME"), "Tallyvo Trading");
            QWidget* address = EditorOf(&d, "ADDRESS");
            QTest::mouseClick(address, Qt::LeftButton);
            QTest::keyClicks(address, "1 Main St");
            QTest::keyClick(address, Qt::Key_Return);
            QTest::keyClicks(address, "Springfield");
            Retype(EditorOf(&d, "PHONENO"), "555-0100");
            QTest::mouseClick(d.btnSave, Qt::LeftButton);
            QCOMPARE(msgs.Take(), QStringList());
            QCOMPARE(Stored("SELECT NAME||'|'||PHONENO FROM SO_DOTEMPLATESETUP WHERE ID=0"),
                     QString("Tallyvo Trading|555-0100"));
            QCOMPARE(Stored("SELECT ADDRESS FROM SO_DOTEMPLATESETUP WHERE ID=0"),
                     QString("1 Main St\nSpringfield"));
            QCOMPARE(Stored("SELECT NAME FROM SO_DOTEMPLATESETUP WHERE ID=1"),
                     QString("Branch Co"));
            QTest::mouseClick(d.btnClose, Qt::LeftButton);
            QCOMPARE(msgs.Take(), QStringList());
            QVERIFY(!d.isVisible());
        });
        // As the invoice window's "Set Company Info" opens it.
        Main().SetSysOptions(1);
        QVERIFY(ran);
    }

    void companyReloadAsksFirst_data() {
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("shown");   // the name on screen afterwards
        QTest::addColumn<QString>("stored");  // and in the database
        QTest::newRow("Yes") << true << "Acme Ltd"
                             << "Acme Ltd";
        QTest::newRow("No") << false << ""
                            << "";
    }

    // Coming back to "Company" reloads the address; what was typed there is
    // not dropped without asking.
    void companyReloadAsksFirst() {
        QFETCH(bool, save);
        QFETCH(QString, shown);
        QFETCH(QString, stored);
        TScriptedMessages msgs;
        dmMain()->ExecSQL("UPDATE SO_DOTEMPLATESETUP SET NAME=NULL WHERE ID=0");
        bool ran;
        OnOptions(ran, [&](TfmSysOptions& d) {
            Retype(EditorOf(&d, "NAME"), "Acme Ltd");
            ClickEntry(d, "General");
            msgs.Answers << save;
            ClickEntry(d, "Company");
            QCOMPARE(msgs.Take(), QStringList{QString::fromUtf8("记录在编辑状态中,需要存盘吗?")});
            QCOMPARE(LineText(d, "NAME"), shown);
            QCOMPARE(Stored("SELECT COALESCE(NAME,'') FROM SO_DOTEMPLATESETUP WHERE ID=0"), stored);
            QTest::mouseClick(d.btnClose, Qt::LeftButton);
            QCOMPARE(msgs.Take(), QStringList());
            QVERIFY(!d.isVisible());
        });
        Main().SetSysOptions(1);
        QVERIFY(ran);
    }

    // Rates changed, added and deleted in the grid are written by "Save".
    void taxRatesEditedInTheGrid() {
        TScriptedMessages msgs;
        bool ran;
        OnOptions(ran, [&](TfmSysOptions& d) {
            ClickEntry(d, "Tax Rates");
            QCOMPARE(d.windowTitle(), QString("Options - Tax Rates"));
            QCOMPARE(d.pcOptions->currentIndex(), 2);
            TDbEditGrid* grid = d.gridTax;
            QStringList titles;
            for (int c = 0; c < grid->ColumnCount(); ++c) titles << grid->Title(c);
            QCOMPARE(titles, (QStringList{"ID", "Name", "Tax Rate %", "Tax Inclusive"}));
            QCOMPARE(d.lbTaxNote->text(),
                     QString("(You can directly edit the data values, set [Tax Inclusive] as 1 "
                             "to use tax inclusive prices)"));

            TypeIntoCells(grid, d.Site_CDS->RowOfKey(1), "RATE", {"12.5"});
            // Deleting a row asks the grid's confirmation first.
            QTest::mouseClick(
                grid->viewport(), Qt::LeftButton, {},
                grid->visualRect(CellOf(grid, d.Site_CDS->RowOfKey(3), "NAME")).center());
            msgs.Answers << true;
            QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
            QCOMPARE(msgs.Take(), QStringList{"Delete record?"});
            // Down on the last row adds one.
            QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
            QTest::keyClick(grid, Qt::Key_Down);
            QCOMPARE(d.Site_CDS->State(), TDataSetState::Insert);
            TypeIntoCells(grid, d.Site_CDS->RecNo(), "ID", {"9", "Zero rated", "0", "1"});
            // A cell still being typed in counts as typed when the window is closed.
            QTest::mouseClick(
                grid->viewport(), Qt::LeftButton, {},
                grid->visualRect(CellOf(grid, d.Site_CDS->RowOfKey(2), "NAME")).center());
            QTest::keyClick(grid, Qt::Key_F2);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_End);
            QTest::keyClicks(QApplication::focusWidget(), " (old)");
            msgs.Choices << TMessageService::TAnswer::Cancel;
            d.close();
            QCOMPARE(msgs.Take(), QStringList{kUnsaved});
            QVERIFY(d.isVisible());
            QTest::mouseClick(d.btnSave, Qt::LeftButton);
            QCOMPARE(msgs.Take(), QStringList());
        });
        Main().SetSysOptions(0);
        QVERIFY(ran);
        QCOMPARE(
            Stored("SELECT LIST(ID||':'||NAME||':'||RATE||':'||INCLUSIVE, ',') FROM "
                   "(SELECT * FROM SYS_TAX ORDER BY ID)"),
            QString(
                "0:No Tax:0.000000000000000:0,1:GST 10%:12.50000000000000:0,"
                "2:GST 10% Inclusive (old):10.00000000000000:1,9:Zero rated:0.000000000000000:1"));
    }

    void refusedSaveWritesNothing_data() {
        QTest::addColumn<QString>("page");  // where the value that is refused is typed
        QTest::addColumn<QString>("bad");
        QTest::addColumn<QString>("good");
        QTest::addColumn<QString>("ddl");
        QTest::addColumn<QString>("message");  // what the refusal says (a part of it)
        QTest::newRow("rate the database refuses")
            << "Tax Rates"
            << "150"
            << "15"
            << "ALTER TABLE SYS_TAX ADD CONSTRAINT SYS_TAX_RATE_RANGE CHECK (RATE BETWEEN 0 AND "
               "100)"
            << "Operation violates CHECK constraint SYS_TAX_RATE_RANGE on view or table SYS_TAX";
        QTest::newRow("digits the column cannot hold")
            << "General"
            << "99999999999"
            << "4"
            << ""
            << "[Number of Digits] The value is out of range: it must lie between -2147483648 and "
               "2147483647.";
        QTest::newRow("negative digits")
            << "General"
            << "-3"
            << "4"
            << ""
            << "[Number of Digits] The value is out of range: it must lie between 0 and 12.";
        QTest::newRow("more digits than an invoice number holds")
            << "General"
            << "99"
            << "4"
            << ""
            << "[Number of Digits] The value is out of range: it must lie between 0 and 12.";
        QTest::newRow("digits that make no number") << "General"
                                                    << "4x"
                                                    << "4"
                                                    << ""
                                                    << "[Number of Digits] \"4x\" is not a number.";
        QTest::newRow("name longer than the column")
            << "Company" << QString(121, 'n') << "Acme Ltd"
            << ""
            << "[Name] The text is too long: at most 120 characters fit, 121 were given.";
    }

    void refusedSaveWritesNothing() {
        QFETCH(QString, page);
        QFETCH(QString, bad);
        QFETCH(QString, good);
        QFETCH(QString, ddl);
        QFETCH(QString, message);
        if (!ddl.isEmpty()) dmMain()->ExecSQL(ddl);
        TScriptedMessages msgs;
        const QString storedBefore = StoredPattern() + "|" +
                                     Stored("SELECT COALESCE(NAME,'') FROM SO_DOTEMPLATESETUP") +
                                     "|" + Stored("SELECT RATE FROM SYS_TAX WHERE ID=1");
        bool ran;
        OnOptions(ran, [&](TfmSysOptions& d) {
            // Each page typed into in turn, the one with the refused value last.
            const auto type = [&](const QString& p, bool right) {
                ClickEntry(d, p);
                if (p == "General") {
                    Retype(EditorOf(&d, "PREFIX0"), "NEW");
                    Retype(EditorOf(&d, "DIGIT"), right || page != p ? "4" : bad);
                } else if (p == "Company") {
                    Retype(EditorOf(&d, "NAME"), right || page != p ? "Acme Ltd" : bad);
                } else {
                    TypeIntoCells(d.gridTax, d.Site_CDS->RowOfKey(1), "RATE",
                                  {right || page != p ? "15" : bad});
                }
            };
            for (const QString p : {"General", "Company", "Tax Rates"})
                if (p != page) type(p, true);
            type(page, false);
            QTest::mouseClick(d.btnSave, Qt::LeftButton);

            // The refusal is told with the message of whoever refused it...
            const QList<TScriptedMessages::TMessage> shown = msgs.Shown;
            msgs.Shown.clear();
            QVERIFY(!shown.isEmpty());
            for (const auto& m : shown) {
                QCOMPARE(m.Kind, TMessageService::TKind::Error);
                QVERIFY2(m.Text.contains(message), qPrintable(m.Text));
            }
            // ... none of the three is written, and everything typed is still there.
            QCOMPARE(StoredPattern() + "|" +
                         Stored("SELECT COALESCE(NAME,'') FROM SO_DOTEMPLATESETUP") + "|" +
                         Stored("SELECT RATE FROM SYS_TAX WHERE ID=1"),
                     storedBefore);
            QVERIFY(d.isVisible());
            QCOMPARE(LineText(d, "PREFIX0"), QString("NEW"));
            QCOMPARE(LineText(d, "DIGIT"), page == "General" ? bad : QString("4"));
            QCOMPARE(LineText(d, "NAME"), page == "Company" ? bad : QString("Acme Ltd"));
            QCOMPARE(d.gridTax->model()
                         ->data(CellOf(d.gridTax, d.Site_CDS->RowOfKey(1), "RATE"))
                         .toString(),
                     page == "Tax Rates" ? bad : QString("15"));

            // Put right, one "Save" writes all three.
            if (page == "General")
                Retype(EditorOf(&d, "DIGIT"), good);
            else if (page == "Company")
                Retype(EditorOf(&d, "NAME"), good);
            else
                TypeIntoCells(d.gridTax, d.Site_CDS->RowOfKey(1), "RATE", {good});
            QTest::mouseClick(d.btnSave, Qt::LeftButton);
            QCOMPARE(msgs.Take(), QStringList());
            QCOMPARE(StoredPattern() + "|" +
                         Stored("SELECT COALESCE(NAME,'') FROM SO_DOTEMPLATESETUP WHERE ID=0") +
                         "|" + Stored("SELECT RATE FROM SYS_TAX WHERE ID=1"),
                     QString("NEW/0/4|Acme Ltd|15"));
        });
        Main().SetSysOptions(0);
        QVERIFY(ran);
    }
};

QTEST_MAIN(TstOptions)
#include "tst_options.moc"
