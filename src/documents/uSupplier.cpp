#include "uSupplier.h"

#include <QGroupBox>
#include <QTabWidget>

#include "uChildForm.h"
#include "uPnDbEdit.h"
#include "uPnDbMemo.h"

TfmSupplier::TfmSupplier(QWidget* parent) : TfmChild(parent) {
    ConfigureBusinessBrowser(this, "fmSupplier", "Suppliers", "AP_ACCT", "NICKNAME", "CREATEDATE");
    SetQuickFilterCaptions(QStringLiteral("Today's New Suppliers"),
                           QStringLiteral("This Week's New Suppliers"),
                           QStringLiteral("This Month's New Suppliers"));
    Config.DeleteRight = QStringLiteral("Delete Supplier");
    pg->setTabVisible(pg->indexOf(pgTs1), false);
    QGridLayout* g = TwoColumnGrid(gb0);
    pnNickName = AddField<TPnDbEdit>(this, g, 0, 0, "NICKNAME");
    pnName = AddField<TPnDbEdit>(this, g, 1, 0, "NAME");
    AddField<TPnDbMemo>(this, g, 2, 0, "ADDRESS", 2);
    AddField<TPnDbEdit>(this, g, 4, 0, "ZIPCODE");
    AddField<TPnDbEdit>(this, g, 5, 0, "URL");
    AddField<TPnDbMemo>(this, g, 6, 0, "REMARKS");
    AddField<TPnDbEdit>(this, g, 0, 1, "PHONENO");
    AddField<TPnDbEdit>(this, g, 1, 1, "FAXNO");
    AddField<TPnDbEdit>(this, g, 2, 1, "MOBILENO");
    AddField<TPnDbEdit>(this, g, 3, 1, "EMAIL");
    AddField<TPnDbEdit>(this, g, 4, 1, "MSN");
    AddField<TPnDbEdit>(this, g, 5, 1, "CONTACT");
    g->setRowStretch(7, 1);
    LoadAllControls(this);
    Config.DefPnCtrlAftInsert = pnNickName;
}
