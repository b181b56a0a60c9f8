#include "uArTran.h"

#include <QAction>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "TDbGridModel.h"
#include "uArPay.h"
#include "uChildForm.h"
#include "uDbGrid.h"
#include "uDmMain.h"
#include "uMessages.h"
#include "uPnDbDate.h"
#include "uPnDbEdit.h"
#include "uPnDbMemo.h"
#include "uPnDictBox.h"
#include "uPnFkey.h"
#include "uTranTypes.h"
#include "uTreeView.h"

TMoney TfmArTran::LineAmount(int qty, double price, double discRate) {
    // Nearest integer, halves to even, in both steps.
    const double gross = std::nearbyint(double(qty) * price * double(TMoney::Scale));
    const double net = std::nearbyint((100.0 - discRate) * gross / 100.0);
    TMoney amount;
    if (!TMoney::TryFromTenThousandths(net, amount))
        throw EMoneyOverflow(TMoney::OutOfRangeMessage(QStringLiteral("The line amount")));
    return amount;
}

TfmArTran::TfmArTran(QWidget* parent) : TfmChild(parent) {
    ConfigureBusinessBrowser(this, "fmArTran", "Invoices", "AR_TRAN", "INVOICENO", "INVOICEDATE");
    SetQuickFilterCaptions(QStringLiteral("Today's New Invoices"),
                           QStringLiteral("This Week's New Invoices"),
                           QStringLiteral("This Month's New Invoices"));
    Config.DeleteRight = QStringLiteral("Delete Order");
    Config.SubTableName = QStringLiteral("AR_TRANITEM");
    Config.SubNameField = QStringLiteral("ITEMDESC");
    Config.SubSelectList = QStringLiteral("*");
    Config.SubLinkField = QStringLiteral("AR_TRAN_ID");
    Config.SubLineField = QStringLiteral("LINE");
    Config.SubDbGrid = DBGridItem;
    Config.AggSumField = QStringLiteral("AMTGOODS");
    Config.AggSumSubField = QStringLiteral("AMOUNT");
    Config.DerivedFields = QStringList{"AMTGOODS", "AMTTAX", "AMTTOTAL", "AMTPAID"};
    Sub_CDS->CommandText = QStringLiteral("SELECT * FROM AR_TRANITEM");
    pg->setTabVisible(pg->indexOf(pgTsItems), true);
    pg->setTabText(pg->indexOf(pgTs1), QStringLiteral("Receipts"));

    BuildInvoiceEditors();
    BuildLineEditors();
    Config.SubLinePnCtrl = pnLine;
    Config.DefPnCtrlAftInsert = pnInvoiceNo;

    BuildReceiptList();
    BuildInvoiceCommands();

    Child_CDS->OnFieldChange = [this](TField& f) { OrderFieldChange(f); };
    Sub_CDS->OnFieldChange = [this](TField& f) { ItemFieldChange(f); };
    connect(Child_New, &QAction::triggered, this, GuardedCommand(&TfmArTran::NewInvoiceDefaults));
    pnItem->BtnEdit()->installEventFilter(this);
    LoadAllControls(this);
}

// The invoice's own columns, in the first page.
void TfmArTran::BuildInvoiceEditors() {
    auto* g = new QGridLayout(gb0);
    pnInvoiceNo = AddField<TPnDbEdit>(this, g, 0, 0, "INVOICENO");
    AddField<TPnDbDate>(this, g, 1, 0, "INVOICEDATE");
    pnCust = AddField<TPnFkey>(this, g, 2, 0, "AR_ACCT_ID");
    pnCust->LookupSQL =
        QStringLiteral("SELECT ID,NICKNAME,NAME,PHONENO,MOBILENO,EMAIL FROM AR_ACCT");
    pnTax = AddField<TPnFkey>(this, g, 3, 0, "SYS_TAX_ID");
    pnTax->LookupSQL = QStringLiteral("SELECT ID,NAME,RATE FROM SYS_TAX");
    AddField<TPnDictBox>(this, g, 4, 0, "TERM");
    auto* user = AddField<TPnFkey>(this, g, 5, 0, "SYS_USER_ID");
    user->LookupSQL = QStringLiteral("SELECT ID,NAME,CODE FROM SYS_USER");
    AddField<TPnDbEdit>(this, g, 0, 1, "REF1");
    AddField<TPnDbEdit>(this, g, 1, 1, "REF2");
    AddField<TPnDbEdit>(this, g, 2, 1, "REF3");
    AddField<TPnDbEdit>(this, g, 3, 1, "AMTGOODS");
    AddField<TPnDbEdit>(this, g, 4, 1, "AMTTAX");
    AddField<TPnDbEdit>(this, g, 5, 1, "AMTTOTAL");
    AddField<TPnDbMemo>(this, g, 6, 0, "REMARKS")->setMinimumHeight(60);
    g->setRowStretch(7, 1);
}

// The editors of the line being edited, beside the lines.
void TfmArTran::BuildLineEditors() {
    auto* lines = new QGridLayout(GroupBoxItem);
    pnLine = AddField<TPnDbEdit>(this, lines, 0, 0, "LINE", 1, Sub_DS);
    pnItem = AddField<TPnFkey>(this, lines, 1, 0, "IC_ITEM_ID", 1, Sub_DS);
    pnItem->LookupSQL = DefaultItemLookupSQL();
    pnItem->DataField1 = QStringLiteral("IC_ITEM_ITEMNO,ITEMDESC,PRICE");
    AddField<TPnDbEdit>(this, lines, 2, 0, "ITEMDESC", 1, Sub_DS);
    auto* row = new QGridLayout;
    lines->addLayout(row, 3, 0);
    AddField<TPnDbEdit>(this, row, 0, 0, "QTY", 1, Sub_DS);
    AddField<TPnDbEdit>(this, row, 0, 1, "PRICE", 1, Sub_DS);
    AddField<TPnDbEdit>(this, row, 0, 2, "DISCTRATE", 1, Sub_DS);
    AddField<TPnDbEdit>(this, row, 0, 3, "AMOUNT", 1, Sub_DS);
    lines->setRowStretch(4, 1);
}

// The receipt list of the current invoice, in the second page.
void TfmArTran::BuildReceiptList() {
    Receipt_CDS = new TClientDataSet(this);
    Receipt_CDS->setObjectName(QStringLiteral("Receipt_CDS"));
    Receipt_CDS->SetConnection(Child_CDS->Connection());
    Receipt_DS = new TDataSource(this);
    Receipt_DS->SetDataSet(Receipt_CDS);
    auto* rl = new QVBoxLayout(gb1);
    dbGridReceipts = new TDbGrid(gb1);
    dbGridReceipts->setObjectName(QStringLiteral("dbGridReceipts"));
    dbGridReceipts->setToolTip(QStringLiteral("Double click to go to receipt window"));
    dbGridReceipts->SetDataSource(Receipt_DS);
    rl->addWidget(dbGridReceipts);
    connect(dbGridReceipts, &QAbstractItemView::doubleClicked, this,
            GuardedCommand(&TfmArTran::dbGridReceiptsDblClick));
}

// The print menus of the grid and the tool bar, and "Enter New Receipt".
void TfmArTran::BuildInvoiceCommands() {
    PopupDbGrid->addSeparator();
    PreviewInvoicesMenu = PopupDbGrid->addMenu(QStringLiteral("Preview Invoices"));
    PreviewInvoicesMenu->setObjectName(QStringLiteral("PreviewInvoicesMenu"));
    connect(PopupDbGrid, &QMenu::aboutToShow, this, GuardedCommand(&TfmArTran::PopupDbGridPopup));
    btnDoTemplate = new QToolButton(ToolBar2);
    btnDoTemplate->setObjectName(QStringLiteral("btnDoTemplate"));
    btnDoTemplate->setText(QStringLiteral("Preview"));
    btnDoTemplate->setAccessibleName(btnDoTemplate->text());
    btnDoTemplate->setPopupMode(QToolButton::InstantPopup);
    PopupPopupMain = new QMenu(btnDoTemplate);
    PopupPopupMain->setObjectName(QStringLiteral("PopupPopupMain"));
    N9 = PopupPopupMain->addAction(QStringLiteral("Set Company Info"));
    PreviewSelectedInvoicesMenu =
        PopupPopupMain->addMenu(QStringLiteral("Preview Selected Invoices"));
    PreviewSelectedInvoicesMenu->setObjectName(QStringLiteral("PreviewSelectedInvoicesMenu"));
    btnDoTemplate->setMenu(PopupPopupMain);
    ToolBar2->addWidget(btnDoTemplate);
    connect(PopupPopupMain, &QMenu::aboutToShow, this,
            GuardedCommand(&TfmArTran::PopupPopupMainPopup));
    connect(N9, &QAction::triggered, this, GuardedCommand(&TfmArTran::N9Click));
    PopupDbGrid->addSeparator();
    EnterNewReceipt1 = PopupDbGrid->addAction(QStringLiteral("Enter New Receipt"));
    connect(EnterNewReceipt1, &QAction::triggered, this,
            GuardedCommand(&TfmArTran::EnterNewReceipt1Click));
}

// Opening either print menu hands the marked invoices to the template
// window: what a chosen template prints.
void TfmArTran::PopupDbGridPopup() {
    CreateTemplateMenu(1, PreviewInvoicesMenu);
    if (ITemplatePrinter* printer = TemplatePrinter()) printer->SetOrderInStr(GetSelectedIdList());
}

void TfmArTran::PopupPopupMainPopup() {
    const bool enabled = Child_CDS->Active() && !Child_CDS->IsEmpty() && !Child_DS->Editing();
    if (enabled && DBGrid1->SelectedRows().Count() == 0) {
        DBGrid1->SelectedRows().SetMarked(Child_CDS->KeyOfRow(Child_CDS->RecNo()), true);
        DBGrid1->SyncMarks();
    }
    for (QAction* a : PopupPopupMain->actions()) a->setEnabled(enabled);
    CreateTemplateMenu(1, PreviewSelectedInvoicesMenu);
    if (ITemplatePrinter* printer = TemplatePrinter()) printer->SetOrderInStr(GetSelectedIdList());
}

void TfmArTran::N9Click() {
    if (IChildHost* host = Host()) host->SetSysOptions(1);
}

int TfmArTran::CustomerId() const {
    TField* f = Child_CDS->FindField(QStringLiteral("AR_ACCT_ID"));
    return f ? f->AsInteger() : 0;
}

void TfmArTran::NewInvoiceDefaults() {
    if (Child_CDS->State() != TDataSetState::Insert) return;
    if (QTreeWidgetItem* folder = TreeView1->currentItem())
        Child_CDS->FieldByName(QStringLiteral("SYS_TREEVIEW_ID"))->SetValue(NodeData(folder).ID);
    Child_CDS->FieldByName(QStringLiteral("AR_TRANTYPE_ID"))->SetValue(ArTranTypeSalesInvoice);
    Child_CDS->FieldByName(QStringLiteral("AR_TRANTYPE_FACTOR"))
        ->SetValue(ArTranTypeSalesInvoiceFactor);
    Child_CDS->FieldByName(QStringLiteral("SYS_USER_ID"))->SetValue(dmMain()->Curr_User_ID);
    pg->setCurrentIndex(0);
    pnInvoiceNo->Edit()->setFocus();
}

void TfmArTran::OrderFieldChange(TField& f) {
    const TDataSetState st = Child_CDS->State();
    if (st != TDataSetState::Edit && st != TDataSetState::Insert) return;
    if (f.FieldName == "AR_ACCT_ID") {
        // The customer's tax code, which in turn recomputes the totals.
        Child_CDS->FieldByName(QStringLiteral("SYS_TAX_ID"))
            ->SetValue(dmMain()->GetArAcctTaxId(f.AsInteger()));
    } else if (f.FieldName == "SYS_TAX_ID") {
        TMoney total, tax, goods;
        dmMain()->CalcArTranTax(Child_CDS->FieldByName(QStringLiteral("ID"))->AsInteger(),
                                f.AsInteger(), total, tax, goods);
        Child_CDS->FieldByName(QStringLiteral("AMTGOODS"))->SetValue(QVariant::fromValue(goods));
        Child_CDS->FieldByName(QStringLiteral("AMTTAX"))->SetValue(QVariant::fromValue(tax));
        Child_CDS->FieldByName(QStringLiteral("AMTTOTAL"))->SetValue(QVariant::fromValue(total));
    }
}

void TfmArTran::ItemFieldChange(TField& f) {
    const TDataSetState st = Sub_CDS->State();
    if (st != TDataSetState::Edit && st != TDataSetState::Insert) return;
    if (f.FieldName != "PRICE" && f.FieldName != "QTY" && f.FieldName != "DISCTRATE") return;
    // More than the whole price off, or a surcharge, is no discount (it would
    // give a negative or inflated line amount).
    if (f.FieldName == "DISCTRATE" && !f.IsNull() && !(f.AsFloat() >= 0 && f.AsFloat() <= 100))
        throw EDataSetError('[' + f.Caption() +
                            "] The value is out of range: it must lie between 0 and 100.");
    TMoney amount;
    try {
        amount = LineAmount(Sub_CDS->FieldByName(QStringLiteral("QTY"))->AsInteger(),
                            Sub_CDS->FieldByName(QStringLiteral("PRICE"))->AsFloat(),
                            Sub_CDS->FieldByName(QStringLiteral("DISCTRATE"))->AsFloat());
    } catch (const EMoneyOverflow& e) {
        // Refuses the value just typed: the record set takes the change back.
        throw EDataSetError('[' + f.Caption() + "] " + e.Message());
    }
    Sub_CDS->FieldByName(QStringLiteral("AMOUNT"))->SetValue(QVariant::fromValue(amount));
}

void TfmArTran::Sub_CDSAfterInsert() {
    TfmChild::Sub_CDSAfterInsert();
    Sub_CDS->FieldByName(QStringLiteral("DISCTRATE"))->SetValue(0);
    Sub_CDS->FieldByName(QStringLiteral("QTY"))->SetValue(1);
}

void TfmArTran::WriteDerived(TFbTransaction& tra, TClientDataSet*) {
    // Lines and tax code are written; the totals follow in the same
    // transaction, from the lines and the tax code as now stored.
    if (!Child_CDS->Active() || Child_CDS->IsEmpty()) return;
    dmMain()->UpdateArTran(tra, Child_CDS->FieldByName(QStringLiteral("ID"))->AsInteger());
}

void TfmArTran::pnFkeyItemNoEnter() {
    if (CustomerId() <= 0) return;
    double disc = 0;
    int level = 0;
    dmMain()->GetDefaultValueFromArAcct(CustomerId(), disc, level);
    if (level < 0) return;
    pnItem->LookupSQL = "SELECT ID,ITEMNO,NAME,PRICE" + QString::number(level) + " FROM IC_ITEM";
    pnItem->RefreshLookupSQL();
}

void TfmArTran::pnFkeyItemNoExit() {
    pnItem->LookupSQL = DefaultItemLookupSQL();
    pnItem->RefreshLookupSQL();
    const TDataSetState st = Sub_CDS->State();
    if (CustomerId() > 0 && (st == TDataSetState::Edit || st == TDataSetState::Insert)) {
        double disc = 0;
        int level = 0;
        dmMain()->GetDefaultValueFromArAcct(CustomerId(), disc, level);
        Sub_CDS->FieldByName(QStringLiteral("DISCTRATE"))->SetValue(disc);
    }
}

bool TfmArTran::eventFilter(QObject* o, QEvent* e) {
    if (o == pnItem->BtnEdit()) {
        // The picker taking the focus is not leaving the field.
        const auto reason = e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut
                                ? static_cast<QFocusEvent*>(e)->reason()
                                : Qt::OtherFocusReason;
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (e->type() == QEvent::FocusIn) Guarded([this]() { pnFkeyItemNoEnter(); });
            if (e->type() == QEvent::FocusOut) Guarded([this]() { pnFkeyItemNoExit(); });
        }
    }
    return TfmChild::eventFilter(o, e);
}

void TfmArTran::Child_CDSAfterOpen() {
    TfmChild::Child_CDSAfterOpen();
    ReloadReceiptCDS();
}

void TfmArTran::ReloadReceiptCDS() {
    Receipt_CDS->Close();
    Receipt_CDS->SetMasterLink(Child_CDS, QStringLiteral("ID"), QStringLiteral("AR_TRAN_ID"));
    Receipt_CDS->CommandText = QStringLiteral(
        "SELECT ID,AR_TRAN_ID,TRANDATE,TRANDESC,TYPE1NOTE,TRANAMT FROM CB_TRAN ORDER BY TRANDATE");
    if (Receipt_CDS->FieldCount() == 0) {
        Receipt_CDS->UpdateFieldDefs();
        const std::pair<const char*, const char*> shown[] = {{"TRANDATE", "Date"},
                                                             {"TRANDESC", "Description"},
                                                             {"TYPE1NOTE", "Type"},
                                                             {"TRANAMT", "Amount"}};
        for (int i = 0; i < Receipt_CDS->FieldCount(); ++i) Receipt_CDS->Field(i)->Visible = false;
        for (const auto& s : shown) {
            TField* f = Receipt_CDS->FieldByName(s.first);
            f->Visible = true;
            f->DisplayLabel = s.second;
        }
        Receipt_CDS->FieldByName(QStringLiteral("TRANAMT"))->DisplayFormat =
            QStringLiteral("#,###,##0.00");
        dbGridReceipts->GridModel()->ResetColumns();
    }
    Receipt_CDS->Open();
}

void TfmArTran::EnterNewReceipt1Click() {
    const int id = Child_CDS->Active() && !Child_CDS->IsEmpty()
                       ? Child_CDS->FieldByName(QStringLiteral("ID"))->AsInteger()
                       : 0;
    if (!ProcessArPay(id, this)) return;
    ReloadReceiptCDS();
    // The paid amount the receipt changed.
    if (Child_CDS->State() == TDataSetState::Browse) Child_CDS->RefreshRecord();
}

void TfmArTran::dbGridReceiptsDblClick() {
    const int id = Receipt_CDS->Active() && !Receipt_CDS->IsEmpty()
                       ? Receipt_CDS->FieldByName(QStringLiteral("ID"))->AsInteger()
                       : 0;
    if (id <= 0) {
        ShowInformation(QStringLiteral("There is no corresponding receipt"));
        return;
    }
    if (!FReceiptWindow) return;
    // The first bring-up would load the folders and list a folder instead of
    // the receipt: load them now. Edits pending there are not dropped unasked.
    if (FReceiptWindow->TreeIsEmpty()) FReceiptWindow->LoadTree();
    if (!FReceiptWindow->ResolvePendingEdits()) return;
    FReceiptWindow->ListRowsWhere("ID=" + QString::number(id));
    if (FReceiptWindow->Child_CDS->IsEmpty()) {
        ShowInformation("Cannot find receipt ID:" + QString::number(id));
        return;
    }
    if (Host()) Host()->BringUpChildForm(FReceiptWindow);
}
