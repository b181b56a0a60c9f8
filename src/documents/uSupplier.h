#pragma once

#include "uChild.h"

class TPnDbEdit;

// Suppliers (AP_ACCT).
class TfmSupplier : public TfmChild {
    Q_OBJECT
public:
    explicit TfmSupplier(QWidget* parent = nullptr);
    TPnDbEdit* pnNickName;
    TPnDbEdit* pnName;
};
