#include "uICBatch.h"

#include <QGroupBox>
#include <QTabWidget>
#include <QTreeWidget>

#include "TClientDataSet.h"
#include "uChildForm.h"
#include "uDbGrid.h"
#include "uPnDbDate.h"
#include "uPnDbEdit.h"
#include "uPnDbMemo.h"
#include "uPnFkey.h"
#include "uTreeView.h"

TfmICBatch::TfmICBatch(QWidget* parent) : TfmChild(parent) {
    ConfigureBusinessBrowser(this, "fmICBatch", "Purchases", "IC_BATCH", "BATCHNO", "BATCHDATE");
    SetQuickFilterCaptions(QStringLiteral("Today's Transactions"),
                           QStringLiteral("This Week's Transactions"),
                           QStringLiteral("This Month's Transactions"));
    TreeView1->setProperty("Tag", TreeTagSkipRoot);
    pg->setTabText(0, QStringLiteral("Batch Details"));
    pg->setTabVisible(pg->indexOf(pgTs1), false);
    pg->setTabVisible(pg->indexOf(pgTsItems), true);
    Config.SubTableName = QStringLiteral("IC_BATCHITEM");
    Config.SubNameField = QStringLiteral("LINE");
    Config.SubSelectList = QStringLiteral("*");
    Config.SubLinkField = QStringLiteral("IC_BATCH_ID");
    Config.SubLineField = QStringLiteral("LINE");
    Config.SubDbGrid = DBGridItem;
    Sub_CDS->CommandText = QStringLiteral("SELECT * FROM IC_BATCHITEM");
    auto* g = new QGridLayout(gb0);
    pnBatchNo = AddField<TPnDbEdit>(this, g, 0, 0, "BATCHNO");
    AddField<TPnDbDate>(this, g, 1, 0, "BATCHDATE");
    pnType = AddLookup(this, g, 2, "IC_BATCHTYPE_ID", "SELECT ID,NAME,FACTOR FROM IC_BATCHTYPE",
                       ",IC_BATCHTYPE_FACTOR");
    AddField<TPnDbEdit>(this, g, 3, 0, "BATCHDESC");
    pnSupplier =
        AddLookup(this, g, 4, "AP_ACCT_ID", "SELECT ID,NAME,NICKNAME,CONTACT,EMAIL FROM AP_ACCT");
    AddLookup(this, g, 5, "SYS_USER_ID", "SELECT ID,NAME,CODE FROM SYS_USER");
    AddField<TPnDbMemo>(this, g, 6, 0, "REMARKS");
    g->setRowStretch(7, 1);
    auto* lines = new QGridLayout(GroupBoxItem);
    pnLine = AddField<TPnDbEdit>(this, lines, 0, 0, "LINE", 1, Sub_DS);
    pnItem = AddLookup(this, lines, 1, "IC_ITEM_ID", "SELECT ID,NAME,ITEMNO FROM IC_ITEM",
                       QString(), Sub_DS);
    AddField<TPnDbEdit>(this, lines, 2, 0, "QTY", 1, Sub_DS);
    lines->setRowStretch(3, 1);
    LoadAllControls(this);
    Config.DefPnCtrlAftInsert = pnBatchNo;
    Config.SubLinePnCtrl = pnLine;
}
