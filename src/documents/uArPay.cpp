#include "uArPay.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "uChildForm.h"
#include "uDmMain.h"
#include "uMessages.h"
#include "uPnDbDate.h"
#include "uPnDbEdit.h"
#include "uPnDbMemo.h"
#include "uPnDictBox.h"
#include "uPnFkey.h"
#include "uTranTypes.h"

namespace {
template <typename T>
T* Add(QGridLayout* g, TDataSource* ds, int row, const QString& field) {
    auto* pn = new T(g->parentWidget());
    pn->SetDataField(field);
    pn->SetDataSource(ds);
    g->addWidget(pn, row, 0);
    return pn;
}
}  // namespace

TfmArPay::TfmArPay(QWidget* parent) : TfmDialog(parent) {
    setObjectName(QStringLiteral("fmArPay"));
    setWindowTitle(QStringLiteral("New Receipt"));
    lbNotes->setText(
        QStringLiteral("You can also enter the receipts through [Sales]->[Payments and Receipts]"));
    BitBtn1->setText(QStringLiteral("Save"));
    BitBtn2->setText(QStringLiteral("Cancel"));
    BitBtn3->hide();
    CBTran_CDS = new TClientDataSet(this);
    CBTran_CDS->setObjectName(QStringLiteral("CBTran_CDS"));
    CBTran_CDS->SetConnection(&dmMain()->SQLConn_Main);
    CBTran_CDS->CommandText = QStringLiteral("SELECT * FROM CB_TRAN WHERE ID=-1");
    CBTran_DS = new TDataSource(this);
    CBTran_DS->SetDataSet(CBTran_CDS);
    auto* g = new QGridLayout(Content);
    Add<TPnDictBox>(g, CBTran_DS, 0, QStringLiteral("TYPE1NOTE"));
    pnAcct = Add<TPnFkey>(g, CBTran_DS, 1, QStringLiteral("CB_ACCT_ID"));
    pnAcct->LookupSQL = QStringLiteral("SELECT ID,NAME,BANK FROM CB_ACCT");
    Add<TPnDbDate>(g, CBTran_DS, 2, QStringLiteral("TRANDATE"));
    Add<TPnDbEdit>(g, CBTran_DS, 3, QStringLiteral("TRANAMT"));
    Add<TPnDbEdit>(g, CBTran_DS, 4, QStringLiteral("TRANDESC"));
    Add<TPnDbMemo>(g, CBTran_DS, 5, QStringLiteral("REMARKS"));
    SetFormSize(520, 420);
    connect(BitBtn1, &QPushButton::clicked, this,
            [this]() { RunGuarded([this]() { SaveClick(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TfmArPay::Start(int arTranId) {
    CBTran_CDS->Open();
    CBTran_CDS->FieldByName(QStringLiteral("TRANAMT"))->DisplayFormat = QStringLiteral("#,##0.00");
    LoadAllControls(this);
    CBTran_CDS->Insert();
    TdmMain* dm = dmMain();
    auto set = [this](const char* f, const QVariant& v) {
        CBTran_CDS->FieldByName(f)->SetValue(v);
    };
    set("ID", dm->GetTableNextKey(QStringLiteral("CB_TRAN")));
    set("CB_TRANTYPE_ID", CbTranTypeInvoiceReceipt);
    set("CB_TRANTYPE_FACTOR", CbTranTypeInvoiceReceiptFactor);
    set("AR_TRAN_ID", arTranId);
    set("SYS_USER_ID", dm->Curr_User_ID);
    set("TRANDATE", QDate::currentDate());
    // Filed where the bank transactions window lists receipts.
    if (const int folder = dm->ReceiptFolderId()) set("SYS_TREEVIEW_ID", folder);
    QString invoiceNo, customer;
    dm->ForEachRow(
        "SELECT INVOICENO, AR_ACCT_ID FROM AR_TRAN WHERE ID=" + QString::number(arTranId),
        [&](const TFbQuery& q) {
            invoiceNo = q.AsString("INVOICENO");
            if (!q.IsNull("AR_ACCT_ID")) {
                QVariant name;
                dm->SelectFieldWhere("NAME", "AR_ACCT", name, {"ID", q.AsString("AR_ACCT_ID")});
                customer = name.toString();
            }
        });
    // What is still owed, so that an invoice is not paid twice by accident.
    set("TRANAMT", QVariant::fromValue(dm->ArTranOwed(arTranId)));
    set("TRANDESC", QStringLiteral("Invoice %1 from %2").arg(invoiceNo, customer));
}

void TfmArPay::SaveClick() {
    if (CBTran_CDS->FieldByName(QStringLiteral("CB_ACCT_ID"))->IsNull()) {
        ShowInformation(QStringLiteral("Please select an account before save."));
        pnAcct->Editor()->setFocus();
        return;
    }
    if (!ApplyOrKeep(CBTran_CDS)) {
        CBTran_CDS->Edit();  // the dialog stays open with the receipt as typed
        return;
    }
    accept();
}

bool ProcessArPay(int arTranId, QWidget* parent) {
    if (arTranId < 1) {
        ShowInformation(QStringLiteral("Please select a valid invoice first."));
        return false;
    }
    TfmArPay dlg(parent);
    dlg.Start(arTranId);
    dlg.exec();
    return true;
}
