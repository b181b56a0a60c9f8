// The invoice window against the real engine: defaults, customer and tax,
// line amounts, stored totals, price levels and receipts.

#include <QAction>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TestSupport.h"
#include "uArPay.h"
#include "uArTran.h"
#include "uCBTran.h"
#include "uDmMain.h"
#include "uPnDbEdit.h"
#include "uPnFkey.h"
#include "uTreeView.h"

class TstInvoice : public QObject {
    Q_OBJECT

private:
    TDbFixture F;

    // An invoice saved through the window, for customer cust (0: none).
    std::unique_ptr<TfmArTran> NewInvoice(int cust) {
        auto w = OpenBrowser<TfmArTran>();
        w->Command("Child_New")->trigger();
        if (cust) w->Child_CDS->FieldByName("AR_ACCT_ID")->SetValue(cust);
        w->Command("Child_Save")->trigger();
        return w;
    }

    void AddLine(TfmArTran* w, int qty, const QString& price, double disc) {
        w->Part<QToolButton>("ItemBtnNew")->click();
        w->Sub_CDS->FieldByName("QTY")->SetValue(qty);
        w->Sub_CDS->FieldByName("PRICE")->SetValue(price);
        w->Sub_CDS->FieldByName("DISCTRATE")->SetValue(disc);
        w->Part<QToolButton>("ItemBtnSave")->click();
    }

private slots:
    void init() {
        F.Start();
        F.Dm().ExecSQL("INSERT INTO SYS_TAX (ID, NAME, RATE, INCLUSIVE) VALUES (7, 'Seven', 7, 0)");
        F.Dm().ExecSQL(
            "INSERT INTO AR_ACCT (ID, NICKNAME, NAME, SYS_TAX_ID, PRICENO, DISCTRATE) "
            "VALUES (1, 'Acme', 'Acme Trading', 7, 1, 5)");
        F.Dm().ExecSQL("INSERT INTO AR_ACCT (ID, NICKNAME, NAME) VALUES (2, 'Plain', 'Plain Co')");
        F.Dm().ExecSQL(
            "INSERT INTO IC_ITEM (ID, ITEMNO, NAME, PRICE0, PRICE1, PRICE2) "
            "VALUES (1, 'W1', 'Widget', 10, 9, 8)");
    }

    void cleanup() { F.Stop(); }

    void lineAmount_data() {
        QTest::addColumn<int>("qty");
        QTest::addColumn<double>("price");
        QTest::addColumn<double>("disc");
        QTest::addColumn<QString>("amount");
        QTest::newRow("quarter off") << 2 << 10.0 << 25.0 << "15.0000";
        QTest::newRow("four decimals") << 3 << 9.99 << 10.0 << "26.9730";
        QTest::newRow("half to even") << 1 << 0.00005 << 0.0 << "0.0000";
        QTest::newRow("no discount") << 4 << 2.5 << 0.0 << "10.0000";
    }

    void lineAmount() {
        QFETCH(int, qty);
        QFETCH(double, price);
        QFETCH(double, disc);
        QFETCH(QString, amount);
        QCOMPARE(TfmArTran::LineAmount(qty, price, disc).ToString(), amount);
    }

    void newInvoiceDefaultsAndCustomerTax() {
        TScriptedMessages msgs;
        auto w = OpenBrowser<TfmArTran>();
        w->Command("Child_New")->trigger();
        TClientDataSet* ds = w->Child_CDS;
        QCOMPARE(ds->FieldByName("INVOICENO")->AsString(), QString("INV00001"));
        QCOMPARE(ds->FieldByName("AR_TRANTYPE_ID")->AsInteger(), 1);
        QCOMPARE(ds->FieldByName("AR_TRANTYPE_FACTOR")->AsInteger(), 0);
        QCOMPARE(ds->FieldByName("SYS_USER_ID")->AsInteger(), 0);
        QCOMPARE(ds->FieldByName("SYS_TREEVIEW_ID")->AsInteger(),
                 NodeData(w->Tree()->currentItem()).ID);
        ds->FieldByName("AR_ACCT_ID")->SetValue(1);
        QCOMPARE(ds->FieldByName("SYS_TAX_ID")->AsInteger(), 7);
        QCOMPARE(w->pnCust->BtnEdit()->text(), QString("Acme"));
        ds->FieldByName("AR_ACCT_ID")->SetValue(2);
        QCOMPARE(ds->FieldByName("SYS_TAX_ID")->AsInteger(), 0);
        QCOMPARE(ds->FieldByName("AMTTAX")->AsMoney(), TMoney());
        w->Command("Child_Save")->trigger();
        QCOMPARE(msgs.Take().join("|"), QString());
    }

    // Totals follow saved and deleted lines, never lines still being edited.
    void storedTotals() {
        TScriptedMessages msgs;
        auto w = NewInvoice(1);
        const int id = w->Child_CDS->FieldByName("ID")->AsInteger();
        AddLine(w.get(), 3, "9.99", 10);
        QCOMPARE(
            F.Value(
                QString("SELECT CAST(AMOUNT AS VARCHAR(20)) FROM AR_TRANITEM WHERE AR_TRAN_ID=%1")
                    .arg(id)),
            QString("26.9730"));
        QCOMPARE(w->Child_CDS->FieldByName("AMTGOODS")->AsMoney().ToString(), QString("26.9730"));
        QCOMPARE(w->Child_CDS->FieldByName("AMTTAX")->AsMoney().ToString(), QString("1.8900"));
        QCOMPARE(w->Child_CDS->FieldByName("AMTTOTAL")->AsMoney().ToString(), QString("28.8630"));
        // A line being added does not count yet.
        w->Part<QToolButton>("ItemBtnNew")->click();
        w->Sub_CDS->FieldByName("QTY")->SetValue(2);
        w->Sub_CDS->FieldByName("PRICE")->SetValue("10");
        QCOMPARE(w->Sub_CDS->FieldByName("AMOUNT")->AsMoney().ToString(), QString("20.0000"));
        QCOMPARE(w->Child_CDS->FieldByName("AMTGOODS")->AsMoney().ToString(), QString("26.9730"));
        w->Part<QToolButton>("ItemBtnSave")->click();
        QCOMPARE(w->Child_CDS->FieldByName("AMTGOODS")->AsMoney().ToString(), QString("46.9730"));
        QCOMPARE(
            F.Value(
                QString("SELECT CAST(AMTTOTAL AS VARCHAR(20)) FROM AR_TRAN WHERE ID=%1").arg(id)),
            QString("50.2630"));
        // Deleting a line updates them too.
        w->Sub_CDS->First();
        msgs.Answers = {true};
        w->Part<QToolButton>("ItemBtnDel")->click();
        QCOMPARE(w->Child_CDS->FieldByName("AMTGOODS")->AsMoney().ToString(), QString("20.0000"));
        QCOMPARE(w->Child_CDS->FieldByName("AMTTOTAL")->AsMoney().ToString(), QString("21.4000"));
        QCOMPARE(msgs.Take(), QStringList{"Are you sure to delete: "});
    }

    // The customer's price level while choosing a product, and his discount
    // when the product field is left.
    void priceLevelAndDiscount() {
        TScriptedMessages msgs;
        auto w = NewInvoice(1);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->Pages()->setCurrentWidget(w->Part<QWidget>("pgTsItems"));
        w->Part<QToolButton>("ItemBtnNew")->click();
        QCOMPARE(w->Sub_CDS->FieldByName("DISCTRATE")->AsFloat(), 0.0);
        QCOMPARE(w->Sub_CDS->FieldByName("QTY")->AsInteger(), 1);
        w->pnItem->BtnEdit()->setFocus();
        QCOMPARE(w->pnItem->LookupSQL, QString("SELECT ID,ITEMNO,NAME,PRICE1 FROM IC_ITEM"));
        w->pnItem->ReturnSelection({1, "W1", "Widget", QVariant::fromValue(TMoney(90000))});
        QCOMPARE(w->Sub_CDS->FieldByName("ITEMDESC")->AsString(), QString("Widget"));
        QCOMPARE(w->Sub_CDS->FieldByName("PRICE")->AsMoney(), TMoney(90000));
        w->Sub_CDS->FieldByName("DISCTRATE")->SetValue(50);
        w->pnLine->Edit()->setFocus();  // leaving the product field
        QCOMPARE(w->pnItem->LookupSQL, TfmArTran::DefaultItemLookupSQL());
        QCOMPARE(w->Sub_CDS->FieldByName("DISCTRATE")->AsFloat(), 5.0);
        QCOMPARE(w->Sub_CDS->FieldByName("AMOUNT")->AsMoney().ToString(), QString("8.5500"));
        w->Part<QToolButton>("ItemBtnSave")->click();
        QCOMPARE(msgs.Take().join("|"), QString());
        // Without a customer: level 0, and the discount stays as typed.
        F.Dm().ExecSQL(
            "UPDATE SYS_OBJECT SET REQUIRED=0 WHERE OBJECT='AR_TRAN' AND FIELD='AR_ACCT_ID'");
        auto v = NewInvoice(0);
        QCOMPARE(v->Child_CDS->State(), TDataSetState::Browse);
        v->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(v.get()));
        v->Pages()->setCurrentWidget(v->Part<QWidget>("pgTsItems"));
        v->Part<QToolButton>("ItemBtnNew")->click();
        v->pnItem->BtnEdit()->setFocus();
        QCOMPARE(v->pnItem->LookupSQL, TfmArTran::DefaultItemLookupSQL());
        v->Sub_CDS->FieldByName("DISCTRATE")->SetValue(12);
        v->pnLine->Edit()->setFocus();
        QCOMPARE(v->Sub_CDS->FieldByName("DISCTRATE")->AsFloat(), 12.0);
        v->SubBtnCancelClick();
    }

    void receipts() {
        TScriptedMessages msgs;
        F.Dm().ExecSQL("INSERT INTO CB_ACCT (ID, NAME) VALUES (1, 'Cheque')");
        QVERIFY(!ProcessArPay(0));
        QCOMPARE(msgs.Take(), QStringList{"Please select a valid invoice first."});
        auto w = NewInvoice(1);
        AddLine(w.get(), 1, "100", 0);
        const QString number = w->Child_CDS->FieldByName("INVOICENO")->AsString();
        w->dbGridReceiptsDblClick();
        QCOMPARE(msgs.Take(), QStringList{"There is no corresponding receipt"});
        // The dialog proposes what is owed; without an account it stays open.
        auto answer = [&](bool withAccount, const QString& owed) {
            OnNextModal([withAccount, number, owed](QWidget* dlg) {
                auto* pay = qobject_cast<TfmArPay*>(dlg);
                QVERIFY(pay);
                TClientDataSet* cds = pay->CBTran_CDS;
                QCOMPARE(cds->FieldByName("TRANAMT")->AsMoney().ToString(), owed);
                QCOMPARE(cds->FieldByName("TRANDESC")->AsString(),
                         QString("Invoice %1 from Acme Trading").arg(number));
                QCOMPARE(cds->FieldByName("TRANDATE")->AsDate(), QDate::currentDate());
                QCOMPARE(cds->FieldByName("CB_TRANTYPE_ID")->AsInteger(), 4);
                pay->SaveClick();
                if (withAccount) return;
                cds->FieldByName("CB_ACCT_ID")->SetValue(1);
                pay->SaveClick();
            });
        };
        answer(false, "107.0000");
        w->EnterNewReceipt1->trigger();
        QCOMPARE(msgs.Take(), QStringList{"Please select an account before save."});
        QCOMPARE(w->Receipt_CDS->RecordCount(), 1);
        // Paid in full: a second receipt proposes nothing more.
        answer(false, "0.0000");
        w->EnterNewReceipt1->trigger();
        QCOMPARE(w->Receipt_CDS->RecordCount(), 2);
        QCOMPARE(
            F.Dm().SelectValue("SELECT COUNT(*) FROM CB_TRAN WHERE CB_TRANTYPE_FACTOR=1").toInt(),
            2);
        // Double click goes to the receipt in the transaction window.
        TfmCBTran pay;
        w->FReceiptWindow = &pay;
        w->dbGridReceiptsDblClick();
        QCOMPARE(pay.Child_CDS->RecordCount(), 1);
        QCOMPARE(pay.Child_CDS->FieldByName("AR_TRAN_ID")->AsInteger(),
                 w->Child_CDS->FieldByName("ID")->AsInteger());
    }
};

QTEST_MAIN(TstInvoice)
#include "tst_invoice.moc"
