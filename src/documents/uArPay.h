#pragma once

#include "uDialog.h"

class TClientDataSet;
class TDataSource;
class TPnFkey;

// "New Receipt": money received against one invoice, into a bank account.
class TfmArPay : public TfmDialog {
    Q_OBJECT
public:
    explicit TfmArPay(QWidget* parent = nullptr);
    // Opens the empty set and starts the receipt of invoice arTranId.
    void Start(int arTranId);
    void SaveClick();

    TClientDataSet* CBTran_CDS;
    TDataSource* CBTran_DS;
    TPnFkey* pnAcct;
};

// The receipt dialog for one invoice; false when there is no valid invoice.
bool ProcessArPay(int arTranId, QWidget* parent = nullptr);
