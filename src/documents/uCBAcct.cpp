#include "uCBAcct.h"

#include <QGroupBox>
#include <QTabWidget>
#include <QTreeWidget>

#include "TClientDataSet.h"
#include "uDbGrid.h"
#include "uPnDbDate.h"
#include "uPnDbEdit.h"
#include "uPnDbMemo.h"
#include "uPnDictBox.h"
#include "uPnFkey.h"

namespace {
TPnFkey* Lookup(TfmChild* w, QGridLayout* g, int row, const QString& field, const QString& sql,
                const QString& dataField1 = QString(), TDataSource* ds = nullptr) {
    TPnFkey* pn = AddField<TPnFkey>(w, g, row, 0, field, 1, ds);
    pn->LookupSQL = sql;
    pn->DataField1 = dataField1;
    return pn;
}
}  // namespace

TfmCBAcct::TfmCBAcct(QWidget* parent) : TfmChild(parent) {
    ConfigureBusinessBrowser(this, "fmCBAcct", "Banks", "CB_ACCT", "NAME", "OPENDATE");
    TreeView1->setProperty("Tag", 1);
    pg->setTabVisible(pg->indexOf(pgTs1), false);
    auto* g = new QGridLayout(gb0);
    pnName = AddField<TPnDbEdit>(this, g, 0, 0, "NAME");
    AddField<TPnDbDate>(this, g, 1, 0, "OPENDATE");
    AddField<TPnDbEdit>(this, g, 2, 0, "ACCTNO");
    AddField<TPnDbEdit>(this, g, 3, 0, "CONTACT");
    AddField<TPnDictBox>(this, g, 4, 0, "BANK");
    AddField<TPnDbEdit>(this, g, 5, 0, "PASSWORDHINT");
    AddField<TPnDbEdit>(this, g, 6, 0, "PHONENO");
    AddField<TPnDbMemo>(this, g, 7, 0, "REMARKS");
    g->setRowStretch(8, 1);
    LoadAllControls(this);
    FDefPnCtrlAftInsert = pnName;
}

TfmCBTran::TfmCBTran(QWidget* parent) : TfmChild(parent) {
    ConfigureBusinessBrowser(this, "fmCBTran", "Payments", "CB_TRAN", "TRANDESC", "TRANDATE");
    TreeView1->setProperty("Tag", 1);
    pg->setTabText(0, QStringLiteral("Details"));
    pg->setTabVisible(pg->indexOf(pgTs1), false);
    auto* g = new QGridLayout(gb0);
    // Choosing a type also copies its factor.
    pnType = Lookup(this, g, 0, "CB_TRANTYPE_ID",
                    "SELECT ID,NAME,FACTOR FROM CB_TRANTYPE WHERE TYPEID=3", ",CB_TRANTYPE_FACTOR");
    AddField<TPnDictBox>(this, g, 1, 0, "TYPE1NOTE");
    pnAcct = Lookup(this, g, 2, "CB_ACCT_ID", "SELECT ID,NAME,BANK FROM CB_ACCT");
    AddField<TPnDbEdit>(this, g, 3, 0, "TRANDESC");
    AddField<TPnDbDate>(this, g, 4, 0, "TRANDATE");
    AddField<TPnDbEdit>(this, g, 5, 0, "TRANAMT");
    pnInvoice = Lookup(this, g, 6, "AR_TRAN_ID",
                       "SELECT ID,INVOICENO,INVOICEDATE,REF1,REF2,REF3,AMTTOTAL FROM AR_TRAN");
    pnUser = Lookup(this, g, 7, "SYS_USER_ID", "SELECT ID,NAME,CODE FROM SYS_USER");
    AddField<TPnDbMemo>(this, g, 8, 0, "REMARKS");
    g->setRowStretch(9, 1);
    LoadAllControls(this);
    FDefPnCtrlAftInsert = pnType;
}

TfmICBatch::TfmICBatch(QWidget* parent) : TfmChild(parent) {
    ConfigureBusinessBrowser(this, "fmICBatch", "Purchases", "IC_BATCH", "BATCHNO", "BATCHDATE");
    TreeView1->setProperty("Tag", 1);
    pg->setTabText(0, QStringLiteral("Batch Details"));
    pg->setTabVisible(pg->indexOf(pgTs1), false);
    pg->setTabVisible(pg->indexOf(pgTsItems), true);
    FSubTableName = QStringLiteral("IC_BATCHITEM");
    FSubNameField = QStringLiteral("LINE");
    FSubSelectList = QStringLiteral("*");
    FSubLinkField = QStringLiteral("IC_BATCH_ID");
    FSubLineField = QStringLiteral("LINE");
    FSubDbGrid = DBGridItem;
    Sub_CDS->CommandText = QStringLiteral("SELECT * FROM IC_BATCHITEM");
    auto* g = new QGridLayout(gb0);
    pnBatchNo = AddField<TPnDbEdit>(this, g, 0, 0, "BATCHNO");
    AddField<TPnDbDate>(this, g, 1, 0, "BATCHDATE");
    pnType = Lookup(this, g, 2, "IC_BATCHTYPE_ID", "SELECT ID,NAME,FACTOR FROM IC_BATCHTYPE",
                    ",IC_BATCHTYPE_FACTOR");
    AddField<TPnDbEdit>(this, g, 3, 0, "BATCHDESC");
    pnSupplier =
        Lookup(this, g, 4, "AP_ACCT_ID", "SELECT ID,NAME,NICKNAME,CONTACT,EMAIL FROM AP_ACCT");
    Lookup(this, g, 5, "SYS_USER_ID", "SELECT ID,NAME,CODE FROM SYS_USER");
    AddField<TPnDbMemo>(this, g, 6, 0, "REMARKS");
    g->setRowStretch(7, 1);
    auto* lines = new QGridLayout(GroupBoxItem);
    pnLine = AddField<TPnDbEdit>(this, lines, 0, 0, "LINE", 1, Sub_DS);
    pnItem = Lookup(this, lines, 1, "IC_ITEM_ID", "SELECT ID,NAME,ITEMNO FROM IC_ITEM", QString(),
                    Sub_DS);
    AddField<TPnDbEdit>(this, lines, 2, 0, "QTY", 1, Sub_DS);
    lines->setRowStretch(3, 1);
    LoadAllControls(this);
    FDefPnCtrlAftInsert = pnBatchNo;
    FSubLinePnCtrl = pnLine;
}
