// User-defined fields as the administrator makes them: the grid's "Design
// Fields", the fields designer and its wizard, the new column in the
// customers window, and the database after each step.

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest>

#include "TClientDataSet.h"
#include "TDbGridModel.h"
#include "TestSupport.h"
#include "uCust.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uMain.h"
#include "uPnBase.h"
#include "uPnFkey.h"
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

void Click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

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
        FDm->ForEachRow("SELECT TRIM(RDB$FIELD_NAME) FROM RDB$RELATION_FIELDS WHERE "
                        "RDB$RELATION_NAME='" + table + "' ORDER BY RDB$FIELD_POSITION",
                        [&out](const TFbQuery& q) { out << q.AsString(0); });
        return out;
    }

    // Everything a field leaves behind: columns, metadata, value lists and
    // template elements.
    QString Footprint() {
        return Columns("AR_ACCT").join(',') + " | " +
               Value("SELECT COUNT(*) FROM SYS_OBJECT") + " | " +
               Value("SELECT COUNT(*) FROM SYS_DICT") + " | " +
               Value("SELECT COUNT(*) FROM SYS_DICTVAL") + " | " +
               Value("SELECT COUNT(*) FROM SO_DOTEMPLATEFIELD");
    }

    TfmCust* Customers() {
        FDm->ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME, NAME, SYS_TREEVIEW_ID) VALUES "
                     "(1, 'Acme', 'Acme Trading', 2)");
        FDm->ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME, NAME, SYS_TREEVIEW_ID) VALUES "
                     "(2, 'Birch', 'Birch Ltd', 2)");
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
        ChooseInGridMenu(w->DBGrid1, w->PopupDbGrid, {"Design Fields"});
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
        const int sheet = w->pg->indexOf(w->pgTsUdf[0]);
        QVERIFY(w->pg->isTabVisible(sheet));
        QCOMPARE(w->pg->tabText(sheet), QString("Delivery"));
        auto* pn = w->UdfGb[0]->findChild<TPnBase*>("pnROUTE");
        QVERIFY(pn);
        QCOMPARE(pn->Caption(), QString("Route"));
        TDbGridModel* m = w->DBGrid1->GridModel();
        const int col = m->ColumnOfField(w->Child_CDS->FieldByName("ROUTE"));
        QVERIFY(col >= 0);
        QCOMPARE(m->headerData(col, Qt::Horizontal).toString(), QString("Route"));
        QVERIFY(w->cbCon1->findText("Route") >= 0);

        w->pg->setCurrentIndex(sheet);
        QVERIFY(w->pnUdf1->isVisible());
        Retype(pn->Editor(), "North");
        w->Child_Save->trigger();
        QCOMPARE(msgs.Take(), QStringList());
        const QString id = w->Child_CDS->FieldByName("ID")->AsString();
        QCOMPARE(Value("SELECT ROUTE FROM AR_ACCT WHERE ID=" + id), QString("North"));
        w->MenuItem_TVRefreshClick();
        QVERIFY(w->Child_CDS->Locate("ID", id.toInt()));
        QCOMPARE(pn->Text(), QString("North"));
    }
};

QTEST_MAIN(TstUdf)
#include "tst_udf.moc"
