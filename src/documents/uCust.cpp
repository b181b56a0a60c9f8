#include "uCust.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

#include "TClientDataSet.h"
#include "uPnDbEdit.h"

TPnDbEdit* AddFieldEdit(TfmChild* child, QWidget* box, const QString& table, const QString& field) {
    if (!box->layout()) {
        auto* l = new QVBoxLayout(box);
        l->addStretch(1);
    }
    auto* layout = static_cast<QVBoxLayout*>(box->layout());
    auto* pn = new TPnDbEdit(box);
    pn->SetDataField(field);
    pn->SetDataSource(child->Child_DS);
    Q_UNUSED(table);
    pn->Loaded();
    layout->insertWidget(layout->count() - 1, pn);
    return pn;
}

namespace {
// The shared set-up of the three master-file windows.
void Configure(TfmChild* w, const QString& name, const QString& caption, const QString& table,
               const QString& nameField) {
    w->setObjectName(name);
    w->SetCaption(caption);
    w->SetChildMode(3);
    w->FTableName = table;
    w->FNameField = nameField;
    w->FSelectList = QStringLiteral("*");
    w->FFilterField = QStringLiteral("CREATEDATE");
    w->FTVShow = true;
    w->FTVShowCount = true;
    w->FTVSelectTwice = false;
    // The statement the controls find their table in, until a folder is chosen.
    w->Child_CDS->CommandText = "SELECT * FROM " + table;
    w->FSubPgCtrl = w->pg;
    w->SubPgCtrlSetAlighClient();
    // Editor pages beyond the first, and the lines page, are not used here.
    w->pg->setTabVisible(w->pg->indexOf(w->pgTs1), false);
    w->pg->setTabVisible(w->pg->indexOf(w->pgTs2), false);
    w->pg->setTabVisible(w->pg->indexOf(w->pgTsItems), false);
}
}  // namespace

TfmCust::TfmCust(QWidget* parent) : TfmChild(parent) {
    Configure(this, "fmCust", "Customers", "AR_ACCT", "NAME");
    pnNickName = AddFieldEdit(this, gb0, FTableName, "NICKNAME");
    pnName = AddFieldEdit(this, gb0, FTableName, "NAME");
    FDefPnCtrlAftInsert = pnNickName;
}

TfmSupplier::TfmSupplier(QWidget* parent) : TfmChild(parent) {
    Configure(this, "fmSupplier", "Suppliers", "AP_ACCT", "NICKNAME");
    pnNickName = AddFieldEdit(this, gb0, FTableName, "NICKNAME");
    pnName = AddFieldEdit(this, gb0, FTableName, "NAME");
    FDefPnCtrlAftInsert = pnNickName;
}

TfmProd::TfmProd(QWidget* parent) : TfmChild(parent) {
    Configure(this, "fmProd", "Products", "IC_ITEM", "NAME");
    pnItemNo = AddFieldEdit(this, gb0, FTableName, "ITEMNO");
    pnName = AddFieldEdit(this, gb0, FTableName, "NAME");
    // The product window moves the focus to the item number after "New".
    connect(Child_New, &QAction::triggered, this, [this]() { pnItemNo->Editor()->setFocus(); });
}
