// Receipts and what is owed, through the running program: the paid amount
// follows every receipt written, a new receipt proposes what is still owed
// and is listed with the receipts, going to a receipt shows that receipt,
// and the invoice's computed amounts are shown, never typed.

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TestSupport.h"
#include "uArPay.h"
#include "uArTran.h"
#include "uCBTran.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uLogin.h"
#include "uMain.h"
#include "uStartup.h"
#include "uTreeView.h"

using TAnswer = TMessageService::TAnswer;

namespace {

void Click(TfmChild* w, QAction* a) {
    QWidget* b = w->Part<QToolBar>("ToolBar2")->widgetForAction(a);
    QVERIFY(b && b->isEnabled());
    QTest::mouseClick(b, Qt::LeftButton);
}

// Answers the receipt dialog: checks the amount proposed, picks the account
// and clicks Save.
void PayWithDialog(const QString& proposed) {
    OnNextModal([proposed](QWidget* dlg) {
        auto* pay = qobject_cast<TfmArPay*>(dlg);
        QVERIFY(pay);
        QCOMPARE(pay->CBTran_CDS->FieldByName("TRANAMT")->AsMoney().ToString(), proposed);
        pay->CBTran_CDS->FieldByName("CB_ACCT_ID")->SetValue(1);
        QTest::mouseClick(pay->BitBtn1, Qt::LeftButton);
    });
}

}  // namespace

class TstReceipts : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TTestFolder> FFolder;
    std::unique_ptr<TStartup> FStartup;
    TfmMain* FMain = nullptr;
    TdmMain* FDm = nullptr;

    QString Value(const QString& sql) {
        const QVariant v = FDm->SelectValue(sql);
        return v.userType() == qMetaTypeId<TMoney>() ? v.value<TMoney>().ToString() : v.toString();
    }

    // An invoice of 100 plus 7 % tax, typed into the invoice window.
    TfmArTran* Invoice() {
        FMain->Command("Ar_Tran")->trigger();
        TfmArTran* w = FMain->fmArTran;
        Click(w, w->Command("Child_New"));
        w->Child_CDS->FieldByName("AR_ACCT_ID")->SetValue(1);
        Click(w, w->Command("Child_Save"));
        w->Pages()->setCurrentWidget(w->Part<QWidget>("pgTsItems"));
        QTest::mouseClick(w->Part<QToolButton>("ItemBtnNew2"), Qt::LeftButton);
        Retype(EditorOf(w, "PRICE", w->Sub_DS), "100");
        QTest::mouseClick(w->Part<QToolButton>("ItemBtnSave"), Qt::LeftButton);
        return w;
    }

    void DoubleClickFirstReceipt(TfmArTran* w) {
        w->Pages()->setCurrentWidget(w->Part<QWidget>("pgTs1"));
        TDbGrid* g = w->dbGridReceipts;
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {},
                           g->visualRect(g->model()->index(0, 1)).center());
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
        FDm->ExecSQL("INSERT INTO SYS_TAX (ID, NAME, RATE, INCLUSIVE) VALUES (7, 'Seven', 7, 0)");
        FDm->ExecSQL(
            "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, SYS_TAX_ID) VALUES (1, 'Acme', 'Acme', 7)");
        FDm->ExecSQL("INSERT INTO CB_ACCT (ID, NAME, SYS_TREEVIEW_ID) VALUES (1, 'Cheque', 12)");
    }

    void cleanup() {
        FStartup.reset();
        FFolder.reset();
    }

    void paidFollowsReceipts() {
        TScriptedMessages msgs;
        TfmArTran* w = Invoice();
        const QString id = w->Child_CDS->FieldByName("ID")->AsString();
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(Value("SELECT AMTTOTAL||' '||AMTPAID FROM AR_TRAN"), QString("107.0000 0.0000"));

        PayWithDialog("107.0000");
        w->EnterNewReceipt1->trigger();
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(Value("SELECT AMTPAID FROM AR_TRAN"), QString("107.0000"));
        QCOMPARE(w->Child_CDS->FieldByName("AMTPAID")->AsMoney().ToString(), QString("107.0000"));
        // Listed with the receipts of the Payments window.
        QCOMPARE(Value("SELECT CAPTION FROM SYS_TREEVIEW T JOIN CB_TRAN C ON "
                       "C.SYS_TREEVIEW_ID=T.ID"),
                 QString("Receipts"));
        // Nothing more is owed: nothing more is proposed.
        OnNextModal([](QWidget* dlg) {
            auto* pay = qobject_cast<TfmArPay*>(dlg);
            QVERIFY(pay);
            QCOMPARE(pay->CBTran_CDS->FieldByName("TRANAMT")->AsMoney().ToString(),
                     QString("0.0000"));
            QTest::mouseClick(pay->BitBtn2, Qt::LeftButton);
        });
        w->EnterNewReceipt1->trigger();

        // The Payments window, never used yet, shows the receipt double-clicked.
        DoubleClickFirstReceipt(w);
        TfmCBTran* pay = FMain->fmCBTran;
        QCOMPARE(FMain->FrontWindow(), pay);
        QCOMPARE(pay->Child_CDS->RecordCount(), 1);
        QCOMPARE(pay->Child_CDS->FieldByName("AR_TRAN_ID")->AsString(), id);
        // A click on the folder still selected lists the folder again.
        QTreeWidget* tree = pay->Tree();
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualItemRect(tree->currentItem()).center());
        QCOMPARE(pay->Child_CDS->CommandText.contains("SYS_TREEVIEW_ID"), true);
        DoubleClickFirstReceipt(w);
        QCOMPARE(pay->Child_CDS->RecordCount(), 1);
        // Part of it was refunded: the paid amount follows, and the invoice
        // proposes what is owed again.
        Retype(EditorOf(pay, "TRANAMT"), "50");
        Click(pay, pay->Command("Child_Save"));
        QCOMPARE(msgs.Take(), QStringList());
        QCOMPARE(Value("SELECT AMTPAID FROM AR_TRAN"), QString("50.0000"));
        FMain->Command("Ar_Tran")->trigger();
        PayWithDialog("57.0000");
        w->EnterNewReceipt1->trigger();
        QCOMPARE(Value("SELECT AMTPAID FROM AR_TRAN"), QString("107.0000"));
        // A receipt deleted in the Payments window is no longer paid.
        FMain->Command("Sales_CBTran")->trigger();
        msgs.Answers = {true};
        Click(pay, pay->Command("Child_Delete"));
        QCOMPARE(msgs.Take().size(), 1);
        QCOMPARE(Value("SELECT AMTPAID FROM AR_TRAN"), QString("57.0000"));
    }

    // An invoice brought to the front shows what the Payments window wrote
    // meanwhile; "Refresh Record" shows what another user wrote; typing in
    // progress is never replaced.
    void invoiceShowsReceiptsWrittenElsewhere() {
        TScriptedMessages msgs;
        TfmArTran* w = Invoice();
        PayWithDialog("107.0000");
        w->EnterNewReceipt1->trigger();
        auto shown = [w]() {
            return w->Child_CDS->FieldByName("AMTPAID")->AsMoney().ToString() + " " +
                   w->Receipt_CDS->FieldByName("TRANAMT")->AsMoney().ToString();
        };
        QCOMPARE(shown(), QString("107.0000 107.0000"));

        DoubleClickFirstReceipt(w);
        TfmCBTran* pay = FMain->fmCBTran;
        QCOMPARE(FMain->FrontWindow(), pay);
        Retype(EditorOf(pay, "TRANAMT"), "50");
        Click(pay, pay->Command("Child_Save"));
        QCOMPARE(msgs.Take(), QStringList());
        FMain->Command("Ar_Tran")->trigger();
        QCOMPARE(FMain->FrontWindow(), w);
        QCOMPARE(shown(), QString("50.0000 50.0000"));

        // Another user changes the receipt: "Refresh Record" shows it.
        {
            TFbConnection other;
            other.Open(FDm->SQLConn_Main.Database());
            other.ExecuteImmediate("UPDATE CB_TRAN SET TRANAMT=60");
        }
        ChooseInGridMenu(w->Grid(), w->Part<QMenu>("PopupDbGrid"), {"Refresh Record"});
        QCOMPARE(shown(), QString("60.0000 60.0000"));

        // So does a row other than the current one.
        const QVariant paidOne = w->Child_CDS->FieldByName("ID")->Value();
        Invoice();
        QVERIFY(w->Child_CDS->FieldByName("ID")->Value() != paidOne);
        FMain->Command("Sales_CBTran")->trigger();
        Retype(EditorOf(pay, "TRANAMT"), "80");
        Click(pay, pay->Command("Child_Save"));
        FMain->Command("Ar_Tran")->trigger();
        TClientDataSet* inv = w->Child_CDS;
        QCOMPARE(inv->ValueAt(inv->RowOfKey(paidOne), inv->FieldByName("AMTPAID"))
                     .value<TMoney>()
                     .ToString(),
                 QString("80.0000"));

        // An invoice being typed in keeps the typing when it comes up again.
        Retype(EditorOf(w, "REF1"), "typed");
        FMain->Command("Sales_CBTran")->trigger();
        Retype(EditorOf(pay, "TRANAMT"), "70");
        Click(pay, pay->Command("Child_Save"));
        FMain->Command("Ar_Tran")->trigger();
        QCOMPARE(w->Child_CDS->FieldByName("REF1")->AsString(), QString("typed"));
        QCOMPARE(qobject_cast<QLineEdit*>(EditorOf(w, "REF1"))->text(), QString("typed"));
        QCOMPARE(msgs.Take(), QStringList());
    }

    // Going to a receipt asks about the Payments window's unsaved row.
    void goingToReceiptKeepsEdits() {
        TScriptedMessages msgs;
        TfmArTran* w = Invoice();
        PayWithDialog("107.0000");
        w->EnterNewReceipt1->trigger();
        FMain->Command("Sales_CBTran")->trigger();
        TfmCBTran* pay = FMain->fmCBTran;
        pay->Tree()->setCurrentItem(FolderNamed(pay->Tree(), "Receipts"));
        QCOMPARE(pay->Child_CDS->RecordCount(), 1);
        Retype(EditorOf(pay, "TRANDESC"), "Cheque 1001");
        FMain->Command("Ar_Tran")->trigger();
        msgs.Choices = {TAnswer::Cancel};
        DoubleClickFirstReceipt(w);
        QCOMPARE(
            msgs.Take(),
            QStringList{"The record being edited in [Payments] is not saved yet. Save it now?"});
        QVERIFY(pay->Child_DS->Editing());
        msgs.Choices = {TAnswer::Yes};
        DoubleClickFirstReceipt(w);
        QCOMPARE(msgs.Take().size(), 1);
        QCOMPARE(Value("SELECT TRANDESC FROM CB_TRAN"), QString("Cheque 1001"));
        QCOMPARE(FMain->FrontWindow(), pay);
    }

    // Totals and line amounts are computed, shown in their format, and take
    // no typing; a new invoice's lines wait for it to be saved, and say so.
    void computedAmountsAreShownNotTyped() {
        TScriptedMessages msgs;
        TfmArTran* w = Invoice();
        Retype(EditorOf(w, "QTY", w->Sub_DS), "10");
        QTest::mouseClick(w->Part<QToolButton>("ItemBtnSave"), Qt::LeftButton);
        QCOMPARE(msgs.Take(), QStringList());
        w->Pages()->setCurrentIndex(0);
        auto* total = static_cast<QLineEdit*>(EditorOf(w, "AMTTOTAL"));
        QCOMPARE(total->text(), QString("1,070.00"));
        QVERIFY(total->isReadOnly());
        QTest::keyClicks(total, "5");
        QVERIFY(!w->Child_DS->Editing());
        QVERIFY(static_cast<QLineEdit*>(EditorOf(w, "AMOUNT", w->Sub_DS))->isReadOnly());

        Click(w, w->Command("Child_New"));
        w->Pages()->setCurrentWidget(w->Part<QWidget>("pgTsItems"));
        QVERIFY(!w->Part<QToolButton>("ItemBtnNew2")->isEnabled());
        QVERIFY(w->Part<QLabel>("lbItemsHint")->isVisible());
        QCOMPARE(w->Part<QLabel>("lbItemsHint")->text(),
                 QString("Save the new record first, then add its lines."));
        w->Child_CDS->FieldByName("AR_ACCT_ID")->SetValue(1);
        Click(w, w->Command("Child_Save"));
        QVERIFY(w->Part<QToolButton>("ItemBtnNew2")->isEnabled());
        QVERIFY(!w->Part<QLabel>("lbItemsHint")->isVisible());
    }
};

QTEST_MAIN(TstReceipts)
#include "tst_receipts.moc"
