#pragma once

#include "uCust.h"

class TPnDbEdit;
class TPnFkey;

// Banks (CB_ACCT): the bank and cash accounts.
class TfmCBAcct : public TfmChild {
    Q_OBJECT
public:
    explicit TfmCBAcct(QWidget* parent = nullptr);
    TPnDbEdit* pnName;
};

// Payments (CB_TRAN): money in and out of the accounts.
class TfmCBTran : public TfmChild {
    Q_OBJECT
public:
    explicit TfmCBTran(QWidget* parent = nullptr);
    TPnFkey* pnType;
    TPnFkey* pnAcct;
    TPnFkey* pnInvoice;
    TPnFkey* pnUser;
};

// Purchases (IC_BATCH): stock batches and their lines.
class TfmICBatch : public TfmChild {
    Q_OBJECT
public:
    explicit TfmICBatch(QWidget* parent = nullptr);
    TPnDbEdit* pnBatchNo;
    TPnFkey* pnType;
    TPnFkey* pnSupplier;
    TPnDbEdit* pnLine;
    TPnFkey* pnItem;
};
