#pragma once

#include "uChild.h"

class TPnDbEdit;

// Banks (CB_ACCT): the bank and cash accounts.
class TfmCBAcct : public TfmChild {
    Q_OBJECT
public:
    explicit TfmCBAcct(QWidget* parent = nullptr);
    TPnDbEdit* pnName;
};
