// The record browser driven through real windows (offscreen) against the
// real engine: record commands, insert defaults, folders, moving rows,
// lookup columns, sorting and grid settings.

#include <QAction>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TestSupport.h"
#include "uCust.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uGridSettings.h"
#include "uPnDbEdit.h"
#include "uTreeView.h"

namespace {

// A browser of invoices, for the automatic number of a new row.
class TInvoiceBrowser : public TfmChild {
public:
    TInvoiceBrowser() {
        setObjectName("fmArTranTest");
        SetChildMode(3);
        Config.TableName = "AR_TRAN";
        Config.NameField = "INVOICENO";
        Config.TVShow = true;
        Config.TVShowCount = true;
    }
};

}  // namespace

class TstBrowser : public QObject {
    Q_OBJECT

private:
    TDbFixture F;

    int Count(const QString& sql) { return F.Dm().SelectValue(sql).toInt(); }

    void AddCustomers(int folder, const QStringList& names) {
        for (const QString& n : names)
            F.Dm().ExecSQL(
                QString("INSERT INTO AR_ACCT (ID, NICKNAME, NAME, SYS_TREEVIEW_ID, PRICENO) "
                        "VALUES (GEN_ID(AR_ACCT_ID_GEN, 1), :N, :N, %1, 0)")
                    .arg(folder),
                {{"N", n}});
    }

private slots:
    // A fresh program folder and data module for each test.
    void init() { F.Start(); }

    void cleanup() { F.Stop(); }

    void newThenSaveFilesTheRowInTheSelectedFolder() {
        TScriptedMessages msgs;
        auto w = OpenBrowser<TfmCust>();
        QTreeWidgetItem* general = w->Tree()->currentItem();
        QCOMPARE(NodeData(general).Caption, QString("General"));
        QCOMPARE(general->text(0), QString("General"));  // empty: no count shown
        QCOMPARE(w->Child_CDS->RecordCount(), 0);
        QVERIFY(!w->Command("Child_Delete")->isEnabled());
        w->Command("Child_Delete")->trigger();  // nothing to delete: nothing happens
        QVERIFY(msgs.Shown.isEmpty());

        w->Command("Child_New")->trigger();
        QVERIFY(w->Command("Child_Save")->isEnabled() && !w->Command("Child_New")->isEnabled());
        QVERIFY(!w->Part<QWidget>("PanelLeft")->isEnabled());
        QCOMPARE(w->Child_CDS->FieldByName("CREATEDATE")->AsDate(), QDate::currentDate());
        QTest::keyClicks(w->pnNickName->Editor(), "Acme");
        w->Command("Child_Save")->trigger();
        QVERIFY(msgs.Shown.isEmpty());
        QCOMPARE(w->Child_CDS->State(), TDataSetState::Browse);
        QCOMPARE(Count("SELECT COUNT(*) FROM AR_ACCT WHERE NICKNAME='Acme' AND SYS_TREEVIEW_ID=" +
                       QString::number(NodeData(general).ID)),
                 1);
        const int key = Count("SELECT ID FROM AR_ACCT WHERE NICKNAME='Acme'");
        QCOMPARE(F.Dm().GetTableNextKey("AR_ACCT"), key + 1);  // the key came from the generator
        QCOMPARE(general->text(0), QString("General (1)"));
        QCOMPARE(w->StatusPanel(0)->text(), QString("Record Count: 1"));

        // Saving an existing row writes it without re-reading the set.
        AddCustomers(NodeData(general).ID, {"Sneaked in"});
        w->pnName->Editor()->setFocus();
        QTest::keyClicks(w->pnName->Editor(), "Acme Trading");
        w->Command("Child_Save")->trigger();
        QCOMPARE(F.Dm()
                     .SelectValue("SELECT NAME FROM AR_ACCT WHERE ID=" + QString::number(key))
                     .toString(),
                 QString("Acme Trading"));
        QCOMPARE(w->Child_CDS->RecordCount(), 1);
        QCOMPARE(general->text(0), QString("General (1)"));
    }

    void newRowGetsItsNumber() {
        TScriptedMessages msgs;
        TInvoiceBrowser w;
        w.show();
        w.LoadTree();
        w.Command("Child_New")->trigger();
        QCOMPARE(w.Child_CDS->FieldByName("INVOICENO")->AsString(), QString("INV00001"));
        QCOMPARE(w.Child_CDS->FieldByName("INVOICEDATE")->AsDate(), QDate::currentDate());
        QCOMPARE(w.Child_CDS->FieldByName("SYS_USER_ID")->AsInteger(), 0);
        w.Child_CDS->FieldByName("AR_ACCT_ID")->SetValue(1);
        w.Command("Child_Save")->trigger();
        QCOMPARE(Count("SELECT COUNT(*) FROM AR_TRAN WHERE INVOICENO='INV00001'"), 1);
        QVERIFY(msgs.Shown.isEmpty());
    }

    void insertDefaults() {
        F.Dm().ExecSQL(
            "UPDATE SYS_OBJECT SET DEFAULTVAL='USER' WHERE OBJECT='AR_ACCT' AND FIELD='PRICENO'");
        F.Dm().ExecSQL(
            "UPDATE SYS_OBJECT SET DEFAULTVAL='A' WHERE OBJECT='AR_ACCT' AND FIELD='GRADE'");
        F.Dm().ExecSQL(
            "UPDATE SYS_OBJECT SET DEFAULTVAL='user' WHERE OBJECT='AR_ACCT' AND FIELD='GROUP'");
        F.Dm().ExecSQL(
            "UPDATE SYS_OBJECT SET DEFAULTVAL='NOW' WHERE OBJECT='AR_ACCT' AND FIELD='CREATEDATE'");
        F.Dm().Curr_User_ID = 7;
        auto w = OpenBrowser<TfmCust>();
        w->Command("Child_New")->trigger();
        TClientDataSet* ds = w->Child_CDS;
        QCOMPARE(ds->FieldByName("PRICENO")->AsInteger(), 7);
        QCOMPARE(ds->FieldByName("GRADE")->AsString(), QString("A"));
        QCOMPARE(ds->FieldByName("GROUP")->AsString(), QString("user"));  // not recognised
        QCOMPARE(ds->FieldByName("CREATEDATE")->AsDate(), QDate::currentDate());
        w->Command("Child_Cancel")->trigger();
        QCOMPARE(ds->RecordCount(), 0);
    }

    // Defaults stored before numbers were checked as typed: a number in
    // another notation is taken as that number; one that is no number is
    // left out, said once, and the new row is still made with the others.
    void insertDefaultsStoredEarlier() {
        TScriptedMessages msgs;
        F.Dm().ExecSQL(
            "UPDATE SYS_OBJECT SET DEFAULTVAL='1e1' WHERE OBJECT='AR_ACCT' AND FIELD='DISCTRATE'");
        F.Dm().ExecSQL(
            "UPDATE SYS_OBJECT SET DEFAULTVAL='abc' WHERE OBJECT='AR_ACCT' AND FIELD='PRICENO'");
        F.Dm().ExecSQL(
            "UPDATE SYS_OBJECT SET DEFAULTVAL='A' WHERE OBJECT='AR_ACCT' AND FIELD='GRADE'");
        auto w = OpenBrowser<TfmCust>();
        w->Command("Child_New")->trigger();
        TClientDataSet* ds = w->Child_CDS;
        QCOMPARE(ds->State(), TDataSetState::Insert);
        QCOMPARE(ds->FieldByName("DISCTRATE")->AsFloat(), 10.0);
        QVERIFY(ds->FieldByName("PRICENO")->IsNull());
        QCOMPARE(ds->FieldByName("GRADE")->AsString(), QString("A"));
        const QStringList shown = msgs.Take();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains("abc"), qPrintable(shown.first()));
        w->Command("Child_Cancel")->trigger();
    }

    void requiredFieldAndRefusedWrite() {
        TScriptedMessages msgs;
        F.Dm().SQLConn_Main.ExecuteImmediate(
            "CREATE EXCEPTION E_REFUSED 'Nickname Bad is not allowed'");
        F.Dm().SQLConn_Main.ExecuteImmediate(
            "CREATE TRIGGER AR_ACCT_TEST FOR AR_ACCT BEFORE INSERT OR UPDATE AS BEGIN "
            "IF (NEW.NICKNAME = 'Bad') THEN EXCEPTION E_REFUSED; END");
        auto w = OpenBrowser<TfmCust>();
        QVERIFY(w->pnNickName->Required());
        QCOMPARE(w->pnNickName->Caption(), QString("Short Name"));
        w->Command("Child_New")->trigger();
        w->Command("Child_Save")->trigger();
        QCOMPARE(msgs.Take(), QStringList{"[Short Name] Field cannot be empty"});
        QCOMPARE(w->Child_CDS->State(), TDataSetState::Insert);

        QTest::keyClicks(w->pnNickName->Editor(), "Bad");
        w->Command("Child_Save")->trigger();
        const QStringList shown = msgs.Take();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains("Nickname Bad is not allowed"), qPrintable(shown[0]));
        // What the user typed is still there, ready to be corrected.
        QCOMPARE(w->Child_CDS->State(), TDataSetState::Edit);
        QCOMPARE(w->pnNickName->Text(), QString("Bad"));
        QCOMPARE(Count("SELECT COUNT(*) FROM AR_ACCT"), 0);
        w->pnNickName->Edit()->clear();
        QTest::keyClicks(w->pnNickName->Editor(), "Good");
        w->Command("Child_Save")->trigger();
        QVERIFY(msgs.Shown.isEmpty());
        QCOMPARE(Count("SELECT COUNT(*) FROM AR_ACCT WHERE NICKNAME='Good'"), 1);
        QCOMPARE(w->Child_CDS->RecordCount(), 1);

        // Cancel after a refusal drops the refused change.
        w->pnNickName->Edit()->clear();
        QTest::keyClicks(w->pnNickName->Editor(), "Bad");
        w->Command("Child_Save")->trigger();
        QCOMPARE(msgs.Take().size(), 1);
        w->Command("Child_Cancel")->trigger();
        QCOMPARE(w->Child_CDS->FieldByName("NICKNAME")->AsString(), QString("Good"));
        QCOMPARE(w->Child_CDS->ChangeCount(), 0);

        // A master row is never posted without its key.
        w->Child_CDS->Insert();
        QVERIFY_THROWS_EXCEPTION(EAbort, w->Child_CDS->Post());
        QCOMPARE(msgs.Take(),
                 QStringList{"Record in editing mode, please save or cancel the editing first."});
        w->Child_CDS->Cancel();

        // Delete asks first; No keeps the row.
        msgs.Answers = {false};
        w->Command("Child_Delete")->trigger();
        QCOMPARE(msgs.Take(), QStringList{"Are you sure to delete: "});
        QCOMPARE(Count("SELECT COUNT(*) FROM AR_ACCT"), 1);
        msgs.Answers = {true};
        w->Command("Child_Delete")->trigger();
        QCOMPARE(Count("SELECT COUNT(*) FROM AR_ACCT"), 0);
        QCOMPARE(NodeData(w->Tree()->currentItem()).RecCountTotal, 0);
    }

    void folderRefusals() {
        TScriptedMessages msgs;
        auto w = OpenBrowser<TfmCust>();
        QTreeWidget* tv = w->Tree();
        // System folder: cannot be renamed or deleted.
        tv->setCurrentItem(FolderNamed(tv, "General"));
        w->Command("N13")->trigger();
        w->Command("N15")->trigger();
        QCOMPARE(msgs.Take(), (QStringList{"Selected folder is system folder, cannot modify.",
                                           "Selected folder is system folder, cannot delete."}));
        // An empty name.
        msgs.Answers = {true};
        w->Command("N12")->trigger();
        QCOMPARE(msgs.Take(), (QStringList{"Folder Name: Folder Name", "Invalid Folder Name"}));
        // A sub folder under "Retail", then Retail cannot go.
        tv->setCurrentItem(FolderNamed(tv, "Retail"));
        msgs.Answers = {true};
        msgs.InputValues = {"Shops"};
        w->Command("N12")->trigger();
        QTreeWidgetItem* shops = FolderNamed(tv, "Shops");
        QVERIFY(shops);
        QCOMPARE(tv->currentItem(), shops);
        QCOMPARE(Count("SELECT COUNT(*) FROM SYS_TREEVIEW WHERE CAPTION='Shops' AND PARENTID=" +
                       QString::number(NodeData(FolderNamed(tv, "Retail")).ID)),
                 1);
        tv->setCurrentItem(FolderNamed(tv, "Retail"));
        msgs.Take();
        w->Command("N15")->trigger();
        QCOMPARE(msgs.Take(), QStringList{"Selected folder has sub folder(s), cannot delete."});
        // A folder another user filed a record in since it was counted.
        tv->setCurrentItem(shops);
        AddCustomers(NodeData(shops).ID, {"Late"});
        QCOMPARE(NodeData(shops).RecCountTotal, 0);
        w->Command("N15")->trigger();
        QCOMPARE(msgs.Take(), QStringList{"Selected folder is not empty, cannot delete."});
        QCOMPARE(shops->text(0), QString("Shops (1)"));
        // Rename keeps the count suffix.
        msgs.Answers = {true};
        msgs.InputValues = {"Stores"};
        w->Command("N13")->trigger();
        QCOMPARE(shops->text(0), QString("Stores (1)"));
        QCOMPARE(F.Dm()
                     .SelectValue("SELECT CAPTION FROM SYS_TREEVIEW WHERE ID=" +
                                  QString::number(NodeData(shops).ID))
                     .toString(),
                 QString("Stores"));
        // Emptied, it can be deleted after the confirmation.
        msgs.Take();
        F.Dm().ExecSQL("DELETE FROM AR_ACCT");
        const int id = NodeData(shops).ID;
        msgs.Answers = {false};
        w->Command("N15")->trigger();
        QCOMPARE(msgs.Take(), QStringList{"Are you sure to delete: Stores?"});
        QCOMPARE(Count("SELECT COUNT(*) FROM SYS_TREEVIEW WHERE ID=" + QString::number(id)), 1);
        msgs.Answers = {true};
        w->Command("N15")->trigger();
        QCOMPARE(Count("SELECT COUNT(*) FROM SYS_TREEVIEW WHERE ID=" + QString::number(id)), 0);
        QVERIFY(!FolderNamed(tv, "Stores"));
        // Moving with no rows, or none marked.
        tv->setCurrentItem(FolderNamed(tv, "Wholesale"));
        msgs.Take();
        w->Command("N17")->trigger();
        AddCustomers(NodeData(FolderNamed(tv, "Wholesale")).ID, {"One"});
        w->Command("MenuItem_TVRefresh")->trigger();
        w->Command("N17")->trigger();
        QCOMPARE(msgs.Take(), (QStringList{"No record", "No record selected"}));
    }

    // Three marked rows move in one write; a refused row moves none.
    void moveMarkedRows() {
        TScriptedMessages msgs;
        auto w = OpenBrowser<TfmCust>();
        QTreeWidget* tv = w->Tree();
        const int general = NodeData(FolderNamed(tv, "General")).ID;
        const int retail = NodeData(FolderNamed(tv, "Retail")).ID;
        AddCustomers(general, {"A", "B", "C", "D"});
        w->Command("MenuItem_TVRefresh")->trigger();
        QCOMPARE(w->Child_CDS->RecordCount(), 4);
        for (int row : {3, 0, 2}) w->Grid()->SelectedRows().Toggle(w->Child_CDS->KeyOfRow(row));
        QCOMPARE(w->GetSelectedIdList().split(',').size(), 3);
        auto pickRetail = []() {
            OnNextModal([](QWidget* dlg) {
                auto* picker = qobject_cast<TfmDialogGetTreeNode*>(dlg);
                QVERIFY(picker);
                picker->tvDialog->setCurrentItem(FolderNamed(picker->tvDialog, "Retail"));
                picker->BitBtn1->click();
            });
        };
        F.Dm().SQLConn_Main.ExecuteImmediate("CREATE EXCEPTION E_NOMOVE 'C cannot move'");
        F.Dm().SQLConn_Main.ExecuteImmediate(
            "CREATE TRIGGER AR_ACCT_NOMOVE FOR AR_ACCT BEFORE UPDATE AS BEGIN "
            "IF (NEW.NICKNAME = 'C' AND NEW.SYS_TREEVIEW_ID <> OLD.SYS_TREEVIEW_ID) THEN "
            "EXCEPTION E_NOMOVE; END");
        pickRetail();
        w->Command("N17")->trigger();
        QCOMPARE(msgs.Take().size(), 1);
        QCOMPARE(
            Count(QString("SELECT COUNT(*) FROM AR_ACCT WHERE SYS_TREEVIEW_ID=%1").arg(retail)), 0);
        QCOMPARE(w->Child_CDS->RecordCount(), 4);
        F.Dm().SQLConn_Main.ExecuteImmediate("DROP TRIGGER AR_ACCT_NOMOVE");
        pickRetail();
        w->Command("N17")->trigger();
        QVERIFY(msgs.Shown.isEmpty());
        QCOMPARE(
            Count(QString("SELECT COUNT(*) FROM AR_ACCT WHERE SYS_TREEVIEW_ID=%1").arg(retail)), 3);
        QCOMPARE(FolderNamed(tv, "General")->text(0), QString("General (1)"));
        QCOMPARE(FolderNamed(tv, "Retail")->text(0), QString("Retail (3)"));
        QCOMPARE(NodeData(tv->currentItem()).Caption, QString("Retail"));
        QCOMPARE(w->Child_CDS->RecordCount(), 3);
    }

    void rightClickMovesTheMarkedRows_data() {
        QTest::addColumn<int>("mods");
        QTest::addColumn<bool>("marked");
        QTest::addColumn<int>("clicked");
        QTest::newRow("right-click") << int(Qt::NoModifier) << true << 2;
        QTest::newRow("Ctrl+right-click") << int(Qt::ControlModifier) << true << 2;
        QTest::newRow("on a row not marked") << int(Qt::NoModifier) << true << 1;
        QTest::newRow("none marked") << int(Qt::NoModifier) << false << 2;
    }

    // Two rows Ctrl-clicked, the menu opened by a right-click on one of
    // them: "Move to Folder" moves both. With none marked, it moves the row
    // right-clicked.
    void rightClickMovesTheMarkedRows() {
        QFETCH(int, mods);
        QFETCH(bool, marked);
        QFETCH(int, clicked);
        TScriptedMessages msgs;
        auto w = OpenBrowser<TfmCust>();
        QTreeWidget* tv = w->Tree();
        const int general = NodeData(FolderNamed(tv, "General")).ID;
        const int retail = NodeData(FolderNamed(tv, "Retail")).ID;
        AddCustomers(general, {"A", "B", "C"});
        w->Command("MenuItem_TVRefresh")->trigger();
        TClientDataSet* cds = w->Child_CDS;
        const qint64 first = cds->KeyOfRow(0).toLongLong(), last = cds->KeyOfRow(2).toLongLong();
        if (marked) {
            CtrlClickRow(w->Grid(), cds, first);
            CtrlClickRow(w->Grid(), cds, last);
        }
        OnNextModal([](QWidget* dlg) {
            auto* picker = qobject_cast<TfmDialogGetTreeNode*>(dlg);
            QVERIFY(picker);
            picker->tvDialog->setCurrentItem(FolderNamed(picker->tvDialog, "Retail"));
            picker->BitBtn1->click();
        });
        if (clicked == 1) {
            // The row right-clicked is current, for the commands of one row;
            // the marks stay.
            const qint64 middle = cds->KeyOfRow(1).toLongLong();
            TDbGrid* g = w->Grid();
            QTest::mouseClick(g->viewport(), Qt::RightButton, {},
                              g->visualRect(g->model()->index(1, 1)).center());
            QCOMPARE(cds->FieldByName("ID")->Value().toLongLong(), middle);
            QCOMPARE(g->SelectedRows().Count(), 2);
        }
        ChooseInGridMenu(w->Grid(), w->Part<QMenu>("PopupDbGrid"), {"Move to Folder"}, clicked,
                         Qt::KeyboardModifiers(mods));
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(F.Value(QString("SELECT LIST(ID) FROM (SELECT ID FROM AR_ACCT WHERE "
                                 "SYS_TREEVIEW_ID=%1 ORDER BY ID)")
                             .arg(retail)),
                 marked ? QString("%1,%2").arg(std::min(first, last)).arg(std::max(first, last))
                        : QString::number(last));
    }

    void pickerNeedsAFolder() {
        TScriptedMessages msgs;
        auto w = OpenBrowser<TfmCust>();
        TfmDialogGetTreeNode picker(w->Tree());
        QCOMPARE(NodeData(picker.tvDialog->currentItem()).Caption, QString("General"));
        picker.tvDialog->setCurrentItem(nullptr);
        picker.BitBtn1->click();
        QCOMPARE(msgs.Take(), QStringList{"Please select destination folder"});
        QVERIFY(!picker.btnOkClicked);
    }

    void countsWithACountColumn() {
        auto w = OpenBrowser<TfmCust>();
        const int general = NodeData(FolderNamed(w->Tree(), "General")).ID;
        AddCustomers(general, {"A", "B", "C"});
        F.Dm().ExecSQL("UPDATE AR_ACCT SET PRICENO=1 WHERE NICKNAME='A'");
        w->Config.TVCountField = "PRICENO";
        w->LoadTree();
        QCOMPARE(FolderNamed(w->Tree(), "General")->text(0), QString("General (2/3)"));
        w->Config.TVShowCount = false;
        w->LoadTree();
        QCOMPARE(FolderNamed(w->Tree(), "General")->text(0), QString("General"));
    }

    void lookupDisplayTexts() {
        F.Dm().ExecSQL("INSERT INTO SYS_TAX (ID, NAME, RATE) VALUES (11, 'GST', 10)");
        F.Dm().ExecSQL("INSERT INTO SYS_TAX (ID, NAME, RATE) VALUES (12, NULL, 0)");
        F.Dm().ExecSQL(
            "UPDATE SYS_OBJECT SET VISIBLE=0 WHERE OBJECT='AR_ACCT' AND FIELD='SYS_TAX_ID'");
        AddCustomers(2, {"A", "B"});
        F.Dm().ExecSQL("UPDATE AR_ACCT SET SYS_TAX_ID=11 WHERE NICKNAME='A'");
        F.Dm().ExecSQL("UPDATE AR_ACCT SET SYS_TAX_ID=12 WHERE NICKNAME='B'");
        {
            auto w = OpenBrowser<TfmCust>();
            TClientDataSet* ds = w->Child_CDS;
            // Listed although VISIBLE is 0; its key column is hidden.
            QVERIFY(ds->FieldByName("SYS_TAX_ID_LOOKUP")->Visible);
            QVERIFY(!ds->FieldByName("SYS_TAX_ID")->Visible);
            QVERIFY(w->Grid()->LogicalOfField("SYS_TAX_ID_LOOKUP") >= 0);
            QVERIFY(ds->Locate("NICKNAME", "A"));
            QCOMPARE(ds->FieldByName("SYS_TAX_ID_LOOKUP")->DisplayText(), QString("GST"));
            QCOMPARE(w->FLookupFieldsArray.size(), size_t(1));
            QCOMPARE(w->GetLookupFieldIndexByLookupFieldName("AR_ACCT", "SYS_TAX_ID_LOOKUP"), 0);
        }
        // Two result columns, in a program whose lookup sets are fresh.
        F.Restart();
        F.Dm().ExecSQL(
            "UPDATE SYS_OBJECT SET RESULTFIELD='NAME, ID' WHERE OBJECT='AR_ACCT' AND "
            "FIELD='SYS_TAX_ID'");
        auto w = OpenBrowser<TfmCust>();
        TClientDataSet* ds = w->Child_CDS;
        QVERIFY(ds->Locate("NICKNAME", "A"));
        QCOMPARE(ds->FieldByName("SYS_TAX_ID_LOOKUP")->DisplayText(), QString("GST 11 "));
        QVERIFY(ds->Locate("NICKNAME", "B"));
        QCOMPARE(ds->FieldByName("SYS_TAX_ID_LOOKUP")->DisplayText(), QString(" 12 "));
        // A lookup column sorts by the text it shows (" 12 " before "GST 11 "),
        // not by its key.
        w->DBGrid1TitleClick(w->Grid()->LogicalOfField("SYS_TAX_ID_LOOKUP"));
        QCOMPARE(ds->IndexName(), QString("A_SYS_TAX_ID_LOOKUP"));
        QCOMPARE(ds->ValueAt(0, ds->FieldByName("NICKNAME")).toString(), QString("B"));
    }

    void sortArrows() {
        auto w = OpenBrowser<TfmCust>();
        AddCustomers(2, {"b", "C", "a"});
        w->Command("MenuItem_TVRefresh")->trigger();
        TDbGrid* g = w->Grid();
        const int nick = g->LogicalOfField("NICKNAME");
        const int name = g->LogicalOfField("NAME");
        // Opened sorted by the ORDERBY column.
        QCOMPARE(w->Config.OrderByField, QString("NICKNAME"));
        QCOMPARE(g->Title(nick), QString::fromUtf8("Short Name \u25B2"));
        auto first = [&]() {
            return w->Child_CDS->ValueAt(0, w->Child_CDS->FieldByName("NICKNAME")).toString();
        };
        QCOMPARE(first(), QString("a"));
        w->DBGrid1TitleClick(nick);
        QCOMPARE(g->Title(nick), QString::fromUtf8("Short Name \u25BC"));
        QCOMPARE(w->Child_CDS->IndexName(), QString("D_NICKNAME"));
        QCOMPARE(first(), QString("C"));
        w->DBGrid1TitleClick(name);
        QCOMPARE(g->Title(nick), QString("Short Name"));
        QCOMPARE(g->Title(name), QString::fromUtf8("Name \u25B2"));
        QCOMPARE(w->Config.OrderByField, QString("NAME"));
        // Re-opened, the last sort column is sorted again in its direction.
        w->Command("MenuItem_TVRefresh")->trigger();
        QCOMPARE(w->Child_CDS->IndexName(), QString("A_NAME"));
    }

    void fittingArithmetic_data() {
        QTest::addColumn<QList<int>>("widths");
        QTest::addColumn<int>("client");
        QTest::addColumn<QList<int>>("fitted");
        // The 600-pixel example: w = 400 + 4 + 11 = 415, d = 185.
        QTest::newRow("room to spare")
            << QList<int>{100, 100, 100, 100} << 600 << QList<int>{146, 146, 146, 147};
        QTest::newRow("exact") << QList<int>{100, 100, 100, 100} << 415
                               << QList<int>{100, 100, 100, 100};
        // Too wide by 110: shares of 28, the first column can give only 10,
        // the other three give the rest in a second pass (shares of 6).
        QTest::newRow("too wide") << QList<int>{60, 150, 150, 150} << 415
                                  << QList<int>{50, 116, 116, 116};
        QTest::newRow("even") << QList<int>{200, 200} << 313 << QList<int>{150, 150};
        QTest::newRow("all narrow") << QList<int>{50, 50} << 10 << QList<int>{50, 50};
    }

    void fittingArithmetic() {
        QFETCH(QList<int>, widths);
        QFETCH(int, client);
        QFETCH(QList<int>, fitted);
        std::vector<int> w(widths.begin(), widths.end());
        FitColumnWidths(w, client, true, true);
        QCOMPARE(QList<int>(w.begin(), w.end()), fitted);
    }

    // A user whose name cannot be part of a file name as it stands: the
    // layout is saved and found again under a name with the character mapped.
    void gridSettingsOfAnyUserName() {
        TScriptedMessages msgs;
        F.Dm().Curr_User_Name = "Sales/North: East";
        auto w = OpenBrowser<TfmCust>();
        QTreeWidget* tree = w->Tree();
        for (QTreeWidgetItem* it = RootOf(tree); it; it = NextInTree(it)) {
            tree->scrollToItem(it);
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                              tree->visualItemRect(it).center());
        }
        QCOMPARE(msgs.Take(), QStringList());
        const QString file =
            F.Folder().Path() + "UserData/DbGrids/Sales%2FNorth%3A East_fmCust_Child_CDS_DBGrid1";
        QCOMPARE(GridSettingsFileName(w->Grid(), "fmCust"), file);
        QVERIFY(QFile::exists(file));
        QListWidgetItem* item =
            w->Part<QListWidget>("CheckListGridOption")->findItems("Phone", Qt::MatchExactly)[0];
        item->setCheckState(Qt::Unchecked);
        auto w2 = OpenBrowser<TfmCust>();
        QVERIFY(
            w2->Grid()->horizontalHeader()->isSectionHidden(w2->Grid()->LogicalOfField("PHONENO")));
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(SafeFileName("Administrator_fmCust_Child_CDS_DBGrid1"),
                 QString("Administrator_fmCust_Child_CDS_DBGrid1"));
    }

    void gridSettingsFile() {
        QDir(F.Folder().Path() + "UserData/DbGrids").removeRecursively();  // made again on save
        auto w = OpenBrowser<TfmCust>();
        TDbGrid* g = w->Grid();
        const QString file = GridSettingsFileName(g, "fmCust");
        QCOMPARE(file,
                 F.Folder().Path() + "UserData/DbGrids/Administrator_fmCust_Child_CDS_DBGrid1");
        QVERIFY(QFile::exists(file));
        // The default layout fills the grid's width.
        int total = 0;
        for (int i = 0; i < g->ColumnCount(); ++i) total += g->horizontalHeader()->sectionSize(i);
        QCOMPARE(total, g->viewport()->width());
        // A column hidden and moved by the user comes back that way.
        const int name = g->LogicalOfField("NAME");
        g->horizontalHeader()->setSectionHidden(name, true);
        g->horizontalHeader()->moveSection(
            g->horizontalHeader()->visualIndex(g->LogicalOfField("EMAIL")), 0);
        SaveGridSettings(g, "fmCust");
        w->Command("MenuItem_TVRefresh")->trigger();
        QVERIFY(g->horizontalHeader()->isSectionHidden(name));
        QCOMPARE(g->DisplayOrder().front(), g->LogicalOfField("EMAIL"));
        QCOMPARE(w->Part<QListWidget>("CheckListGridOption")->item(0)->text(), QString("Email"));
        QCOMPARE(w->Part<QListWidget>("CheckListGridOption")
                     ->findItems("Name", Qt::MatchExactly)[0]
                     ->checkState(),
                 Qt::Unchecked);
        // Showing a column in the field metadata makes the file invalid: rebuilt.
        F.Dm().ExecSQL(
            "UPDATE SYS_OBJECT SET VISIBLE=1 WHERE OBJECT='AR_ACCT' AND FIELD='ZIPCODE'");
        auto w2 = std::make_unique<TfmCust>();
        w2->setObjectName("fmCust");
        w2->resize(1000, 700);
        w2->show();
        w2->LoadTree();
        QVERIFY(
            !w2->Grid()->horizontalHeader()->isSectionHidden(w2->Grid()->LogicalOfField("NAME")));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("ZIPCODE\t"));
        // The chooser hides a column and saves.
        QListWidgetItem* item =
            w2->Part<QListWidget>("CheckListGridOption")->findItems("Phone", Qt::MatchExactly)[0];
        item->setCheckState(Qt::Unchecked);
        QVERIFY(
            w2->Grid()->horizontalHeader()->isSectionHidden(w2->Grid()->LogicalOfField("PHONENO")));
        f.close();
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("PHONENO\tPhone\t"));
    }

    void selectAllAndIdList() {
        auto w = OpenBrowser<TfmCust>();
        AddCustomers(2, {"A", "B"});
        w->Command("MenuItem_TVRefresh")->trigger();
        QCOMPARE(w->GetSelectedIdList(), QString());
        w->MenuItem_SelectAllClick();
        QCOMPARE(w->GetSelectedIdList().split(',').size(), 2);
    }

    void layoutModes() {
        TfmChild w;
        w.show();
        w.SetChildMode(6);
        QVERIFY(!w.Grid()->isVisible());
        QVERIFY(!w.Part<QToolButton>("btnLeftTree")->isVisible() &&
                !w.Part<QToolButton>("btnLeftFind")->isVisible() &&
                !w.Part<QToolButton>("btnGridOption")->isVisible() &&
                !w.Part<QToolButton>("btnAutoAdj")->isVisible());
        TfmChild v;
        v.show();
        v.SetChildMode(5);
        QVERIFY(!v.Part<QWidget>("PanelLeft")->isVisible());
        QVERIFY(v.Grid()->isVisible() && v.Part<QWidget>("PanelRightBottom")->isVisible());
        TfmChild u;
        u.show();
        u.SetChildMode(1);
        QVERIFY(!u.Part<QWidget>("PanelLeft")->isVisible() &&
                !u.Part<QWidget>("PanelRightBottom")->isVisible());
    }
};

QTEST_MAIN(TstBrowser)
#include "tst_browser.moc"
