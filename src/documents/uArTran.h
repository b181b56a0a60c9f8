#pragma once

#include "TClientDataSet.h"
#include "uChild.h"

class QAction;
class QMenu;
class QToolButton;
class TPnDbEdit;
class TPnFkey;

// Invoices (AR_TRAN) with their lines (AR_TRANITEM) and receipts.
class TfmArTran : public TfmChild {
    Q_OBJECT
public:
    explicit TfmArTran(QWidget* parent = nullptr);

    // The line amount in ten-thousandths: qty × price, less the discount in
    // percent, both steps rounded half to even.
    static TMoney LineAmount(int qty, double price, double discRate);

    void ReloadReceiptCDS();
    void EnterNewReceipt1Click();
    void dbGridReceiptsDblClick();
    // Where the receipts are shown (the transaction window).
    TfmChild* FReceiptWindow = nullptr;

    TPnDbEdit* pnInvoiceNo;
    TPnFkey* pnCust;
    TPnFkey* pnTax;
    TPnDbEdit* pnLine;
    TPnFkey* pnItem;
    TClientDataSet* Receipt_CDS;
    TDataSource* Receipt_DS;
    TDbGrid* dbGridReceipts;
    QAction* EnterNewReceipt1;
    // Printing: the grid menu's "Preview Invoices" and the toolbar's
    // "Preview" button with "Set Company Info" and "Preview Selected Invoices".
    QMenu* PreviewInvoicesMenu;
    QToolButton* btnDoTemplate;
    QMenu* PopupPopupMain;
    QAction* N9;
    QMenu* PreviewSelectedInvoicesMenu;
    void PopupDbGridPopup();
    void PopupPopupMainPopup();
    void N9Click();

    static QString DefaultItemLookupSQL() {
        return QStringLiteral("SELECT ID,ITEMNO,NAME,PRICE0 FROM IC_ITEM");
    }

protected:
    void Child_CDSAfterOpen() override;
    void RefreshRelated() override { ReloadReceiptCDS(); }
    void Sub_CDSAfterInsert() override;
    bool eventFilter(QObject* o, QEvent* e) override;
    void WriteDerived(TFbTransaction& tra, TClientDataSet* cds) override;

private:
    void BuildInvoiceEditors();
    void BuildLineEditors();
    void BuildReceiptList();
    void BuildInvoiceCommands();
    void NewInvoiceDefaults();
    void OrderFieldChange(TField& f);
    void ItemFieldChange(TField& f);
    void pnFkeyItemNoEnter();
    void pnFkeyItemNoExit();
    int CustomerId() const;
};
