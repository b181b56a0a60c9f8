// User-defined fields as the administrator makes them: the grid's "Design
// Fields", the fields designer and its wizard, the new column in the
// customers window, and the database after each step.

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include "PrintTestSupport.h"
#include "TClientDataSet.h"
#include "TDbGridModel.h"
#include "TestSupport.h"
#include "uCust.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uDoTemplate.h"
#include "uDoTemplateField.h"
#include "uMain.h"
#include "uPnBase.h"
#include "uPnFkey.h"
#include "uSizeHandles.h"
#include "uSupplier.h"
#include "uUdf.h"
#include "uWizardUdf.h"

namespace {

// A field as the wizard is told it.
struct TNewField {
    QString Name, Caption;
    int Type = 0;
    // Sets the type's attributes on page 3 (the wizard's defaults when empty).
    std::function<void(TfmWizardUdf*)> Attributes;
    bool NeedPrint = true;
};

// Near the left edge: a check box or radio button takes a click only on its
// mark and text, and a wide one has room beyond them.
void Click(QAbstractButton* b) {
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
}

}  // namespace

class TstUdf : public QObject {
    Q_OBJECT

private:
    TProgramFixture FProgram;
    TfmMain* FMain = nullptr;
    TdmMain* FDm = nullptr;

    QString Value(const QString& sql) { return FDm->SelectValue(sql).toString(); }
    int Count(const QString& sql) { return FDm->SelectValue(sql).toInt(); }

    // The columns of table, as the engine lists them.
    QStringList Columns(const QString& table) {
        QStringList out;
        FDm->ForEachRow(
            "SELECT TRIM(RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS WHERE "
            "RDB$RELATION_NAME='" +
                table + "' ORDER BY RDB$FIELD_POSITION",
            [&out](const TFbQuery& q) { out << q.AsString(0); });
        return out;
    }

    // Everything a field leaves behind: columns, metadata, value lists and
    // template elements.
    QString Footprint() {
        return Columns("AR_ACCT").join(',') + " | " + Value("SELECT COUNT(*) FROM SYS_OBJECT") +
               " | " + Value("SELECT COUNT(*) FROM SYS_DICT") + " | " +
               Value("SELECT COUNT(*) FROM SYS_DICTVAL") + " | " +
               Value("SELECT COUNT(*) FROM SO_DOTEMPLATEFIELD");
    }

    // The template window, with template name chosen in its tree by mouse;
    // null when there is no such template.
    TfmDoTemplate* TemplateWindowOn(const QString& name) {
        FMain->Command("Template_Do")->trigger();
        TfmDoTemplate* t = FMain->fmDoTemplate;
        QTreeWidgetItem* node = FolderNamed(t->Tree(), name);
        if (!node) return nullptr;
        QTest::mouseClick(t->Tree()->viewport(), Qt::LeftButton, {},
                          t->Tree()->visualItemRect(node).center());
        return t;
    }

    TfmCust* Customers() {
        FDm->ExecSQL(
            "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, SYS_TREEVIEW_ID) VALUES "
            "(1, 'Acme', 'Acme Trading', 2)");
        FDm->ExecSQL(
            "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, SYS_TREEVIEW_ID) VALUES "
            "(2, 'Birch', 'Birch Ltd', 2)");
        FDm->ExecSQL("ALTER SEQUENCE AR_ACCT_ID_GEN RESTART WITH 10");
        FMain->Command("CustRelation_Cust")->trigger();
        return FMain->fmCust;
    }

    // Opens the designer with the grid's "Design Fields" and runs fn in it;
    // fn closes it.
    void Design(TfmCust* w, const std::function<void(TfmUdf*)>& fn) {
        bool ran = false;
        OnNextModal([&](QWidget* dlg) {
            auto* fm = qobject_cast<TfmUdf*>(dlg);
            QVERIFY(fm);
            fn(fm);
            ran = true;
        });
        ChooseInGridMenu(w->Grid(), w->Part<QMenu>("PopupDbGrid"), {"Design Fields"});
        QVERIFY(ran);
    }

    // Ticks sheet tsNo of the designer and names it.
    void TickSheet(TfmUdf* fm, int tsNo, const QString& name) {
        if (!fm->cbSheet[tsNo - 1]->isChecked()) Click(fm->cbSheet[tsNo - 1]);
        Retype(fm->edSheet[tsNo - 1], name);
    }

    // Walks the wizard from "New" to "Finish"; the messages it showed on the way.
    QStringList AddField(TfmUdf* fm, const TNewField& f, TScriptedMessages& msgs) {
        QStringList shown;
        OnNextModal([&](QWidget* dlg) {
            auto* wz = qobject_cast<TfmWizardUdf*>(dlg);
            QVERIFY(wz);
            auto next = [&]() {
                Click(wz->btnNext);
                shown << msgs.Take();
            };
            Retype(wz->edFieldName, f.Name);
            Retype(wz->edCaption, f.Caption);
            next();
            Click(wz->rbTypes[f.Type]);
            next();
            if (f.Attributes) f.Attributes(wz);
            next();
            if (wz->cbNeedPrint->isChecked() != f.NeedPrint) Click(wz->cbNeedPrint);
            next();
            if (wz->pgMain->currentIndex() == 4) {
                Click(wz->btnNext);  // Finish
            } else {
                Click(wz->btnCancel);
            }
        });
        Click(fm->btnNew);
        return shown;
    }

    template <typename T = QWidget>
    T* Control(QWidget* area, const QString& name) {
        return area->findChild<T*>(name);
    }

private slots:
    void init() {
        QVERIFY(FProgram.Start());
        FMain = FProgram.Main();
        FDm = FProgram.Dm();
    }

    void cleanup() { FProgram.Stop(); }

    // A text field made through the wizard: the column, its sheet and
    // control, the grid column and the search lists; a value typed into it
    // is saved and shown again after the rows are read anew.
    void textFieldThroughTheWizard() {
        TScriptedMessages msgs;
        TfmCust* w = Customers();
        Design(w, [&](TfmUdf* fm) {
            TickSheet(fm, 1, "Delivery");
            QCOMPARE(fm->pgCtrl->tabText(0), QString("Delivery"));
            QCOMPARE(AddField(fm, {"ROUTE", "Route", 0, {}}, msgs), QStringList());
            QVERIFY(fm->getGb(1)->findChild<TPnBase*>("pnROUTE"));
            Click(fm->btnClose);
        });
        QVERIFY(Columns("AR_ACCT").contains("ROUTE"));
        QCOMPARE(Value("SELECT TITLE FROM SYS_OBJECT WHERE OBJECT='AR_ACCT' AND FIELD='ROUTE'"),
                 QString("Route"));
        QCOMPARE(Value("SELECT UDF1NAME FROM SYS_TABLENO WHERE TABLENAME='AR_ACCT'"),
                 QString("Delivery"));
        const int sheet = w->Pages()->indexOf(w->UdfSheet(1));
        QVERIFY(w->Pages()->isTabVisible(sheet));
        QCOMPARE(w->Pages()->tabText(sheet), QString("Delivery"));
        auto* pn = w->UdfArea(1)->findChild<TPnBase*>("pnROUTE");
        QVERIFY(pn);
        QCOMPARE(pn->Caption(), QString("Route"));
        TDbGridModel* m = w->Grid()->GridModel();
        const int col = m->ColumnOfField(w->Child_CDS->FieldByName("ROUTE"));
        QVERIFY(col >= 0);
        // Every column keeps its own title after the fields were made anew.
        for (int c = 0; c < m->columnCount(); ++c) {
            // (A sorted column carries its arrow after the title.)
            const QString title = m->headerData(c, Qt::Horizontal).toString();
            QVERIFY2(title.startsWith(m->FieldOfColumn(c)->Caption()), qPrintable(title));
        }
        QCOMPARE(m->headerData(col, Qt::Horizontal).toString(), QString("Route"));
        QVERIFY(w->Part<QComboBox>("cbCon1")->findText("Route") >= 0);

        w->Pages()->setCurrentIndex(sheet);
        QVERIFY(w->Part<QWidget>("pnUdf1")->isVisible());
        Retype(pn->Editor(), "North");
        w->Command("Child_Save")->trigger();
        QCOMPARE(msgs.Take(), QStringList());
        const QString id = w->Child_CDS->FieldByName("ID")->AsString();
        QCOMPARE(Value("SELECT ROUTE FROM AR_ACCT WHERE ID=" + id), QString("North"));
        w->MenuItem_TVRefreshClick();
        QVERIFY(w->Child_CDS->Locate("ID", id.toInt()));
        QCOMPARE(pn->Text(), QString("North"));
    }

    // Each data type through the wizard: the column type the table gets, the
    // control on the sheet, and a value stored through it where one is typed.
    void eachDataType_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("column");  // type/length/scale, or the domain
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("memo") << 1 << "37/300/0"
                              << "TPnDbMemo"
                              << "two words"
                              << "two words";
        QTest::newRow("numeric") << 2 << "16/0/-2"
                                 << "TPnDbEdit"
                                 << "1234.5"
                                 << "1234.50";
        QTest::newRow("date") << 3 << "12/0/0"
                              << "TPnDbDate"
                              << ""
                              << "";
        QTest::newRow("check box") << 4 << "23/0/0"
                                   << "TDbCheckBox"
                                   << ""
                                   << "TRUE";
        QTest::newRow("drop-down") << 5 << "37/30/0"
                                   << "TPnDictBox"
                                   << ""
                                   << "";
        QTest::newRow("lookup") << 6 << "ID"
                                << "TPnFkey"
                                << ""
                                << "";
        QTest::newRow("image") << 7 << "37/200/0"
                               << "TPnDbImage"
                               << ""
                               << "";
    }
    void eachDataType() {
        QFETCH(int, type);
        QFETCH(QString, column);
        QFETCH(QString, control);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        TScriptedMessages msgs;
        // A text field of the products, made earlier, for the lookup to show.
        FDm->ExecSQL("ALTER TABLE IC_ITEM ADD ORIGIN VARCHAR(30)");
        FDm->ExecSQL(
            "INSERT INTO SYS_OBJECT (ID, OBJECT, FIELD, TITLE, UDF, UDFTYPE) VALUES "
            "(GEN_ID(SYS_OBJECT_ID_GEN, 1), 'IC_ITEM', 'ORIGIN', 'Origin', 1, 0)");
        TfmCust* w = Customers();
        Design(w, [&](TfmUdf* fm) {
            TickSheet(fm, 2, "More");
            TNewField f{"EXTRA", "Extra", type, {}};
            if (type == 6)
                f.Attributes = [](TfmWizardUdf* wz) {
                    wz->cbTable->setCurrentText("IC_ITEM");
                    QCOMPARE(wz->cbLookupField->currentText(), QString("ORIGIN"));
                };
            QCOMPARE(AddField(fm, f, msgs), QStringList());
            Click(fm->btnClose);
        });
        QCOMPARE(Value("SELECT CASE WHEN RF.RDB$FIELD_SOURCE STARTING WITH 'RDB$' THEN "
                       "F.RDB$FIELD_TYPE || '/' || COALESCE(F.RDB$CHARACTER_LENGTH, 0) || '/' "
                       "|| F.RDB$FIELD_SCALE ELSE TRIM(RF.RDB$FIELD_SOURCE) END FROM "
                       "RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = "
                       "RF.RDB$FIELD_SOURCE WHERE RF.RDB$RELATION_NAME='AR_ACCT' AND "
                       "RF.RDB$FIELD_NAME='EXTRA'"),
                 column);
        QWidget* c = w->UdfArea(2)->findChild<QWidget*>(type == 4 ? "cbEXTRA" : "pnEXTRA");
        QVERIFY(c);
        QCOMPARE(QString(c->metaObject()->className()), control);
        if (type == 5)
            QCOMPARE(Value("SELECT NAME FROM SYS_DICT WHERE TABLENAME='AR_ACCT' AND "
                           "FIELD='EXTRA'"),
                     QString("Customers - Extra"));
        if (type == 6)
            QCOMPARE(static_cast<TPnFkey*>(c)->LookupSQL, QString("SELECT ID,ORIGIN FROM IC_ITEM"));
        if (stored.isEmpty()) return;
        w->Pages()->setCurrentWidget(w->UdfSheet(2));
        if (type == 4)
            Click(static_cast<QCheckBox*>(c));
        else
            Retype(static_cast<TPnBase*>(c)->Editor(), typed);
        w->Command("Child_Save")->trigger();
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(Value("SELECT CAST(EXTRA AS VARCHAR(300)) FROM AR_ACCT WHERE ID=" +
                       w->Child_CDS->FieldByName("ID")->AsString()),
                 stored);
    }

    // Page 1 takes only names of "A"-"Z", "0"-"9" and "_" that the table's
    // fields do not have yet, and a caption.
    void fieldNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("message");  // empty: on to page 2
        const QString chars =
            "Field name contains invaid characters, please only use upper case \"A\"~\"Z\" or "
            "\"0\"~\"9\" or \"_\"";
        auto refused = [](const QString& name, const QString& rule) {
            return "Invalid field name: " + name + ", error: " + rule +
                   ", please enter a valid field name and try again.";
        };
        const QString unquoted =
            "Field name must start with a letter \"A\"~\"Z\" and cannot be a reserved word of "
            "the database";
        QTest::newRow("ORDER_NO") << "ORDER_NO"
                                  << "Order"
                                  << "";
        QTest::newRow("leading digit") << "1ST"
                                       << "First" << refused("1ST", unquoted);
        QTest::newRow("leading underscore") << "_X"
                                            << "X" << refused("_X", unquoted);
        QTest::newRow("reserved word") << "ORDER"
                                       << "Order" << refused("ORDER", unquoted);
        QTest::newRow("empty") << ""
                               << "C" << refused("", "Field name cannot be empty");
        QTest::newRow("blanks") << "   "
                                << "C" << refused("   ", "Field name cannot be empty");
        QTest::newRow("space") << "ORDER NO"
                               << "C" << refused("ORDER NO", "Field name cannot contain any space");
        QTest::newRow("lower case") << "Route"
                                    << "C" << refused("Route", chars);
        QTest::newRow("hyphen") << "A-B"
                                << "C" << refused("A-B", chars);
        QTest::newRow("quote") << "A'B"
                               << "C" << refused("A'B", chars);
        QTest::newRow("double quote") << "A\"B"
                                      << "C" << refused("A\"B", chars);
        QTest::newRow("semicolon") << "A;DROP"
                                   << "C" << refused("A;DROP", chars);
        QTest::newRow("taken") << "NAME"
                               << "C" << refused("NAME", "Field name already exists");
        QTest::newRow("no caption") << "ROUTE"
                                    << " "
                                    << "Caption cannot be empty";
    }
    void fieldNames() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, message);
        TScriptedMessages msgs;
        TfmCust* w = Customers();
        Design(w, [&](TfmUdf* fm) {
            TickSheet(fm, 1, "");
            OnNextModal([&](QWidget* dlg) {
                auto* wz = qobject_cast<TfmWizardUdf*>(dlg);
                Retype(wz->edFieldName, name);
                Retype(wz->edCaption, caption);
                Click(wz->btnNext);
                QCOMPARE(msgs.Take(), message.isEmpty() ? QStringList() : QStringList{message});
                QCOMPARE(wz->pgMain->currentIndex(), message.isEmpty() ? 1 : 0);
                Click(wz->btnCancel);
            });
            Click(fm->btnNew);
            Click(fm->btnClose);
        });
        QCOMPARE(Count("SELECT COUNT(*) FROM SYS_OBJECT WHERE UDF=1"), 0);
    }

    // The numeric page's checks, each with its message; the field is made
    // only when all pass.
    void numericAttributes_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("defaultValue");
        QTest::addColumn<QStringList>("messages");
        const QString decimals = "Field decimal points cannot be greater than field size";
        QTest::newRow("10,9") << 10 << 9 << "0" << QStringList();
        QTest::newRow("10,10") << 10 << 10 << "0" << QStringList{decimals};
        QTest::newRow("size 0, bad default")
            << 0 << 0 << "ten"
            << QStringList{"Field size cannot be smaller than 0", decimals,
                           "Default value is not a valid numeric value"};
    }
    void numericAttributes() {
        QFETCH(int, size);
        QFETCH(int, decimals);
        QFETCH(QString, defaultValue);
        QFETCH(QStringList, messages);
        TScriptedMessages msgs;
        TfmCust* w = Customers();
        QStringList shown;
        Design(w, [&](TfmUdf* fm) {
            TickSheet(fm, 1, "");
            shown = AddField(fm,
                             {"AMOUNT", "Amount", 2,
                              [&](TfmWizardUdf* wz) {
                                  wz->edNumSize->setValue(size);
                                  wz->edNumDecimal->setValue(decimals);
                                  Retype(wz->edDefault, defaultValue);
                              }},
                             msgs);
            Click(fm->btnClose);
        });
        // The checks are shown at page 3; a refusal keeps the wizard there.
        QCOMPARE(shown.mid(0, messages.size()), messages);
        QCOMPARE(Columns("AR_ACCT").contains("AMOUNT"), messages.isEmpty());
    }

    // Names that pass the characters but not the database (a reserved word,
    // more than 31 characters) and names or lookups that a caller could pass
    // around the wizard: refused with a message, nothing made.
    void hostileNamesMakeNothing_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("lookupTable");
        QTest::newRow("reserved word") << "ORDER" << 0 << "";
        QTest::newRow("32 characters") << QString(32, 'A') << 0 << "";
        QTest::newRow("quote") << "X' VARCHAR(1), Y" << 0 << "";
        QTest::newRow("lookup table") << "CUST" << 6 << "AR_ACCT; DROP TABLE SYS_USER";
        QTest::newRow("table off the list") << "CUST" << 6 << "SYS_USER";
    }
    void hostileNamesMakeNothing() {
        QFETCH(QString, field);
        QFETCH(int, type);
        QFETCH(QString, lookupTable);
        const QString before = Footprint();
        TClientDataSet cds;
        cds.SetConnection(&FDm->SQLConn_Main);
        cds.CommandText = "SELECT * FROM SYS_OBJECT WHERE ID=-1";
        cds.Open();
        cds.Append();
        const QList<QPair<QString, QVariant>> values = {{"ID", FDm->GetTableNextKey("SYS_OBJECT")},
                                                        {"OBJECT", "AR_ACCT"},
                                                        {"FIELD", field},
                                                        {"TITLE", "T"},
                                                        {"UDF", 1},
                                                        {"UDFTYPE", type},
                                                        {"UDFSIZE", 30},
                                                        {"LOOKUPTABLE", lookupTable},
                                                        {"RESULTFIELD", "NAME"}};
        try {
            for (const auto& [f, v] : values) cds.FieldByName(f)->SetValue(v);
        } catch (const std::exception&) {
            // The metadata column holds no longer names: refused there already.
            QCOMPARE(field.size(), 32);
            return;
        }
        cds.Post();
        QString err;
        QVERIFY(!FDm->createUDF(&cds, err, "Customers", "Customers", true, "Header", "AR_ACCT",
                                "MasterDataSet"));
        QVERIFY(!err.isEmpty());
        QCOMPARE(Footprint(), before);
    }

    // A refusal at any step of making a field (the column, its metadata, its
    // value list, its template elements) leaves the database as it was, and
    // the wizard on its page with the database's message.
    void failedCreateLeavesNothing_data() {
        QTest::addColumn<QString>("injection");
        QTest::newRow("column") << "ALTER TABLE AR_ACCT ADD ROUTE VARCHAR(5)";
        QTest::newRow("metadata")
            << "CREATE TRIGGER T_INJECT FOR SYS_OBJECT BEFORE INSERT AS BEGIN EXCEPTION "
               "E_INJECT; END";
        QTest::newRow("value list")
            << "CREATE TRIGGER T_INJECT FOR SYS_DICT BEFORE INSERT AS BEGIN EXCEPTION "
               "E_INJECT; END";
        QTest::newRow("elements")
            << "CREATE TRIGGER T_INJECT FOR SO_DOTEMPLATEFIELD BEFORE INSERT AS BEGIN "
               "EXCEPTION E_INJECT; END";
    }
    void failedCreateLeavesNothing() {
        QFETCH(QString, injection);
        TScriptedMessages msgs;
        FDm->ExecSQL("CREATE EXCEPTION E_INJECT 'Injected refusal'");
        FDm->ExecSQL(injection);
        TfmCust* w = Customers();
        const QString before = Footprint();
        QStringList shown;
        Design(w, [&](TfmUdf* fm) {
            TickSheet(fm, 1, "");
            shown = AddField(fm, {"ROUTE", "Route", 5, {}}, msgs);
            Click(fm->btnClose);
        });
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].startsWith("Failed creating field, error: ") &&
                     shown[0].endsWith(", please click the \"Back\" button to fix your settings "
                                       "and re-try again."),
                 qPrintable(shown[0]));
        QCOMPARE(Footprint(), before);
        QVERIFY(!w->UdfArea(1)->findChild<QWidget*>("pnROUTE"));
    }

    // Deleting: refused while a saved search or a lookup field uses the
    // field; asked when records hold values; then the column, metadata,
    // value list and elements all go. A refusal at any step keeps them all.
    void deleteField_data() {
        QTest::addColumn<QString>("injection");
        QTest::newRow("none") << "";
        QTest::newRow("metadata") << "CREATE TRIGGER T_INJECT FOR SYS_OBJECT BEFORE DELETE AS "
                                     "BEGIN EXCEPTION E_INJECT; END";
        QTest::newRow("value list") << "CREATE TRIGGER T_INJECT FOR SYS_DICTVAL BEFORE DELETE "
                                       "AS BEGIN EXCEPTION E_INJECT; END";
        QTest::newRow("elements") << "CREATE TRIGGER T_INJECT FOR SO_DOTEMPLATEFIELD BEFORE "
                                     "DELETE AS BEGIN EXCEPTION E_INJECT; END";
        QTest::newRow("column") << "CREATE VIEW V_ROUTE AS SELECT ROUTE FROM AR_ACCT";
    }
    void deleteField() {
        QFETCH(QString, injection);
        TScriptedMessages msgs;
        TfmCust* w = Customers();
        const QString pristine = Footprint();
        Design(w, [&](TfmUdf* fm) {
            TickSheet(fm, 1, "");
            AddField(fm, {"ROUTE", "Route", 5, {}}, msgs);
            Click(fm->btnClose);
        });
        const QString dict =
            Value("SELECT ID FROM SYS_DICT WHERE TABLENAME='AR_ACCT' AND FIELD='ROUTE'");
        FDm->ExecSQL("INSERT INTO SYS_DICTVAL (ID, DICTID, DICTVAL) VALUES (900, " + dict +
                     ", 'North')");
        FDm->ExecSQL("UPDATE AR_ACCT SET ROUTE='North' WHERE ID=1");
        FDm->ExecSQL(
            "INSERT INTO SYS_FILTER (ID, TABLENAME, NAME, FIELD1) VALUES (900, "
            "'AR_ACCT', 'North round', 'ROUTE')");
        FDm->ExecSQL(
            "INSERT INTO SYS_OBJECT (ID, OBJECT, FIELD, TITLE, UDF, UDFTYPE, "
            "LOOKUPTABLE, RESULTFIELD) VALUES (900, 'AR_TRAN', 'CUSTROUTE', "
            "'Customer Route', 1, 6, 'AR_ACCT', 'ROUTE')");
        QVERIFY(Count("SELECT COUNT(*) FROM SO_DOTEMPLATEFIELD WHERE DATAFIELD='ROUTE'") > 0);
        auto deleteRoute = [&](QList<bool> answers) {
            Design(w, [&](TfmUdf* fm) {
                QWidget* c = fm->getGb(1)->findChild<QWidget*>("pnROUTE");
                QVERIFY(c);
                QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(5, 5));
                QCOMPARE(fm->lbType->text(), QString("Drop Down"));
                msgs.Answers = answers;
                Click(fm->btnDelete);
                Click(fm->btnClose);
            });
        };
        QString kept = Footprint();
        deleteRoute({true});
        QCOMPARE(msgs.Take(), QStringList({"Are you sure to delete selected field?",
                                           "Cannot delete this user defined field, it is being "
                                           "linked by\n\n Self-defined Search: AR_ACCT (North "
                                           "round)\n UDF Lookup Field: AR_TRAN.CUSTROUTE "
                                           "(Customer Route)"}));
        QCOMPARE(Footprint(), kept);
        FDm->ExecSQL("DELETE FROM SYS_FILTER WHERE ID=900");
        FDm->ExecSQL("DELETE FROM SYS_OBJECT WHERE ID=900");
        kept = Footprint();
        deleteRoute({true, false});
        QCOMPARE(msgs.Take(), QStringList({"Are you sure to delete selected field?",
                                           "This UDF field has value(s) in 1 record(s), are you "
                                           "sure to delete?"}));
        QCOMPARE(Footprint(), kept);

        if (!injection.isEmpty()) {
            if (!injection.contains("VIEW")) FDm->ExecSQL("CREATE EXCEPTION E_INJECT 'Injected'");
            FDm->ExecSQL(injection);
            kept = Footprint();
        }
        deleteRoute({true, true});
        const QStringList shown = msgs.Take();
        if (injection.isEmpty()) {
            QCOMPARE(shown.size(), 2);
            QCOMPARE(Footprint(), pristine);
            QVERIFY(!w->UdfArea(1)->findChild<QWidget*>("pnROUTE"));
            QVERIFY(!w->Child_CDS->FindField("ROUTE"));
        } else {
            QCOMPARE(shown.size(), 3);
            QVERIFY2(shown[2].startsWith("Failed deleting field, error: "), qPrintable(shown[2]));
            QCOMPARE(Footprint(), kept);
            QVERIFY(Columns("AR_ACCT").contains("ROUTE"));
        }
    }

    // Where new fields go: below the last one (16, 13, 45 high: the next at
    // 16, 63, tab order 2), and beside a full column.
    void placement() {
        TScriptedMessages msgs;
        TfmCust* w = Customers();
        Design(w, [&](TfmUdf* fm) {
            TickSheet(fm, 1, "");
            QCOMPARE(AddField(fm, {"FIRST", "First", 0, {}}, msgs), QStringList());
            QCOMPARE(AddField(fm, {"NEXTONE", "Next", 0, {}}, msgs), QStringList());
            Click(fm->btnClose);
        });
        QCOMPARE(Value("SELECT UDFLEFT || ',' || UDFTOP || ',' || UDFHEIGHT || ',' || UDFTABNO "
                       "FROM SYS_OBJECT WHERE FIELD='FIRST'"),
                 QString("16,13,45,1"));
        QCOMPARE(Value("SELECT UDFLEFT || ',' || UDFTOP || ',' || UDFTABNO FROM SYS_OBJECT "
                       "WHERE FIELD='NEXTONE'"),
                 QString("16,63,2"));
        int tab = 0, left = 0, top = 0;
        FDm->getUDFPosition("AR_ACCT", 1, 100, tab, left, top);
        QCOMPARE(QList<int>({tab, left, top}), QList<int>({3, 141, 13}));
        FDm->getUDFPosition("AR_ACCT", 2, 100, tab, left, top);
        QCOMPARE(QList<int>({tab, left, top}), QList<int>({1, 16, 13}));
    }

    // The designer: a field dragged and sized is stored by "Save"; closing
    // without it asks, and No keeps the old place. Sheets switched on and
    // named are kept on closing, and the browser follows.
    void designerPlacesAndSheets() {
        TScriptedMessages msgs;
        TfmCust* w = Customers();
        Design(w, [&](TfmUdf* fm) {
            TickSheet(fm, 1, "");
            AddField(fm, {"ROUTE", "Route", 0, {}}, msgs);
            QWidget* c = fm->getGb(1)->findChild<QWidget*>("pnROUTE");
            QTest::mousePress(c, Qt::LeftButton, {}, QPoint(5, 5));
            QTest::mouseMove(c, QPoint(35, 25));
            QTest::mouseRelease(c, Qt::LeftButton, {}, QPoint(35, 25));
            QCOMPARE(c->pos(), QPoint(46, 33));
            QVERIFY(fm->btnSave->isEnabled());
            // The right handle widens it by 40.
            QWidget* handle = fm->FNodes->Nodes()[3];
            QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(2, 2));
            QTest::mouseMove(handle, QPoint(42, 2));
            QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(42, 2));
            QCOMPARE(c->width(), 160);
            Click(fm->btnSave);
            QCOMPARE(msgs.Take(), QStringList());
            QVERIFY(!fm->btnSave->isEnabled());
            Click(fm->btnClose);
        });
        QCOMPARE(Value("SELECT UDFLEFT || ',' || UDFTOP || ',' || UDFWIDTH FROM SYS_OBJECT "
                       "WHERE FIELD='ROUTE'"),
                 QString("46,33,160"));
        QCOMPARE(w->UdfArea(1)->findChild<QWidget*>("pnROUTE")->geometry().topLeft(),
                 QPoint(46, 33));

        Design(w, [&](TfmUdf* fm) {
            QWidget* c = fm->getGb(1)->findChild<QWidget*>("pnROUTE");
            QTest::mousePress(c, Qt::LeftButton, {}, QPoint(5, 5));
            QTest::mouseMove(c, QPoint(105, 5));
            QTest::mouseRelease(c, Qt::LeftButton, {}, QPoint(105, 5));
            // Sheet 2 on without a name; sheet 1's caption changed.
            Click(fm->cbSheet[1]);
            QCOMPARE(fm->pgCtrl->tabText(1), QString("UserDefined"));
            Retype(fm->edSheet[1], "X");
            Retype(fm->edSheet[1], "");
            QCOMPARE(fm->pgCtrl->tabText(1), QString("TabSheet2"));
            msgs.Choices = {TMessageService::TAnswer::No};
            Click(fm->btnClose);
        });
        QCOMPARE(msgs.Take(), QStringList{"The fields changed in [Fields Designer - Customers] "
                                          "are not saved yet. Save them now?"});
        QCOMPARE(Value("SELECT UDFLEFT FROM SYS_OBJECT WHERE FIELD='ROUTE'"), QString("46"));
        QCOMPARE(Value("SELECT UDF2 FROM SYS_TABLENO WHERE TABLENAME='AR_ACCT'"), QString("1"));
        const int second = w->Pages()->indexOf(w->UdfSheet(2));
        QVERIFY(w->Pages()->isTabVisible(second));
        QCOMPARE(w->Pages()->tabText(second), QString("UserDefined"));

        // Sheet 1 off: its field goes from the browser, its column stays.
        Design(w, [&](TfmUdf* fm) {
            Click(fm->cbSheet[0]);
            Click(fm->btnClose);
        });
        QVERIFY(!w->Pages()->isTabVisible(w->Pages()->indexOf(w->UdfSheet(1))));
        QVERIFY(!w->UdfArea(1)->findChild<QWidget*>("pnROUTE"));
        QVERIFY(Columns("AR_ACCT").contains("ROUTE"));
    }

    // A table without rows gets fields too: "Design Fields" needs no row.
    void emptyTable() {
        TScriptedMessages msgs;
        FMain->Command("CustRelation_Supplier")->trigger();
        TfmChild* w = FMain->fmSupplier;
        QCOMPARE(w->Child_CDS->RecordCount(), 0);
        bool ran = false;
        OnNextModal([&](QWidget* dlg) {
            auto* fm = qobject_cast<TfmUdf*>(dlg);
            QVERIFY(fm);
            QCOMPARE(fm->windowTitle(), QString("Fields Designer - Suppliers"));
            TickSheet(fm, 1, "");
            AddField(fm, {"REGION", "Region", 0, {}}, msgs);
            Click(fm->btnClose);
            ran = true;
        });
        ChooseInGridMenu(w->Grid(), w->Part<QMenu>("PopupDbGrid"), {"Design Fields"});
        QVERIFY(ran);
        QVERIFY(Columns("AP_ACCT").contains("REGION"));
        QVERIFY(w->UdfArea(1)->findChild<QWidget*>("pnREGION"));
    }

    // A required text field is required in the browser; a check box has no
    // mark. Only the administrator may open the designer.
    void requiredAndAdministrator() {
        TScriptedMessages msgs;
        TfmCust* w = Customers();
        Design(w, [&](TfmUdf* fm) {
            TickSheet(fm, 1, "");
            AddField(fm, {"ROUTE", "Route", 0, [](TfmWizardUdf* wz) { Click(wz->cbRequired); }},
                     msgs);
            AddField(fm, {"VIP", "VIP", 4, {}}, msgs);
            Click(fm->btnClose);
        });
        auto* pn = w->UdfArea(1)->findChild<TPnBase*>("pnROUTE");
        QVERIFY(pn->Required());
        QVERIFY(pn->FLabelStar->isVisibleTo(pn));
        w->Command("Child_New")->trigger();
        Retype(EditorOf(w, "NICKNAME"), "Cedar");
        w->Command("Child_Save")->trigger();
        QCOMPARE(msgs.Take(), QStringList{"[Route] Field cannot be empty"});
        QCOMPARE(w->Pages()->currentWidget(), w->UdfSheet(1));
        Retype(pn->Editor(), "East");
        w->Command("Child_Save")->trigger();
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(Value("SELECT ROUTE FROM AR_ACCT WHERE NICKNAME='Cedar'"), QString("East"));

        FDm->Curr_User_ID = 1;
        FDm->Curr_User_Name = "Clerk";
        w->Command("Child_DesignField")->trigger();
        QCOMPARE(msgs.Take(), QStringList{"Please use administrator login to perform this "
                                          "function, you are currently logged in as: Clerk"});
    }

    // A field offered to the templates is a hidden element of each; ticked
    // in the template's layout, it prints the customer's value on the invoice.
    // The search panel finds customers by it.
    void printsAndSearches() {
        TScriptedMessages msgs;
        TfmCust* w = Customers();
        Design(w, [&](TfmUdf* fm) {
            TickSheet(fm, 1, "");
            AddField(fm, {"ROUTE", "Delivery Route", 0, {}}, msgs);
            Click(fm->btnClose);
        });
        QCOMPARE(Value("SELECT COUNT(*) FROM SO_DOTEMPLATEFIELD WHERE DATAFIELD='ROUTE' AND "
                       "VISIBLE=0"),
                 Value("SELECT COUNT(*) FROM SO_DOTEMPLATE"));
        FDm->ExecSQL("UPDATE AR_ACCT SET ROUTE='North Loop' WHERE ID=1");
        FDm->ExecSQL("UPDATE AR_ACCT SET ROUTE='South Loop' WHERE ID=2");

        w->MenuItem_TVRefreshClick();
        QTest::mouseClick(w->Part<QToolButton>("btnLeftFind"), Qt::LeftButton);
        w->Part<QComboBox>("cbCon1")->setCurrentIndex(
            w->Part<QComboBox>("cbCon1")->findText("Delivery Route"));
        w->Part<QComboBox>("cbSign1")->setCurrentIndex(
            w->Part<QComboBox>("cbSign1")->findText("Contains"));
        Retype(w->Part<QLineEdit>("edVal1"), "North");
        QTest::mouseClick(w->Part<QPushButton>("btnFilterFind"), Qt::LeftButton);
        QCOMPARE(w->Child_CDS->RecordCount(), 1);
        QCOMPARE(w->Child_CDS->FieldByName("NICKNAME")->AsString(), QString("Acme"));

        TfmDoTemplate* t = TemplateWindowOn("Invoice A4");
        QVERIFY(t);
        bool ran = false;
        OnNextModal([&](QWidget* dlgWidget) {
            auto* dlg = qobject_cast<TfmDoTemplateField*>(dlgWidget);
            QVERIFY(dlg);
            const auto items =
                dlg->clbHeader->findItems("Customers.UDF.Delivery Route", Qt::MatchExactly);
            QCOMPARE(items.size(), 1);
            QCOMPARE(items[0]->checkState(), Qt::Unchecked);
            items[0]->setCheckState(Qt::Checked);
            QTest::mouseClick(dlg->btnOk, Qt::LeftButton);
            ran = true;
        });
        QTest::mouseClick(t->Part<QToolBar>("ToolBar2")->widgetForAction(t->btnSetup),
                          Qt::LeftButton);
        QTRY_VERIFY(ran);
        QCOMPARE(Value("SELECT VISIBLE FROM SO_DOTEMPLATEFIELD WHERE DATAFIELD='ROUTE' AND "
                       "SO_DOTEMPLATE_ID=1"),
                 QString("1"));
        // On the canvas at the text's size, to be seen and dragged into place.
        QLabel* shown = nullptr;
        for (QLabel* l : t->findChildren<QLabel*>())
            if (l->text() == "Customers.UDF.Delivery Route") shown = l;
        QVERIFY(shown && !shown->isHidden());
        QVERIFY(shown->width() > 50 && shown->height() > 5);

        FDm->ExecSQL(
            "INSERT INTO AR_TRAN (ID, INVOICENO, INVOICEDATE, AR_TRANTYPE_ID, "
            "SYS_TREEVIEW_ID, AR_ACCT_ID) VALUES (1, 'INV-1', '2026-12-01', 1, 10, 1)");
        TPreviewSeen seen;
        ReadNextPreview(seen, msgs);
        QTest::mouseClick(t->Part<QToolBar>("ToolBar2")->widgetForAction(t->btnPreview),
                          Qt::LeftButton);
        QTRY_VERIFY(!seen.Pages.isEmpty());
        QVERIFY2(seen.Pages[0].contains("North Loop"), qPrintable(seen.Pages[0].join('|')));
    }

    // The template window printed once, then a field added and ticked in its
    // layout while the window stays open: the next print shows its value.
    void printsAFieldAddedWhileATemplateWindowIsOpen() {
        TScriptedMessages msgs;
        TfmCust* w = Customers();
        FDm->ExecSQL(
            "INSERT INTO AR_TRAN (ID, INVOICENO, INVOICEDATE, AR_TRANTYPE_ID, "
            "SYS_TREEVIEW_ID, AR_ACCT_ID) VALUES (1, 'INV-1', '2026-12-01', 1, 10, 1)");
        TfmDoTemplate* t = TemplateWindowOn("Invoice A4");
        QVERIFY(t);
        TPreviewSeen before;
        ReadNextPreview(before, msgs);
        QTest::mouseClick(t->Part<QToolBar>("ToolBar2")->widgetForAction(t->btnPreview),
                          Qt::LeftButton);
        QTRY_VERIFY(!before.Pages.isEmpty());

        FMain->Command("CustRelation_Cust")->trigger();
        Design(w, [&](TfmUdf* fm) {
            TickSheet(fm, 1, "");
            AddField(fm, {"ROUTE", "Delivery Route", 0, {}}, msgs);
            Click(fm->btnClose);
        });
        FDm->ExecSQL("UPDATE AR_ACCT SET ROUTE='North Loop' WHERE ID=1");
        FMain->Command("Template_Do")->trigger();
        t->Command("MenuItem_TVRefresh")
            ->trigger();  // the template's elements, the new one among them
        int found = -1;
        OnNextModal([&](QWidget* dlgWidget) {
            auto* dlg = qobject_cast<TfmDoTemplateField*>(dlgWidget);
            if (!dlg) return;
            const auto items =
                dlg->clbHeader->findItems("Customers.UDF.Delivery Route", Qt::MatchExactly);
            found = int(items.size());
            for (QListWidgetItem* i : items) i->setCheckState(Qt::Checked);
            QTest::mouseClick(found == 1 ? dlg->btnOk : dlg->btnCancel, Qt::LeftButton);
        });
        QTest::mouseClick(t->Part<QToolBar>("ToolBar2")->widgetForAction(t->btnSetup),
                          Qt::LeftButton);
        QTRY_VERIFY(found >= 0);
        QCOMPARE(found, 1);
        msgs.Take();
        TPreviewSeen after;
        ReadNextPreview(after, msgs);
        QTest::mouseClick(t->Part<QToolBar>("ToolBar2")->widgetForAction(t->btnPreview),
                          Qt::LeftButton);
        QTRY_VERIFY(!after.Pages.isEmpty());
        QCOMPARE(msgs.Take(), QStringList());
        QVERIFY2(after.Pages[0].contains("North Loop"), qPrintable(after.Pages[0].join('|')));
        QVERIFY(after.Pages[0].contains("INV-1"));
    }
};

QTEST_MAIN(TstUdf)
#include "tst_udf.moc"
