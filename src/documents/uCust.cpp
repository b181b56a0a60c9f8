#include "uCust.h"

#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

#include "TClientDataSet.h"
#include "uDbRadioGroup.h"
#include "uPnDbEdit.h"
#include "uPnDbMemo.h"
#include "uPnDictBox.h"
#include "uPnFkey.h"

void ConfigureBusinessBrowser(TfmChild* w, const QString& name, const QString& caption,
                              const QString& table, const QString& nameField,
                              const QString& filterField) {
    w->setObjectName(name);
    w->SetCaption(caption);
    w->SetChildMode(3);
    w->FTableName = table;
    w->FNameField = nameField;
    w->FSelectList = QStringLiteral("*");
    w->FFilterField = filterField;
    w->FTVShow = true;
    w->FTVShowCount = true;
    w->FTVSelectTwice = false;
    // The statement the controls find their table in, until a folder is chosen.
    w->Child_CDS->CommandText = "SELECT * FROM " + table;
    w->FSubPgCtrl = w->pg;
    w->SubPgCtrlSetAlighClient();
    w->pg->setTabVisible(w->pg->indexOf(w->pgTs2), false);
    w->pg->setTabVisible(w->pg->indexOf(w->pgTsItems), false);
}

namespace {
QGridLayout* GridOf(QGroupBox* box) {
    auto* g = new QGridLayout(box);
    g->setColumnStretch(0, 1);
    g->setColumnStretch(1, 1);
    return g;
}
}  // namespace

void LoadAllControls(QWidget* w) {
    for (TPnBase* c : w->findChildren<TPnBase*>()) c->Loaded();
}

TfmCust::TfmCust(QWidget* parent) : TfmChild(parent) {
    ConfigureBusinessBrowser(this, "fmCust", "Customers", "AR_ACCT", "NAME", "CREATEDATE");
    FDeleteRight = QStringLiteral("Delete Customer");
    pg->setTabText(0, QStringLiteral("Particulars"));
    pg->setTabText(pg->indexOf(pgTs1), QStringLiteral("Groupings"));
    QGridLayout* g = GridOf(gb0);
    pnNickName = AddField<TPnDbEdit>(this, g, 0, 0, "NICKNAME");
    pnName = AddField<TPnDbEdit>(this, g, 1, 0, "NAME");
    pnAddress = AddField<TPnDbMemo>(this, g, 2, 0, "ADDRESS", 2);
    AddField<TPnDbEdit>(this, g, 4, 0, "ZIPCODE");
    AddField<TPnDbEdit>(this, g, 5, 0, "URL");
    AddField<TPnDbEdit>(this, g, 0, 1, "PHONENO");
    AddField<TPnDbEdit>(this, g, 1, 1, "MOBILENO");
    AddField<TPnDbEdit>(this, g, 2, 1, "EMAIL");
    AddField<TPnDbEdit>(this, g, 3, 1, "MSN");
    AddField<TPnDbEdit>(this, g, 4, 1, "SKYPE");
    g->setRowStretch(6, 1);
    QGridLayout* g1 = GridOf(gb1);
    pnGroup = AddField<TPnDictBox>(this, g1, 0, 0, "GROUP");
    pnDiscRate = AddField<TPnDbEdit>(this, g1, 1, 0, "DISCTRATE");
    pnTax = AddField<TPnFkey>(this, g1, 2, 0, "SYS_TAX_ID");
    pnTax->LookupSQL = QStringLiteral("SELECT ID,NAME,RATE FROM SYS_TAX");
    pnGrade = AddField<TPnDictBox>(this, g1, 3, 0, "GRADE");
    rgPriceNo = new TDbRadioGroup(
        QStringLiteral("Default Price"),
        {QStringLiteral("Standard Price"), QStringLiteral("Price 1"), QStringLiteral("Price 2")},
        {0, 1, 2}, gb1);
    rgPriceNo->SetDataSource(Child_DS);
    rgPriceNo->SetDataField(QStringLiteral("PRICENO"));
    g1->addWidget(rgPriceNo, 4, 0);
    pnRemarks = AddField<TPnDbMemo>(this, g1, 0, 1, "REMARKS", 5);
    LoadAllControls(this);
    // The two memos carry fixed labels.
    pnAddress->FLabelCaption->setText(QStringLiteral("Address"));
    pnRemarks->FLabelCaption->setText(QStringLiteral("Remarks"));
    FDefPnCtrlAftInsert = pnNickName;
}

TfmSupplier::TfmSupplier(QWidget* parent) : TfmChild(parent) {
    ConfigureBusinessBrowser(this, "fmSupplier", "Suppliers", "AP_ACCT", "NICKNAME", "CREATEDATE");
    FDeleteRight = QStringLiteral("Delete Supplier");
    pg->setTabVisible(pg->indexOf(pgTs1), false);
    QGridLayout* g = GridOf(gb0);
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
    FDefPnCtrlAftInsert = pnNickName;
}

TfmProd::TfmProd(QWidget* parent) : TfmChild(parent) {
    ConfigureBusinessBrowser(this, "fmProd", "Products", "IC_ITEM", "NAME", "CREATEDATE");
    FDeleteRight = QStringLiteral("Delete Product");
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
