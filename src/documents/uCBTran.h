#pragma once

#include "uChild.h"

class TPnFkey;

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
