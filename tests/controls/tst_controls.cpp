// Labelled controls, the lookup picker, detail lines, the dictionary and
// the to-do window, driven offscreen against the real engine.

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TDbGridModel.h"
#include "TestSupport.h"
#include "uArTran.h"
#include "uCBAcct.h"
#include "uCBTran.h"
#include "uCust.h"
#include "uDbGrid.h"
#include "uDbRadioGroup.h"
#include "uDmMain.h"
#include "uICBatch.h"
#include "uPnDbDate.h"
#include "uPnDbImage.h"
#include "uPnDbMemo.h"
#include "uPnDictBox.h"
#include "uPnFkey.h"
#include "uPnFkeyForm.h"
#include "uSysDict.h"
#include "uTreeView.h"
#include "uUserTodo.h"

namespace {

// Runs fn on the lookup picker once it is open.
void OnPicker(const std::function<void(TfmPnFKey*)>& fn) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, fn]() {
        TfmPnFKey* p = TPnFkey::CurrentPicker();
        if (!p || !p->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        fn(p);
        // A failed check must not leave the picker waiting for input.
        if (p->isVisible() && QTest::currentTestFailed()) p->Close(2);
    });
    timer->start();
}

// A spot inside a grid cell, clear of its text and lines.
QPoint CellSpot(TDbGrid* g, int row, int column) {
    const QRect r = g->visualRect(g->GridModel()->index(row, column));
    return QPoint(r.right() - 3, r.center().y());
}

QColor ColorAt(TDbGrid* g, int row, int column) {
    const QImage img = g->viewport()->grab().toImage();
    return img.pixelColor(CellSpot(g, row, column) * img.devicePixelRatio());
}

QStringList Column(TClientDataSet* ds, const QString& field) {
    QStringList out;
    for (int i = 0; i < ds->RecordCount(); ++i)
        out << ds->ValueAt(i, ds->FieldByName(field)).toString();
    return out;
}

// An invoice browser with its lines, as the detail editing sees it.
class TLinesBrowser : public TfmChild {
public:
    TLinesBrowser() {
        setObjectName("fmLinesTest");
        SetChildMode(3);
        Config.TableName = "AR_TRAN";
        Config.NameField = "INVOICENO";
        Config.TVShow = true;
        Config.SubTableName = "AR_TRANITEM";
        Config.SubNameField = "ITEMDESC";
        Config.SubLinkField = "AR_TRAN_ID";
        Config.SubLineField = "LINE";
        Config.SubDbGrid = DBGridItem;
        Child_CDS->CommandText = "SELECT * FROM AR_TRAN";
    }
};

}  // namespace

class TstControls : public QObject {
    Q_OBJECT

private:
    TDbFixture F;
    int Count(const QString& sql) { return F.Dm().SelectValue(sql).toInt(); }

private slots:
    void init() { F.Start(); }

    void cleanup() { F.Stop(); }

    // The required check names the first empty control in creation order and
    // brings its page to the front; memo and dictionary boxes are never checked.
    void requiredCheckInCreationOrder() {
        TScriptedMessages msgs;
        F.Dm().ExecSQL(
            "UPDATE SYS_OBJECT SET REQUIRED=0 WHERE OBJECT='AR_ACCT' AND FIELD='NICKNAME'");
        F.Dm().ExecSQL(
            "UPDATE SYS_OBJECT SET REQUIRED=1 WHERE OBJECT='AR_ACCT' AND FIELD IN "
            "('DISCTRATE','SYS_TAX_ID','GROUP','REMARKS')");
        F.Dm().ExecSQL(
            "UPDATE SYS_OBJECT SET REQUIRED=2 WHERE OBJECT='AR_ACCT' AND FIELD='PHONENO'");
        auto w = OpenBrowser<TfmCust>();
        QVERIFY(w->pnTax->Required() && w->pnDiscRate->Required() && w->pnGroup->Required());
        w->Command("Child_New")->trigger();
        QCOMPARE(w->Pages()->currentIndex(), 0);
        w->Command("Child_Save")->trigger();
        QCOMPARE(msgs.Take(), QStringList{"[Discount %] Field cannot be empty"});
        QCOMPARE(w->Pages()->currentWidget(), w->Part<QWidget>("pgTs1"));
        // Letters are refused, and the typing stays for a correction.
        QTest::keyClicks(w->pnDiscRate->Edit(), "5x.5");
        QCOMPARE(w->pnDiscRate->Edit()->text(), QString("5x.5"));
        w->Command("Child_Save")->trigger();
        QCOMPARE(msgs.Take(), QStringList{"[Tax Code] Field cannot be empty"});
        w->Child_CDS->FieldByName("SYS_TAX_ID")->SetValue(1);
        QCOMPARE(w->pnTax->BtnEdit()->text(), QString("GST 10%"));
        w->Command("Child_Save")->trigger();
        QCOMPARE(msgs.Take(), QStringList{"[Discount %] \"5x.5\" is not a number."});
        QCOMPARE(Count("SELECT COUNT(*) FROM AR_ACCT"), 0);
        Retype(w->pnDiscRate->Edit(), "5.5");
        w->Command("Child_Save")->trigger();
        QVERIFY(msgs.Shown.isEmpty());
        QCOMPARE(F.Dm().SelectValue("SELECT DISCTRATE FROM AR_ACCT").toDouble(), 5.5);
    }

    void metadataAndInsertCodes() {
        TScriptedMessages msgs;
        F.Dm().ExecSQL("DELETE FROM SYS_OBJECT WHERE OBJECT='AR_ACCT' AND FIELD='MSN'");
        F.Dm().ExecSQL(
            "UPDATE SYS_OBJECT SET CTRLFLAG=1 WHERE OBJECT='AR_ACCT' AND FIELD='ZIPCODE'");
        F.Dm().ExecSQL(
            "UPDATE SYS_OBJECT SET CTRLFLAG=2, READONLY=2 WHERE OBJECT='AR_ACCT' AND FIELD='URL'");
        F.Dm().ExecSQL("UPDATE SYS_OBJECT SET READONLY=1 WHERE OBJECT='AR_ACCT' AND FIELD='EMAIL'");
        auto w = OpenBrowser<TfmCust>();
        auto pn = [&](const char* name) { return w->findChild<TPnDbEdit*>(QString("pn") + name); };
        QCOMPARE(pn("MSN")->Caption(), QString());
        QVERIFY(!pn("MSN")->Required() && !pn("MSN")->ReadOnly());
        QVERIFY(!pn("URL")->ReadOnly());
        QVERIFY(pn("EMAIL")->ReadOnly());
        QVERIFY(pn("EMAIL")->Edit()->isReadOnly());
        w->Command("Child_New")->trigger();
        QVERIFY(pn("ZIPCODE")->isVisible());
        QVERIFY(pn("URL")->isEnabled());
        QTest::keyClicks(w->pnNickName->Edit(), "N");
        w->Command("Child_Save")->trigger();
        QVERIFY(!pn("ZIPCODE")->isVisible());
        QVERIFY(!pn("URL")->isEnabled());
        QVERIFY(msgs.Shown.isEmpty());
    }

    // Faults of a form's set-up are reported by name, and the control still works.
    void configurationMessages() {
        TScriptedMessages msgs;
        TPnDbEdit unbound;
        unbound.setObjectName("pnUnbound");
        unbound.SetDataField("NAME");
        unbound.Loaded();
        TClientDataSet cds;
        cds.setObjectName("Some_CDS");
        TDataSource ds;
        ds.SetDataSet(&cds);
        TPnDbEdit noStatement;
        noStatement.setObjectName("pnNoStatement");
        noStatement.SetDataField("NAME");
        noStatement.SetDataSource(&ds);
        noStatement.Loaded();
        cds.CommandText = "SELECT * FROM AR_ACCT";
        cds.SetConnection(&F.Dm().SQLConn_Main);
        TPnDbEdit noField;
        noField.setObjectName("pnNoField");
        noField.SetDataSource(&ds);
        noField.Loaded();
        TPnFkey noLookup;
        noLookup.setObjectName("pnNoLookup");
        noLookup.SetDataField("SYS_TAX_ID");
        noLookup.SetDataSource(&ds);
        noLookup.Loaded();
        QCOMPARE(msgs.Take(), (QStringList{"Datasource not set for: pnUnbound",
                                           "CommandText not set for: pnNoStatement.Some_CDS",
                                           "SQLConnection not set for: pnNoStatement",
                                           "DataSet not set for: pnNoField",
                                           "LookupSQL is not set for: pnNoLookup"}));
        QCOMPARE(noLookup.Caption(), QString("Tax Code"));
        QVERIFY(!unbound.Required() && !unbound.ReadOnly());
    }

    void dictionaryBox() {
        TScriptedMessages msgs;
        auto w = OpenBrowser<TfmCust>();
        QComboBox* cb = w->pnGroup->ComboBox();
        QCOMPARE(cb->itemText(cb->count() - 1), QString("New>>>"));
        QCOMPARE(cb->itemText(0), QString("Retail"));
        w->Command("Child_New")->trigger();
        // "New>>>" cancelled: field and box stay empty.
        msgs.Answers = {false};
        cb->setCurrentIndex(cb->count() - 1);
        emit cb->activated(cb->count() - 1);
        QCOMPARE(msgs.Take(), QStringList{"New: New"});
        QVERIFY(w->Child_CDS->FieldByName("GROUP")->IsNull());
        QCOMPARE(cb->currentText(), QString());
        // A new value goes into the dictionary at once and is selected.
        const int before = Count("SELECT COUNT(*) FROM SYS_DICTVAL");
        msgs.Answers = {true};
        msgs.InputValues = {"Export"};
        cb->setCurrentIndex(cb->count() - 1);
        emit cb->activated(cb->count() - 1);
        QCOMPARE(Count("SELECT COUNT(*) FROM SYS_DICTVAL"), before + 1);
        QCOMPARE(cb->itemText(0), QString("Export"));
        QCOMPARE(w->Child_CDS->FieldByName("GROUP")->AsString(), QString("Export"));
        // An existing value is selected, not inserted again.
        msgs.Answers = {true};
        msgs.InputValues = {"Retail"};
        cb->setCurrentIndex(cb->count() - 1);
        emit cb->activated(cb->count() - 1);
        QCOMPARE(Count("SELECT COUNT(*) FROM SYS_DICTVAL"), before + 1);
        QCOMPARE(w->Child_CDS->FieldByName("GROUP")->AsString(), QString("Retail"));
        // A column without a dictionary gets nothing.
        F.Dm().ExecSQL("DELETE FROM SYS_DICT WHERE FIELD='GRADE'");
        w->pnGrade->AddDictValue("Z");
        QCOMPARE(Count("SELECT COUNT(*) FROM SYS_DICTVAL"), before + 1);
        w->Command("Child_Cancel")->trigger();
    }

    void dateAndImageControls() {
        TScriptedMessages msgs;
        TOpenSet cdsSet(F.Dm(), "SELECT * FROM SYS_USER_TODO");
        TClientDataSet& cds = cdsSet.Cds;
        TDataSource& ds = cdsSet.Ds;
        TPnDbDate date;
        date.SetDataField("DUEDATE");
        date.SetDataSource(&ds);
        date.Loaded();
        cds.Append();
        QCOMPARE(date.DateEdit()->date(), QDate(1899, 12, 30));
        date.DateEdit()->setDate(QDate(2026, 12, 24));
        QCOMPARE(cds.FieldByName("DUEDATE")->Value(), QVariant(QDate(2026, 12, 24)));
        // Memo and picture are at least 60 high.
        TPnDbMemo memo;
        memo.resize(100, 40);
        QVERIFY(memo.height() >= 60);
        TOpenSet itemsSet(F.Dm(), "SELECT * FROM IC_ITEM");
        TClientDataSet& items = itemsSet.Cds;
        TDataSource& ids = itemsSet.Ds;
        TPnDbImage image;
        image.SetDataField("FILENAME");
        image.SetDataSource(&ids);
        image.Loaded();
        QCOMPARE(image.FLabelCaption->text(), QString("Picture File"));
        items.Append();
        QImage(10, 10, QImage::Format_RGB32).save(F.Folder().Path() + "pic.png");
        msgs.InputValues = {F.Folder().Path() + "pic.png"};
        image.BrowseClick();
        QCOMPARE(items.FieldByName("FILENAME")->AsString(), F.Folder().Path() + "pic.png");
        QVERIFY(!image.Image()->pixmap().isNull());
        // A file that is gone: an empty picture, the path kept, no message.
        QFile::remove(F.Folder().Path() + "pic.png");
        msgs.Take();
        items.FieldByName("FILENAME")->SetValue(F.Folder().Path() + "pic.png");
        QVERIFY(image.Image()->pixmap().isNull());
        QCOMPARE(image.Text(), F.Folder().Path() + "pic.png");
        QVERIFY(msgs.Shown.isEmpty());
    }

    // A double click reaches whoever listens for it, on the row it was made.
    // The current row is drawn across the whole row, and rows marked with
    // Ctrl-click stay visible and distinct from it.
    void gridDoubleClickAndCurrentRow() {
        TScriptedMessages msgs;
        for (int i = 1; i <= 4; ++i)
            F.Dm().ExecSQL(QString("INSERT INTO AR_ACCT (ID, NICKNAME, SYS_TREEVIEW_ID, PRICENO) "
                                   "VALUES (%1, 'C%1', 2, 0)")
                               .arg(i));
        auto w = OpenBrowser<TfmCust>();
        TDbGrid* g = w->Grid();
        QCOMPARE(w->Child_CDS->RecordCount(), 4);
        const int col = g->LogicalOfField("NICKNAME");
        QSignalSpy spy(g, &QAbstractItemView::doubleClicked);
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, CellSpot(g, 2, col));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy[0][0].value<QModelIndex>().row(), 2);
        QCOMPARE(w->Child_CDS->FieldByName("NICKNAME")->AsString(), QString("C3"));

        const QColor base = ColorAt(g, 0, col);
        QCOMPARE(ColorAt(g, 2, col).rgb(), g->CurrentRowColor().rgb());
        QCOMPARE(ColorAt(g, 2, g->LogicalOfField("NAME")).rgb(),
                 g->CurrentRowColor().rgb());  // the whole row
        QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::ControlModifier, CellSpot(g, 1, col));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::ControlModifier, CellSpot(g, 3, col));
        QCOMPARE(g->SelectedRows().Count(), 2);
        QCOMPARE(ColorAt(g, 3, col).rgb(), g->CurrentMarkedRowColor().rgb());
        QCOMPARE(ColorAt(g, 1, col).rgb(), g->MarkedRowColor().rgb());
        QCOMPARE(ColorAt(g, 0, col), base);
        QCOMPARE(ColorAt(g, 2, col), base);
        const QSet<QRgb> colors = {base.rgb(), g->CurrentRowColor().rgb(),
                                   g->MarkedRowColor().rgb(), g->CurrentMarkedRowColor().rgb()};
        QCOMPARE(colors.size(), 4);
        QVERIFY(msgs.Shown.isEmpty());
    }

    // A display mask's characters between digits show in the grid's cells.
    void gridShowsMaskLiterals() {
        F.Dm().ExecSQL(
            "INSERT INTO AR_ACCT (ID, NICKNAME, SYS_TREEVIEW_ID, PRICENO, DISCTRATE) VALUES (1, "
            "'A', 2, 0, 1234)");
        F.Dm().ExecSQL(
            "UPDATE SYS_OBJECT SET FORMATSTR='00-00', VISIBLE=1 WHERE OBJECT='AR_ACCT' AND "
            "FIELD='DISCTRATE'");
        auto w = OpenBrowser<TfmCust>();
        TDbGrid* g = w->Grid();
        const int col = g->LogicalOfField("DISCTRATE");
        QVERIFY(col >= 0);
        QCOMPARE(g->model()->data(g->model()->index(0, col)).toString(), QString("12-34"));
    }

    // A double click in the picker takes the row, as Enter does.
    void pickerDoubleClick() {
        TScriptedMessages msgs;
        auto w = OpenBrowser<TfmCust>();
        w->Command("Child_New")->trigger();
        QString chosen;
        OnPicker([&chosen](TfmPnFKey* p) {
            const int col = p->DBGrid1->LogicalOfField("NAME");
            chosen = p->CDS->ValueAt(2, p->CDS->FieldByName("NAME")).toString();
            QTest::mouseDClick(p->DBGrid1->viewport(), Qt::LeftButton, {},
                               CellSpot(p->DBGrid1, 2, col));
            // Cancels instead, should the double click not have taken the row.
            QTest::keyClick(p->edLookFor, Qt::Key_Escape);
        });
        w->pnTax->SearchClick();
        QVERIFY(!chosen.isEmpty());
        QCOMPARE(w->pnTax->BtnEdit()->text(), chosen);
        QCOMPARE(F.Dm()
                     .SelectValue("SELECT NAME FROM SYS_TAX WHERE ID=" +
                                  w->Child_CDS->FieldByName("SYS_TAX_ID")->AsString())
                     .toString(),
                 chosen);
        QVERIFY(msgs.Shown.isEmpty());
        w->Command("Child_Cancel")->trigger();
    }

    // A choice the record set refuses is told, the group shows the stored
    // choice again, and it goes on following its record.
    void radioGroupAfterRefusal() {
        TScriptedMessages msgs;
        TOpenSet cdsSet(F.Dm(), "SELECT * FROM AR_ACCT");
        TClientDataSet& cds = cdsSet.Cds;
        TDataSource& ds = cdsSet.Ds;
        TDbRadioGroup group("Default Price", {"Standard Price", "Price 1", "Price 2"}, {0, 1, 2});
        group.SetDataField("PRICENO");
        group.SetDataSource(&ds);
        cds.Append();
        cds.FieldByName("PRICENO")->SetValue(0);
        cds.OnFieldChange = [](TField& f) {
            if (f.FieldName == "PRICENO" && f.AsInteger() == 2)
                throw EDataSetError("Price 2 is not offered to this customer");
        };
        group.show();
        auto buttons = group.findChildren<QAbstractButton*>();
        QCOMPARE(buttons.size(), 3);
        QTest::mouseClick(buttons[2], Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList{"Price 2 is not offered to this customer"});
        QCOMPARE(group.ItemIndex(), 0);
        QCOMPARE(cds.FieldByName("PRICENO")->AsInteger(), 0);
        cds.FieldByName("PRICENO")->SetValue(1);
        QCOMPARE(group.ItemIndex(), 1);
        QTest::mouseClick(buttons[0], Qt::LeftButton);
        QCOMPARE(cds.FieldByName("PRICENO")->AsInteger(), 0);
        cds.Cancel();
    }

    // A date is typed over the shown one and taken as typed when the typing
    // ends; a date that does not exist is refused and nothing is stored.
    void typedDates_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("endKey");
        QTest::addColumn<QDate>("stored");
        QTest::addColumn<QString>("message");
        QTest::newRow("day of two digits")
            << "15 Nov 2026" << int(Qt::Key_Tab) << QDate(2026, 11, 15) << QString();
        QTest::newRow("other month and year")
            << "7 Mar 2027" << int(Qt::Key_Return) << QDate(2027, 3, 7) << QString();
        QTest::newRow("31 February") << "31 Feb 2026" << int(Qt::Key_Tab) << QDate(2026, 11, 3)
                                     << "\"31 Feb 2026\" is not a valid date.";
        QTest::newRow("31 April, Enter")
            << "31 Apr 2026" << int(Qt::Key_Return) << QDate(2026, 11, 3)
            << "\"31 Apr 2026\" is not a valid date.";
    }

    void typedDates() {
        QFETCH(QString, typed);
        QFETCH(int, endKey);
        QFETCH(QDate, stored);
        QFETCH(QString, message);
        TScriptedMessages msgs;
        TOpenSet cdsSet(F.Dm(), "SELECT * FROM SYS_USER_TODO");
        TClientDataSet& cds = cdsSet.Cds;
        TDataSource& ds = cdsSet.Ds;
        QWidget form;
        auto* date = new TPnDbDate(&form);
        date->SetDataField("DUEDATE");
        date->SetDataSource(&ds);
        date->Loaded();
        auto* next = new QLineEdit(&form);
        next->move(0, 60);
        TDbDate* e = date->DateEdit();
        e->setDisplayFormat("d MMM yyyy");
        cds.Append();
        cds.FieldByName("DUEDATE")->SetValue(QDate(2026, 11, 3));
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        // Back into the date with Shift+Tab: the whole date is selected.
        next->setFocus();
        QTest::keyClick(next, Qt::Key_Backtab);
        QVERIFY(e->hasFocus());
        QTest::keyClicks(e, typed);
        QCOMPARE(e->text(), typed);
        // A whole date is in the record already (a Save from the tool bar
        // takes it); an impossible one is not.
        QCOMPARE(cds.FieldByName("DUEDATE")->Value(), QVariant(stored));
        QTest::keyClick(e, Qt::Key(endKey));
        QCOMPARE(msgs.Take(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(cds.FieldByName("DUEDATE")->Value(), QVariant(stored));
        // What was typed stays for a correction, refused or not.
        QCOMPARE(e->text(), message.isEmpty() ? stored.toString("d MMM yyyy") : typed);
        cds.Post();
        QCOMPARE(cds.FieldByName("DUEDATE")->AsDate(), stored);
    }

    // The picker finds the typed text whatever the case of its letters.
    void pickerSearchAnyCase_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("as written") << "Jasmine" << QStringList{"Jasmine Rice 5kg"};
        QTest::newRow("lower case") << "jasmine" << QStringList{"Jasmine Rice 5kg"};
        QTest::newRow("mixed") << "rICE" << QStringList{"Jasmine Rice 5kg", "RICE FLOUR"};
        QTest::newRow("accented") << QString::fromUtf8("CRÈME")
                                  << QStringList{QString::fromUtf8("Crème Fraîche")};
        QTest::newRow("item number") << "p-0" << QStringList{"Jasmine Rice 5kg", "RICE FLOUR"};
    }

    void pickerSearchAnyCase() {
        QFETCH(QString, typed);
        QFETCH(QStringList, found);
        TScriptedMessages msgs;
        F.Dm().ExecSQL(
            "INSERT INTO IC_ITEM (ID, ITEMNO, NAME) VALUES (1, 'P-01', 'Jasmine Rice 5kg')");
        F.Dm().ExecSQL("INSERT INTO IC_ITEM (ID, ITEMNO, NAME) VALUES (2, 'P-02', 'RICE FLOUR')");
        F.Dm().ExecSQL(QString::fromUtf8(
            "INSERT INTO IC_ITEM (ID, ITEMNO, NAME) VALUES (3, 'Q-03', 'Crème Fraîche')"));
        TOpenSet cdsSet(F.Dm(), "SELECT * FROM AR_TRANITEM");
        TClientDataSet& cds = cdsSet.Cds;
        TDataSource& ds = cdsSet.Ds;
        TPnFkey fk;
        fk.SetDataField("IC_ITEM_ID");
        fk.SetDataSource(&ds);
        fk.LookupSQL = "SELECT ID,NAME,ITEMNO FROM IC_ITEM";
        fk.Loaded();
        fk.show();
        cds.Append();
        QStringList shown;
        OnPicker([&](TfmPnFKey* p) {
            QTest::keyClicks(p->edLookFor, typed.mid(1));
            shown = Column(p->CDS, "NAME");
            QTest::keyClick(p->edLookFor, Qt::Key_Return);
            QTest::keyClick(p->edLookFor, Qt::Key_Escape);  // in case nothing was found
        });
        QTest::keyClicks(fk.BtnEdit(), typed.left(1));
        QCOMPARE(shown, found);
        QCOMPARE(fk.BtnEdit()->text(), found.value(0));
        QVERIFY(msgs.Shown.isEmpty());
    }

    // A lookup statement laid out over lines, with DISTINCT and a tab, reads
    // the same columns and table; so does the bound set's statement.
    void lookupStatementLayout() {
        TScriptedMessages msgs;
        F.Dm().ExecSQL("INSERT INTO IC_ITEM (ID, ITEMNO, NAME) VALUES (5, 'P-05', 'Oat Milk')");
        TOpenSet cdsSet(F.Dm(), "SELECT L.*\nFROM AR_TRANITEM L");
        TClientDataSet& cds = cdsSet.Cds;
        TDataSource& ds = cdsSet.Ds;
        TPnFkey fk;
        fk.SetDataField("IC_ITEM_ID");
        fk.SetDataSource(&ds);
        fk.LookupSQL = "SELECT DISTINCT\tID,\n       NAME, -- shown\n       ITEMNO\nFROM IC_ITEM";
        fk.Loaded();
        QCOMPARE(fk.TableName(), QString("AR_TRANITEM"));
        QCOMPARE(fk.LookupTable(), QString("IC_ITEM"));
        QCOMPARE(fk.Fields(), (QStringList{"ID", "NAME", "ITEMNO"}));
        fk.show();
        cds.Append();
        OnPicker([&](TfmPnFKey* p) {
            QTest::keyClicks(p->edLookFor, "at");
            QTest::keyClick(p->edLookFor, Qt::Key_Return);
        });
        QTest::keyClicks(fk.BtnEdit(), "O");
        QCOMPARE(cds.FieldByName("IC_ITEM_ID")->AsInteger(), 5);
        QCOMPARE(fk.BtnEdit()->text(), QString("Oat Milk"));
        cds.Cancel();
        cds.Append();
        cds.FieldByName("IC_ITEM_ID")->SetValue(5);  // the shown name is read back by key
        QCOMPARE(fk.BtnEdit()->text(), QString("Oat Milk"));
        QVERIFY(msgs.Shown.isEmpty());
    }

    // A statement the database refuses: its message once, and the picker is gone.
    void pickerStatementError() {
        TScriptedMessages msgs;
        TOpenSet cdsSet(F.Dm(), "SELECT * FROM AR_TRANITEM");
        TClientDataSet& cds = cdsSet.Cds;
        TDataSource& ds = cdsSet.Ds;
        TPnFkey fk;
        fk.SetDataField("IC_ITEM_ID");
        fk.SetDataSource(&ds);
        fk.LookupSQL = "SELECT ID,NAME FROM NO_SUCH_TABLE";
        fk.Loaded();
        fk.show();
        cds.Append();
        bool threw = false;
        try {
            QTest::keyClick(fk.BtnEdit(), Qt::Key_A);
        } catch (...) {
            threw = true;
        }
        QVERIFY(!threw);
        QCOMPARE(msgs.Shown.size(), 1);
        QVERIFY2(msgs.Shown[0].Text.contains("NO_SUCH_TABLE"), qPrintable(msgs.Shown[0].Text));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!TPnFkey::CurrentPicker());
        QVERIFY(cds.FieldByName("IC_ITEM_ID")->IsNull());
    }

    // With no row to edit, the controls take no typing (and say nothing);
    // once there is a row, they do.
    void emptySetTakesNoTyping() {
        TScriptedMessages msgs;
        auto w = OpenBrowser<TfmCust>();
        QCOMPARE(w->Child_CDS->RecordCount(), 0);
        QTest::keyClicks(w->pnNickName->Edit(), "Acme");
        QTest::keyClicks(w->pnAddress->Memo(), "Street");
        QTest::keyClicks(w->pnTax->BtnEdit(), "g");
        QCOMPARE(msgs.Take(), QStringList());
        QVERIFY(w->pnNickName->Edit()->isReadOnly());
        QCOMPARE(w->pnNickName->Edit()->text(), QString());
        QVERIFY(w->pnAddress->Memo()->isReadOnly());
        QVERIFY(!w->pnTax->BtnEdit()->isEnabled());
        QVERIFY(!w->pnGroup->ComboBox()->isEnabled());
        QVERIFY(!w->pnNickName->ReadOnly());  // the metadata's flag is untouched
        QCOMPARE(w->Child_CDS->State(), TDataSetState::Browse);
        w->Command("Child_New")->trigger();
        QVERIFY(!w->pnNickName->Edit()->isReadOnly());
        QVERIFY(w->pnTax->BtnEdit()->isEnabled());
        QTest::keyClicks(w->pnNickName->Edit(), "Acme");
        QTest::keyClicks(w->pnAddress->Memo(), "Street");
        w->Command("Child_Save")->trigger();
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(F.Dm().SelectValue("SELECT NICKNAME || '/' || ADDRESS FROM AR_ACCT").toString(),
                 QString("Acme/Street"));
    }

    // The lookup's display text is read when its key changes, not when any
    // other field of the row does (a renamed tax code shows only then).
    void lookupReadsOnKeyChange() {
        TScriptedMessages msgs;
        F.Dm().ExecSQL(
            "INSERT INTO AR_ACCT (ID, NICKNAME, SYS_TREEVIEW_ID, PRICENO, SYS_TAX_ID) VALUES (1, "
            "'A', 2, 0, 1)");
        auto w = OpenBrowser<TfmCust>();
        QVERIFY(w->Child_CDS->Locate("ID", 1));
        const QString shown = w->pnTax->BtnEdit()->text();
        QVERIFY(!shown.isEmpty());
        F.Dm().ExecSQL("UPDATE SYS_TAX SET NAME='Renamed' WHERE ID=1");
        QTest::keyClicks(w->pnName->Edit(), "Alpha Co");
        QCOMPARE(w->Child_CDS->FieldByName("NAME")->AsString(), QString("Alpha Co"));
        QCOMPARE(w->pnTax->BtnEdit()->text(), shown);  // not read again
        w->Child_CDS->FieldByName("SYS_TAX_ID")->SetValue(2);
        QCOMPARE(w->pnTax->BtnEdit()->text(),
                 F.Dm().SelectValue("SELECT NAME FROM SYS_TAX WHERE ID=2").toString());
        w->Child_CDS->FieldByName("SYS_TAX_ID")->SetValue(1);
        QCOMPARE(w->pnTax->BtnEdit()->text(), QString("Renamed"));
        w->Command("Child_Cancel")->trigger();
        QVERIFY(msgs.Shown.isEmpty());
    }

    void pickerPlacement() {
        const QRect work(0, 0, 1000, 700);
        // Room below: under the control.
        QCOMPARE(PlacePicker(QRect(100, 100, 150, 20), 200, 163, work), QRect(100, 120, 200, 163));
        // Near the bottom: above the control.
        QCOMPARE(PlacePicker(QRect(100, 650, 150, 20), 200, 163, work), QRect(100, 487, 200, 163));
        // No room above either: bottom-aligned to the work area.
        QCOMPARE(PlacePicker(QRect(0, 100, 150, 20), 200, 650, work), QRect(0, 50, 200, 650));
        // Kept inside on the right.
        QCOMPARE(PlacePicker(QRect(900, 100, 50, 20), 200, 163, work), QRect(800, 120, 200, 163));
        // Default size from the control's width.
        QCOMPARE(PlacePicker(QRect(0, 0, 40, 20), 0, 0, work).size(), QSize(60, 37));
    }

    void pickerByKeyAndByLetter() {
        TScriptedMessages msgs;
        F.Dm().ExecSQL("INSERT INTO SYS_TAX (ID, NAME, RATE) VALUES (10, 'kiwi tax', 1)");
        F.Dm().ExecSQL("INSERT INTO SYS_TAX (ID, NAME, RATE) VALUES (11, 'KIWI TAX', 2)");
        F.Dm().ExecSQL("INSERT INTO SYS_TAX (ID, NAME, RATE) VALUES (12, 'Kiwi Tax', 3)");
        F.Dm().ExecSQL(
            "UPDATE SYS_OBJECT SET LOOKUPWIDTH=639 WHERE OBJECT='SYS_TAX' AND FIELD='NAME'");
        F.Dm().ExecSQL(
            "UPDATE SYS_OBJECT SET LOOKUPWIDTH=640, TITLE='Rate' WHERE OBJECT='SYS_TAX' AND "
            "FIELD='RATE'");
        auto w = OpenBrowser<TfmCust>();
        w->Command("Child_New")->trigger();
        w->Child_CDS->FieldByName("SYS_TAX_ID")->SetValue(2);
        // A known key: the whole list, that row current, an empty search box.
        OnPicker([](TfmPnFKey* p) {
            QCOMPARE(p->edLookFor->text(), QString());
            QCOMPARE(p->CDS->RecordCount(), 7);
            QCOMPARE(p->CDS->FieldByName("ID")->AsInteger(), 2);
            QVERIFY(p->DBGrid1->horizontalHeader()->isSectionHidden(0));
            QCOMPARE(p->DBGrid1->horizontalHeader()->sectionSize(1), 639);
            QCOMPARE(p->DBGrid1->horizontalHeader()->sectionSize(2), 100);  // 640 gives 100
            QCOMPARE(p->DBGrid1->Title(2), QString("Rate"));
            QTest::keyClick(p->edLookFor, Qt::Key_Escape);
        });
        w->pnTax->SearchClick();
        QCOMPARE(w->Child_CDS->FieldByName("SYS_TAX_ID")->AsInteger(), 2);
        // A typed letter: only rows with k or K, the caret after it.
        OnPicker([](TfmPnFKey* p) {
            QCOMPARE(p->edLookFor->text(), QString("k"));
            QCOMPARE(p->edLookFor->cursorPosition(), 1);
            QCOMPARE(Column(p->CDS, "NAME"), (QStringList{"kiwi tax", "KIWI TAX", "Kiwi Tax"}));
            QCOMPARE(p->lbCount->text(), QString("(3)"));
            QTest::keyClicks(p->edLookFor, "iwi t");
            // Letters match whatever their case.
            QCOMPARE(Column(p->CDS, "NAME"), (QStringList{"kiwi tax", "KIWI TAX", "Kiwi Tax"}));
            QVERIFY(p->edLookFor->toolTip().contains("UPPER(NAME) LIKE '%KIWI T%'"));
            QTest::keyClick(p->edLookFor, Qt::Key_Down);
            QTest::keyClick(p->edLookFor, Qt::Key_Return);
        });
        QTest::keyClick(w->pnTax->BtnEdit(), Qt::Key_K);
        QCOMPARE(w->Child_CDS->FieldByName("SYS_TAX_ID")->AsInteger(), 11);
        QCOMPARE(w->pnTax->BtnEdit()->text(), QString("KIWI TAX"));
        // Enter on an empty list changes nothing and leaves the picker open.
        OnPicker([](TfmPnFKey* p) {
            QTest::keyClicks(p->edLookFor, "zzz");
            QCOMPARE(p->CDS->RecordCount(), 0);
            QTest::keyClick(p->edLookFor, Qt::Key_Return);
            QVERIFY(p->isVisible());
            // A click elsewhere ends it; a resized column is remembered.
            p->DBGrid1->horizontalHeader()->resizeSection(1, 222);
            QWidget* other = p->parentWidget()->window();
            other->activateWindow();
            QCoreApplication::postEvent(p, new QEvent(QEvent::WindowDeactivate));
        });
        QTest::keyClick(w->pnTax->BtnEdit(), Qt::Key_Z);
        QCOMPARE(w->Child_CDS->FieldByName("SYS_TAX_ID")->AsInteger(), 11);
        QCOMPARE(
            F.Dm()
                .SelectValue(
                    "SELECT LOOKUPWIDTH FROM SYS_OBJECT WHERE OBJECT='SYS_TAX' AND FIELD='NAME'")
                .toInt(),
            222);
        w->Command("Child_Cancel")->trigger();
    }

    // A quick typist's keys reach the picker's search box in order, also those
    // that arrive at the field before the picker has taken the focus, and
    // Return then picks the customer they name.
    void pickerTakesKeysTypedAhead() {
        TScriptedMessages msgs;
        F.Dm().ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME) VALUES (41, 'Hotel Sun')");
        F.Dm().ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME) VALUES (42, 'Arbor Lane')");
        F.Dm().ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME) VALUES (43, 'Hrvat Trade')");
        F.Dm().ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME) VALUES (44, 'Harbour Foods')");
        auto w = OpenBrowser<TfmArTran>();
        w->Command("Child_New")->trigger();
        QLineEdit* field = w->pnCust->BtnEdit();
        field->setFocus();
        // The keys after the first are already waiting for the field when the
        // first one opens the picker.
        for (const QChar c : QString("arbo")) {
            const int key = c.toUpper().unicode();
            QCoreApplication::postEvent(field, new QKeyEvent(QEvent::KeyPress, key, {}, c));
            QCoreApplication::postEvent(field, new QKeyEvent(QEvent::KeyRelease, key, {}, c));
        }
        QCoreApplication::postEvent(field, new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, {}));
        QCoreApplication::postEvent(field, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, {}));
        // Should a key have opened a picker of its own, nothing would close it.
        QMetaObject::invokeMethod(
            field,
            [&w]() {
                for (TfmPnFKey* p : w->pnCust->findChildren<TfmPnFKey*>())
                    if (p->IsOpen()) p->Close(TfmPnFKey::prCancelled);
            },
            Qt::QueuedConnection);
        QTest::keyClick(field, 'H');
        QCoreApplication::processEvents();
        QCOMPARE(w->Child_CDS->FieldByName("AR_ACCT_ID")->AsInteger(), 44);
        QCOMPARE(field->text(), QString("Harbour Foods"));
        w->Command("Child_Save")->trigger();
        QCOMPARE(F.Value("SELECT COUNT(*) FROM AR_TRAN WHERE AR_ACCT_ID=44"), QString("1"));
        QCOMPARE(msgs.Take(), QStringList());
    }

    void pinyinSearch() {
        F.Dm().PinyinSearch = true;
        F.Dm().ExecSQL(
            QString::fromUtf8("INSERT INTO SYS_TAX (ID, NAME, RATE) VALUES (20, '增值税', 13)"));
        auto w = OpenBrowser<TfmCust>();
        w->Command("Child_New")->trigger();
        OnPicker([](TfmPnFKey* p) {
            QCOMPARE(Column(p->CDS, "NAME"), QStringList{QString::fromUtf8("增值税")});
            QVERIFY(p->DBGrid1->horizontalHeader()->isSectionHidden(3));  // the pinyin columns
            QTest::keyClick(p->edLookFor, Qt::Key_Return);
        });
        QTest::keyClicks(w->pnTax->BtnEdit(), "z");  // ZZS
        QCOMPARE(w->Child_CDS->FieldByName("SYS_TAX_ID")->AsInteger(), 20);
        w->Command("Child_Cancel")->trigger();
    }

    // The picker's initials are the database's PY function, character for character.
    void pinyinInitialsAsDatabase_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("hanzi") << QString::fromUtf8("茉莉花茶");
        QTest::newRow("mixed") << QString::fromUtf8("北京 Trading 公司 No.5");
        QTest::newRow("latin, digits") << QString::fromUtf8("Café 42, x-1/2");
        QTest::newRow("empty") << QString("");
        // Traditional, second-level, extension A, beyond the basic plane, kana, full width.
        QTest::newRow("outside first level") << QString::fromUtf8("體驗 亍 㐀 𠀀😀 ア Ａ 啊座");
        QString all;
        for (char32_t c = 1; c <= 0xFFFF; ++c)
            if (c < 0xD800 || c > 0xDFFF) all += QString::fromUcs4(&c, 1);
        QTest::newRow("every character of the basic plane") << all;
    }

    void pinyinInitialsAsDatabase() {
        QFETCH(QString, text);
        // The function takes at most 2000 characters at a time.
        const QList<uint> chars = text.toUcs4();
        QString database;
        for (qsizetype at = 0; at < chars.size() || at == 0; at += 2000) {
            const QList<uint> part = chars.mid(at, 2000);
            const QString piece =
                QString::fromUcs4(reinterpret_cast<const char32_t*>(part.constData()), part.size());
            database += F.Dm().SelectValue("SELECT PY(:T) FROM SYS", {{"T", piece}}).toString();
        }
        QCOMPARE(PinyinInitials(text), database);
    }

    // Typed initials find a product through the picker; the initials are
    // worked out for text columns only, and the rows stay as read.
    void pinyinSearchProducts() {
        F.Dm().PinyinSearch = true;
        F.Dm().ExecSQL(QString::fromUtf8(
            "INSERT INTO IC_ITEM (ID, ITEMNO, NAME, PRICE0) VALUES (1, 'P-1', '红茶叶', 12.5)"));
        F.Dm().ExecSQL(
            "INSERT INTO IC_ITEM (ID, ITEMNO, NAME, PRICE0) VALUES (2, 'P-2', 'Jasmine Rice', 3)");
        TOpenSet lines(F.Dm(), "SELECT * FROM AR_TRANITEM");
        TPnFkey fk;
        fk.SetDataField("IC_ITEM_ID");
        fk.SetDataSource(&lines.Ds);
        fk.LookupSQL = "SELECT ID,ITEMNO,NAME,PRICE0 FROM IC_ITEM";
        fk.Loaded();
        fk.show();
        lines.Cds.Append();
        OnPicker([](TfmPnFKey* p) {
            QVERIFY(p->CDS->FindField("PY_2"));
            QVERIFY(!p->CDS->FindField("PY_3"));  // the price
            QTest::keyClicks(p->edLookFor, "cY");
            QCOMPARE(Column(p->CDS, "NAME"), QStringList{QString::fromUtf8("红茶叶")});
            QCOMPARE(p->CDS->ChangeCount(), 0);
            QTest::keyClick(p->edLookFor, Qt::Key_Return);
        });
        QTest::keyClicks(fk.BtnEdit(), "h");
        QCOMPARE(lines.Cds.FieldByName("IC_ITEM_ID")->AsInteger(), 1);
    }

    void returnSelectionDataField1() {
        TScriptedMessages msgs;
        TOpenSet cdsSet(F.Dm(), "SELECT * FROM AR_TRANITEM");
        TClientDataSet& cds = cdsSet.Cds;
        TDataSource& ds = cdsSet.Ds;
        TPnFkey fk;
        fk.setObjectName("pnItem");
        fk.SetDataField("IC_ITEM_ID");
        fk.SetDataSource(&ds);
        fk.LookupSQL = "SELECT ID,ITEMNO,NAME,PRICE0 FROM IC_ITEM";
        fk.Loaded();
        QCOMPARE(fk.LookupTable(), QString("IC_ITEM"));
        QCOMPARE(fk.Fields(), (QStringList{"ID", "ITEMNO", "NAME", "PRICE0"}));
        cds.Append();
        const QVariantList row = {7, "P-7", "Widget", QVariant::fromValue(TMoney(125000))};
        fk.DataField1 = "ITEMDESC";  // one field: the display column
        fk.ReturnSelection(row);
        QCOMPARE(cds.FieldByName("IC_ITEM_ID")->AsInteger(), 7);
        QCOMPARE(cds.FieldByName("ITEMDESC")->AsString(), QString("P-7"));
        fk.DataField1 = "IC_ITEM_ITEMNO, ITEMDESC,PRICE";
        fk.ReturnSelection(row);
        QCOMPARE(cds.FieldByName("ITEMDESC")->AsString(), QString("Widget"));
        QCOMPARE(cds.FieldByName("PRICE")->AsMoney(), TMoney(125000));
        fk.DataField1 = ",,PRICE";
        cds.FieldByName("ITEMDESC")->SetValue("kept");
        fk.ReturnSelection(row);
        QCOMPARE(cds.FieldByName("ITEMDESC")->AsString(), QString("kept"));
        fk.DataField1 = "A,B,C,D";
        cds.FieldByName("IC_ITEM_ID")->Clear();
        fk.ReturnSelection(row);
        QCOMPARE(msgs.Take(),
                 QStringList{"pnItem.DataField1 (A,B,C,D) has more columns than lookup fields."});
        QCOMPARE(cds.FieldByName("IC_ITEM_ID")->AsInteger(), 7);  // the key is still copied
    }

    void detailLines() {
        TScriptedMessages msgs;
        F.Dm().ExecSQL(
            "INSERT INTO AR_TRAN (ID, INVOICENO, SYS_TREEVIEW_ID) SELECT 1, 'INV1', ID FROM "
            "SYS_TREEVIEW WHERE TABLENAME='AR_TRAN' AND CAPTION='General'");
        for (const char* v : {"(1, 1, 'a')", "(1, 2, 'b')", "(1, 7, 'g')"})
            F.Dm().ExecSQL(
                QString("INSERT INTO AR_TRANITEM (AR_TRAN_ID, LINE, ITEMDESC) VALUES %1").arg(v));
        auto w = OpenBrowser<TLinesBrowser>();
        QCOMPARE(w->Sub_CDS->RecordCount(), 3);
        QCOMPARE(TfmChild::GetNewLine(w->Sub_CDS, "LINE"), 8);
        QVERIFY(w->Part<QToolButton>("ItemBtnNew")->isEnabled() &&
                w->Part<QToolButton>("ItemBtnDel")->isEnabled() &&
                !w->Part<QToolButton>("ItemBtnSave")->isEnabled());
        w->Part<QToolButton>("ItemBtnNew")->click();
        QCOMPARE(w->Sub_CDS->FieldByName("LINE")->AsInteger(), 8);
        QVERIFY(w->Part<QToolButton>("ItemBtnSave")->isEnabled() &&
                !w->Part<QToolButton>("ItemBtnNew")->isEnabled());
        QVERIFY(!w->Grid()->isEnabled() && !w->Part<QToolBar>("ToolBar2")->isEnabled());
        QCOMPARE(w->Part<QLabel>("lbChildName")->text(),
                 w->windowTitle() + " - Sub table in editing mode ...");
        w->Sub_CDS->FieldByName("ITEMDESC")->SetValue("h");
        w->Part<QToolButton>("ItemBtnSave")->click();
        QVERIFY(msgs.Shown.isEmpty());
        QCOMPARE(Count("SELECT COUNT(*) FROM AR_TRANITEM WHERE AR_TRAN_ID=1 AND LINE=8"), 1);
        QVERIFY(w->Grid()->isEnabled());
        QCOMPARE(w->Part<QLabel>("lbChildName")->text(), w->windowTitle());
        // Delete asks with the line's name.
        w->Sub_CDS->Last();
        msgs.Answers = {true};
        w->Part<QToolButton>("ItemBtnDel")->click();
        QCOMPARE(msgs.Take(), QStringList{"Are you sure to delete: h"});
        QCOMPARE(w->Sub_CDS->RecordCount(), 3);
        // While the master row is being inserted, no lines.
        w->Command("Child_New")->trigger();
        QVERIFY(!w->Part<QToolButton>("ItemBtnNew")->isEnabled() &&
                !w->Part<QToolButton>("ItemBtnDel")->isEnabled() &&
                !w->Part<QToolButton>("ItemBtnPrior")->isEnabled() &&
                !w->Part<QToolButton>("ItemBtnNext")->isEnabled());
        w->Command("Child_Cancel")->trigger();
        QVERIFY(w->Part<QToolButton>("ItemBtnNew")->isEnabled());
        // Lines all null: the next is 1.
        F.Dm().ExecSQL("UPDATE AR_TRANITEM SET LINE=NULL");
        w->Sub_CDS->Refresh();
        QCOMPARE(TfmChild::GetNewLine(w->Sub_CDS, "LINE"), 1);
        // A new line with no master row.
        F.Dm().ExecSQL("DELETE FROM AR_TRANITEM");
        F.Dm().ExecSQL("DELETE FROM AR_TRAN");
        w->Command("MenuItem_TVRefresh")->trigger();
        w->SubBtnNewClick();
        QCOMPARE(w->Sub_CDS->State(), TDataSetState::Browse);
        QVERIFY(!w->Part<QToolButton>("ItemBtnNew")->isEnabled());
    }

    void customerDefaults() {
        F.Dm().ExecSQL(
            "INSERT INTO AR_ACCT (ID, NICKNAME, DISCTRATE, PRICENO, SYS_TAX_ID) VALUES (1, 'A', "
            "7.5, 2, 3)");
        F.Dm().ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME) VALUES (2, 'Nulls')");
        double disc = -1;
        int priceNo = -1;
        F.Dm().GetDefaultValueFromArAcct(1, disc, priceNo);
        QCOMPARE(disc, 7.5);
        QCOMPARE(priceNo, 2);
        F.Dm().GetDefaultValueFromArAcct(2, disc, priceNo);
        QCOMPARE(disc, 0.0);
        QCOMPARE(priceNo, 0);
        F.Dm().GetDefaultValueFromArAcct(99, disc, priceNo);
        QCOMPARE(priceNo, 0);
        QCOMPARE(F.Dm().GetArAcctTaxId(1), 3);
        QCOMPARE(F.Dm().GetArAcctTaxId(2), 0);
        QCOMPARE(F.Dm().GetArAcctTaxId(99), 0);
        // The Default Price group shows and stores the level.
        F.Dm().ExecSQL("UPDATE AR_ACCT SET SYS_TREEVIEW_ID=2");
        auto w = OpenBrowser<TfmCust>();
        QVERIFY(w->Child_CDS->Locate("ID", 1));
        QCOMPARE(w->rgPriceNo->ItemIndex(), 2);
        w->rgPriceNo->SetItemIndex(1);
        w->Command("Child_Save")->trigger();
        QCOMPARE(Count("SELECT PRICENO FROM AR_ACCT WHERE ID=1"), 1);
    }

    void dictionaryWindow() {
        TScriptedMessages msgs;
        TfmSysDict d;
        d.OpenSets();
        QVERIFY(d.Dict_CDS->Locate("NAME", "Customer Grade"));
        QCOMPARE(Column(d.Val_CDS, "DICTVAL"), (QStringList{"A", "B", "C"}));
        d.Edit1->clear();
        d.NewClick();
        QCOMPARE(msgs.Take(), QStringList{"Newcannot be empty"});
        d.Edit1->setText("B");
        d.NewClick();
        QCOMPARE(msgs.Take(), QStringList{"B already exists"});
        d.Edit1->setText("D");
        d.NewClick();
        QCOMPARE(msgs.Take().join("|"), QString());
        QCOMPARE(Count("SELECT COUNT(*) FROM SYS_DICTVAL WHERE DICTID=2 AND DICTVAL='D'"), 1);
        QCOMPARE(d.Val_CDS->RecordCount(), 4);
        // The same text in another dictionary is fine.
        QVERIFY(d.Dict_CDS->Locate("NAME", "Packing"));
        d.Edit1->setText("D");
        d.NewClick();
        QCOMPARE(Count("SELECT COUNT(*) FROM SYS_DICTVAL WHERE DICTVAL='D'"), 2);
        // Modify to the value it already has is refused; a new text is written.
        QVERIFY(d.Val_CDS->Locate("DICTVAL", "Bag"));
        QCOMPARE(d.Edit1->text(), QString("Bag"));
        d.ModifyClick();
        QCOMPARE(msgs.Take(), QStringList{"Bag already exists"});
        d.Edit1->setText("Sack");
        d.ModifyClick();
        QCOMPARE(Count("SELECT COUNT(*) FROM SYS_DICTVAL WHERE DICTVAL='Sack'"), 1);
        // A value the database refuses is reported, not left pending.
        d.Edit1->setText(QString(150, 'x'));
        d.NewClick();
        QCOMPARE(msgs.Shown.size(), 1);
        QCOMPARE(msgs.Take()[0],
                 QString("[Value] The text is too long: at most 100 characters fit, 150 were "
                         "given."));
        QCOMPARE(d.Val_CDS->ChangeCount(), 0);
        // Delete asks first.
        QVERIFY(d.Val_CDS->Locate("DICTVAL", "Sack"));
        msgs.Answers = {true};
        d.DeleteClick();
        QCOMPARE(msgs.Take(), QStringList{"Are you sure to delete Sack"});
        QCOMPARE(Count("SELECT COUNT(*) FROM SYS_DICTVAL WHERE DICTVAL='Sack'"), 0);
    }

    void banksPaymentsPurchases() {
        TScriptedMessages msgs;
        auto banks = OpenBrowser<TfmCBAcct>();
        // A tree with tag 1 never lists its root.
        banks->Tree()->setCurrentItem(RootOf(banks->Tree()));
        QCOMPARE(NodeData(banks->Tree()->currentItem()).Caption, QString("Bank Accounts"));
        banks->Command("Child_New")->trigger();
        QTest::keyClicks(banks->pnName->Edit(), "Cheque Account");
        banks->Command("Child_Save")->trigger();
        QCOMPARE(Count("SELECT COUNT(*) FROM CB_ACCT WHERE NAME='Cheque Account'"), 1);

        // Choosing a transaction type copies its factor.
        auto pay = OpenBrowser<TfmCBTran>();
        pay->Command("Child_New")->trigger();
        OnPicker([](TfmPnFKey* p) {
            QCOMPARE(Column(p->CDS, "NAME"),
                     (QStringList{"Money In", "Money Out", "Bank Charges"}));
            p->CDS->Locate("NAME", "Money Out");
            QTest::keyClick(p->DBGrid1, Qt::Key_Return);
        });
        pay->pnType->SearchClick();
        QCOMPARE(pay->Child_CDS->FieldByName("CB_TRANTYPE_FACTOR")->AsInteger(), -1);
        QCOMPARE(pay->pnType->BtnEdit()->text(), QString("Money Out"));
        pay->Command("Child_Cancel")->trigger();

        // A purchase: its number, its type's factor, and a line.
        auto buy = OpenBrowser<TfmICBatch>();
        buy->Command("Child_New")->trigger();
        const QString today = QDate::currentDate().toString("yyyyMMdd");
        QCOMPARE(buy->Child_CDS->FieldByName("BATCHNO")->AsString(), "PO" + today + "0001");
        buy->pnType->ReturnSelection({2, "Stock Adjustment", -1});
        QCOMPARE(buy->Child_CDS->FieldByName("IC_BATCHTYPE_FACTOR")->AsInteger(), -1);
        buy->Command("Child_Save")->trigger();
        QCOMPARE(msgs.Take().join("|"), QString());
        F.Dm().ExecSQL("INSERT INTO IC_ITEM (ID, ITEMNO, NAME) VALUES (1, 'P1', 'Widget')");
        buy->Part<QToolButton>("ItemBtnNew")->click();
        QCOMPARE(buy->pnLine->Text(), QString("1"));
        buy->pnItem->ReturnSelection({1, "Widget", "P1"});
        QTest::keyClicks(static_cast<QLineEdit*>(buy->findChild<TPnDbEdit*>("pnQTY")->Editor()),
                         "12.5");
        buy->Part<QToolButton>("ItemBtnSave")->click();
        QCOMPARE(msgs.Take().join("|"), QString());
        QCOMPARE(F.Dm()
                     .SelectValue(
                         "SELECT CAST(QTY AS VARCHAR(20)) FROM IC_BATCHITEM WHERE IC_ITEM_ID=1 AND "
                         "IC_BATCH_ID=(SELECT ID FROM IC_BATCH)")
                     .toString(),
                 QString("12.5000"));
        QCOMPARE(buy->Sub_CDS->RecordCount(), 1);
        QCOMPARE(buy->pnItem->BtnEdit()->text(), QString("Widget"));
    }

    void todoWindow() {
        TScriptedMessages msgs;
        F.Dm().ExecSQL("INSERT INTO SYS_USER (ID, CODE, NAME) VALUES (5, 'ANN', 'Ann')");
        F.Dm().ExecSQL(
            "INSERT INTO SYS_USER_TODO (ID, SYS_USER_ID, SUBJECT) VALUES (100, 5, 'Ann''s task')");
        TfmUserTodo w;
        w.resize(800, 600);
        w.show();
        w.ShowTasksOf(0);
        QCOMPARE(w.Child_CDS->RecordCount(), 0);
        w.Command("Child_New")->trigger();
        QTest::keyClicks(w.pnSubject->Edit(), "Call the bank");
        w.Command("Child_Save")->trigger();
        QCOMPARE(msgs.Take().join("|"), QString());
        QCOMPARE(Count("SELECT SYS_USER_ID FROM SYS_USER_TODO WHERE SUBJECT='Call the bank'"), 0);
        QCOMPARE(w.Child_CDS->FieldByName("CREATEDATE")->AsDate(), QDate::currentDate());
        w.ShowTasksOf(5);
        QCOMPARE(Column(w.Child_CDS, "SUBJECT"), QStringList{"Ann's task"});
        // The subject runs to 20 pixels short of the panel's edge.
        QCOMPARE(w.pnSubject->x() + w.pnSubject->width(), w.Part<QGroupBox>("gb0")->width() - 20);
    }
};

QTEST_MAIN(TstControls)
#include "tst_controls.moc"
