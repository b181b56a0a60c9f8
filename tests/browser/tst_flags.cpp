// Record flags as a user sets them: marking invoices with Ctrl-click, the
// grid's "Set Flag" menu, the flag's icon in the grid, new and deleted flags.

#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include "TClientDataSet.h"
#include "TDbGridModel.h"
#include "TestSupport.h"
#include "uArTran.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uFlags.h"
#include "uLogin.h"
#include "uMain.h"
#include "uStartup.h"

class TstFlags : public QObject {
    Q_OBJECT

private:
    TProgramFixture FProgram;
    TfmMain* FMain = nullptr;
    TdmMain* FDm = nullptr;

    QString Value(const QString& sql) { return FDm->SelectValue(sql).toString(); }

    TfmArTran* InvoicesMarked(const QList<int>& rows) {
        for (int i = 1; i <= 3; ++i)
            FDm->ExecSQL(QString("INSERT INTO AR_TRAN (ID, INVOICENO, INVOICEDATE, "
                                 "AR_TRANTYPE_ID, SYS_TREEVIEW_ID) VALUES (%1, 'INV-%1', "
                                 "'2026-12-01', 1, 10)")
                             .arg(i));
        FMain->Command("Ar_Tran")->trigger();
        TfmArTran* w = FMain->fmArTran;
        TDbGrid* g = w->Grid();
        for (int row : rows)
            QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::ControlModifier,
                              g->visualRect(g->model()->index(row, 1)).center());
        return w;
    }

    // The grid's menu by the right mouse button, then path chosen by keyboard.
    void GridMenu(TfmArTran* w, const QStringList& path, int row = 0,
                  Qt::KeyboardModifiers mods = Qt::NoModifier) {
        ChooseInGridMenu(w->Grid(), w->Part<QMenu>("PopupDbGrid"), path, row, mods);
    }

    QModelIndex FlagCell(TfmArTran* w, int row) {
        TDbGridModel* m = w->Grid()->GridModel();
        const int col = m->ColumnOfField(w->Child_CDS->FieldByName("SYS_TABLEFLAG_ID"));
        return col < 0 ? QModelIndex() : m->index(row, col);
    }

private slots:
    void init() {
        QVERIFY(FProgram.Start());
        FMain = FProgram.Main();
        FDm = FProgram.Dm();
    }

    void cleanup() { FProgram.Stop(); }

    // The menu opened by a right-click (with Ctrl held or not) on either
    // marked row: the marks stay as they are.
    void flagMarkedRows_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("mods");
        QTest::newRow("right-click on the first") << 0 << int(Qt::NoModifier);
        QTest::newRow("right-click on the last") << 2 << int(Qt::NoModifier);
        QTest::newRow("Ctrl+right-click") << 2 << int(Qt::ControlModifier);
    }

    // Two marked invoices flagged red: both rows by key, the third not; the
    // grid shows the icon and no number; "Clear Flag" stores 0 and blanks it.
    void flagMarkedRows() {
        QFETCH(int, row);
        QFETCH(int, mods);
        TScriptedMessages msgs;
        TfmArTran* w = InvoicesMarked({0, 2});
        const QString red = Value("SELECT ID FROM SYS_TABLEFLAG WHERE TITLE='Red Flag'");
        const QString first = w->Child_CDS->KeyOfRow(0).toString();
        const QString third = w->Child_CDS->KeyOfRow(2).toString();
        GridMenu(w, {"Set Flag", "Red Flag"}, row, Qt::KeyboardModifiers(mods));
        QCOMPARE(w->Grid()->SelectedRows().Count(), 2);
        QCOMPARE(Value("SELECT SYS_TABLEFLAG_ID FROM AR_TRAN WHERE ID=" + first), red);
        QCOMPARE(Value("SELECT SYS_TABLEFLAG_ID FROM AR_TRAN WHERE ID=" + third), red);
        QCOMPARE(Value("SELECT COUNT(*) FROM AR_TRAN WHERE SYS_TABLEFLAG_ID IS NOT NULL"),
                 QString("2"));
        const QModelIndex cell = FlagCell(w, 0);
        QVERIFY(cell.isValid());
        QCOMPARE(cell.data(Qt::DisplayRole).toString(), QString());
        QVERIFY(!cell.data(Qt::DecorationRole).value<QPixmap>().isNull());
        QVERIFY(!FlagCell(w, 1).data(Qt::DecorationRole).isValid());

        GridMenu(w, {"Set Flag", "Clear Flag"}, row, Qt::KeyboardModifiers(mods));
        QCOMPARE(Value("SELECT SYS_TABLEFLAG_ID FROM AR_TRAN WHERE ID=" + first), QString("0"));
        QCOMPARE(Value("SELECT SYS_TABLEFLAG_ID FROM AR_TRAN WHERE ID=" + third), QString("0"));
        QCOMPARE(FlagCell(w, 0).data(Qt::DisplayRole).toString(), QString());
        QVERIFY(!FlagCell(w, 0).data(Qt::DecorationRole).isValid());
        QCOMPARE(msgs.Take(), QStringList());
    }

    // "New>>>": the name, the set "Stars" and its fourth icon store 10 and 3,
    // and the flag is in the menu next time; a blank name is refused;
    // "Delete>>>" refuses a system flag and deletes the new one.
    void newAndDeletedFlags() {
        TScriptedMessages msgs;
        TfmArTran* w = InvoicesMarked({1});
        bool made = false;
        OnNextModal([&](QWidget* d) {
            auto* dlg = qobject_cast<TfmFlag*>(d);
            QVERIFY2(dlg, "the new-flag dialog opened");
            QCOMPARE(dlg->windowTitle(), QString("Setup Flags"));
            dlg->ButtonedEdit1->clear();
            QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
            QCOMPARE(msgs.Take(), QStringList{"Flag Name cannot be blank"});
            QTest::keyClicks(dlg->ButtonedEdit1, "Call back");
            dlg->cbImg->setFocus();
            while (dlg->cbImg->currentText() != "Stars") QTest::keyClick(dlg->cbImg, Qt::Key_Down);
            QCOMPARE(dlg->ListView1->count(), 8);
            QTest::mouseClick(dlg->ListView1->viewport(), Qt::LeftButton, {},
                              dlg->ListView1->visualItemRect(dlg->ListView1->item(3)).center());
            QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
            made = true;
        });
        GridMenu(w, {"Set Flag", "New>>>"});
        QVERIFY(made);
        QCOMPARE(Value("SELECT TABLENAME || ',' || IMGID || ',' || IMGIDX || ',' || "
                       "COALESCE(READONLY, 0) FROM SYS_TABLEFLAG WHERE TITLE='Call back'"),
                 QString("AR_TRAN,10,3,0"));
        // The menu lists it now, and it flags the marked invoice.
        GridMenu(w, {"Set Flag", "Call back"});
        const QString id = Value("SELECT ID FROM SYS_TABLEFLAG WHERE TITLE='Call back'");
        QCOMPARE(Value("SELECT COUNT(*) FROM AR_TRAN WHERE SYS_TABLEFLAG_ID=" + id), QString("1"));

        // Cancel makes nothing.
        OnNextModal([](QWidget* d) {
            if (auto* dlg = qobject_cast<TfmFlag*>(d))
                QTest::mouseClick(dlg->BitBtn2, Qt::LeftButton);
        });
        GridMenu(w, {"Set Flag", "New>>>"});
        QCOMPARE(Value("SELECT COUNT(*) FROM SYS_TABLEFLAG WHERE TABLENAME='AR_TRAN'"),
                 QString("3"));

        OnNextModal([&](QWidget* d) {
            auto* dlg = qobject_cast<TfmFlagDel*>(d);
            QVERIFY2(dlg, "the delete-flags dialog opened");
            TDbGrid* g = dlg->DBGrid1;
            QCOMPARE(g->model()->rowCount(), 3);
            QTest::mouseClick(g->viewport(), Qt::LeftButton, {},
                              g->visualRect(g->model()->index(0, 0)).center());
            QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
            QCOMPARE(msgs.Take(), QStringList{"Cannot delete system flags"});
            QTest::mouseClick(g->viewport(), Qt::LeftButton, {},
                              g->visualRect(g->model()->index(2, 0)).center());
            msgs.Answers << true;
            QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
            QCOMPARE(msgs.Take(), QStringList{"Are you sure to delete: Call back"});
            QTest::mouseClick(dlg->BitBtn2, Qt::LeftButton);
        });
        GridMenu(w, {"Set Flag", "Delete>>>"});
        QCOMPARE(Value("SELECT COUNT(*) FROM SYS_TABLEFLAG WHERE TABLENAME='AR_TRAN'"),
                 QString("2"));
        // The invoice keeps the number of the flag it carried.
        QCOMPARE(Value("SELECT COUNT(*) FROM AR_TRAN WHERE SYS_TABLEFLAG_ID=" + id), QString("1"));
    }

    // The icon sets: fifteen named sets of eight, any other number the
    // menu's own three.
    void iconSets() {
        QCOMPARE(FlagSetNames().size(), 15);
        QCOMPARE(FlagSetNames()[9], QString("Stars"));
        for (int set : {1, 10, 15}) QVERIFY(!FlagIcon(set, 7).isNull());
        for (int set : {0, 16}) {
            QVERIFY(!FlagIcon(set, 2).isNull());
            QVERIFY(FlagIcon(set, 3).isNull());
        }
    }
};

QTEST_MAIN(TstFlags)
#include "tst_flags.moc"
