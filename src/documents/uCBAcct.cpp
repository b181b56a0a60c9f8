#include "uCBAcct.h"

#include <QGroupBox>
#include <QTabWidget>
#include <QTreeWidget>

#include "uChildForm.h"
#include "uPnDbDate.h"
#include "uPnDbEdit.h"
#include "uPnDbMemo.h"
#include "uPnDictBox.h"
#include "uTreeView.h"

TfmCBAcct::TfmCBAcct(QWidget* parent) : TfmChild(parent) {
    ConfigureBusinessBrowser(this, "fmCBAcct", "Banks", "CB_ACCT", "NAME", "OPENDATE");
    SetQuickFilterCaptions(QStringLiteral("Accounts Created Today"),
                           QStringLiteral("Accounts Created This Week"),
                           QStringLiteral("Accounts Created This Month"));
    TreeView1->setProperty("Tag", TreeTagSkipRoot);
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
    Config.DefPnCtrlAftInsert = pnName;
}
