#include "uCBTran.h"

#include <QGroupBox>
#include <QTabWidget>
#include <QTreeWidget>

#include "uChildForm.h"
#include "uPnDbDate.h"
#include "uPnDbEdit.h"
#include "uPnDbMemo.h"
#include "uPnDictBox.h"
#include "uPnFkey.h"
#include "uTreeView.h"

TfmCBTran::TfmCBTran(QWidget* parent) : TfmChild(parent) {
    ConfigureBusinessBrowser(this, "fmCBTran", "Payments", "CB_TRAN", "TRANDESC", "TRANDATE");
    SetQuickFilterCaptions(QStringLiteral("Today's Transactions"),
                           QStringLiteral("This Week's Transactions"),
                           QStringLiteral("This Month's Transactions"));
    TreeView1->setProperty("Tag", TreeTagSkipRoot);
    pg->setTabText(0, QStringLiteral("Details"));
    pg->setTabVisible(pg->indexOf(pgTs1), false);
    auto* g = new QGridLayout(gb0);
    // Choosing a type also copies its factor.
    pnType =
        AddLookup(this, g, 0, "CB_TRANTYPE_ID",
                  "SELECT ID,NAME,FACTOR FROM CB_TRANTYPE WHERE TYPEID=3", ",CB_TRANTYPE_FACTOR");
    AddField<TPnDictBox>(this, g, 1, 0, "TYPE1NOTE");
    pnAcct = AddLookup(this, g, 2, "CB_ACCT_ID", "SELECT ID,NAME,BANK FROM CB_ACCT");
    AddField<TPnDbEdit>(this, g, 3, 0, "TRANDESC");
    AddField<TPnDbDate>(this, g, 4, 0, "TRANDATE");
    AddField<TPnDbEdit>(this, g, 5, 0, "TRANAMT");
    pnInvoice = AddLookup(this, g, 6, "AR_TRAN_ID",
                          "SELECT ID,INVOICENO,INVOICEDATE,REF1,REF2,REF3,AMTTOTAL FROM AR_TRAN");
    pnUser = AddLookup(this, g, 7, "SYS_USER_ID", "SELECT ID,NAME,CODE FROM SYS_USER");
    AddField<TPnDbMemo>(this, g, 8, 0, "REMARKS");
    g->setRowStretch(9, 1);
    LoadAllControls(this);
    Config.DefPnCtrlAftInsert = pnType;
}
