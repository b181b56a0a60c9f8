#pragma once

#include "uChild.h"

class TDbRadioGroup;
class TPnDbEdit;
class TPnDbMemo;
class TPnDictBox;
class TPnFkey;

// Customers (AR_ACCT): a record browser with a folder tree.
class TfmCust : public TfmChild {
    Q_OBJECT
public:
    explicit TfmCust(QWidget* parent = nullptr);
    TPnDbEdit* pnNickName;
    TPnDbEdit* pnName;
    TPnDbMemo* pnAddress;
    TPnDictBox* pnGroup;
    TPnDbEdit* pnDiscRate;
    TPnFkey* pnTax;
    TPnDictBox* pnGrade;
    TDbRadioGroup* rgPriceNo;
    TPnDbMemo* pnRemarks;
};
