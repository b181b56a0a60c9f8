#include "uProd.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QTabWidget>

#include "uChildForm.h"
#include "uPnDbEdit.h"
#include "uPnDbMemo.h"
#include "uPnDictBox.h"

TfmProd::TfmProd(QWidget* parent) : TfmChild(parent) {
    ConfigureBusinessBrowser(this, "fmProd", "Products", "IC_ITEM", "NAME", "CREATEDATE");
    SetQuickFilterCaptions(QStringLiteral("Today's New Products"),
                           QStringLiteral("This Week's New Products"),
                           QStringLiteral("This Month's New Products"));
    Config.DeleteRight = QStringLiteral("Delete Product");
    pg->setTabVisible(pg->indexOf(pgTs1), false);
    auto* g = new QGridLayout(gb0);
    pnItemNo = AddField<TPnDbEdit>(this, g, 0, 0, "ITEMNO");
    pnUom = AddField<TPnDictBox>(this, g, 0, 1, "UOM");
    pnForm = AddField<TPnDictBox>(this, g, 0, 2, "FORM");
    pnName = AddField<TPnDbEdit>(this, g, 1, 0, "NAME");
    g->addWidget(pnName, 1, 0, 1, 3);
    AddField<TPnDbEdit>(this, g, 2, 0, "PRICE0");
    AddField<TPnDbEdit>(this, g, 2, 1, "PRICE1");
    AddField<TPnDbEdit>(this, g, 2, 2, "PRICE2");
    auto* remarks = AddField<TPnDbMemo>(this, g, 3, 0, "REMARKS");
    g->addWidget(remarks, 3, 0, 1, 3);
    g->setRowStretch(4, 1);
    LoadAllControls(this);
    // The product window moves the focus to the item number after "New".
    connect(Child_New, &QAction::triggered, this, [this]() { pnItemNo->Edit()->setFocus(); });
}
