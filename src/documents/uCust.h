#pragma once

#include "uChild.h"

class QGridLayout;
class TDbRadioGroup;
class TPnBase;
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

// Suppliers (AP_ACCT).
class TfmSupplier : public TfmChild {
    Q_OBJECT
public:
    explicit TfmSupplier(QWidget* parent = nullptr);
    TPnDbEdit* pnNickName;
    TPnDbEdit* pnName;
};

// Products (IC_ITEM).
class TfmProd : public TfmChild {
    Q_OBJECT
public:
    explicit TfmProd(QWidget* parent = nullptr);
    TPnDbEdit* pnItemNo;
    TPnDictBox* pnUom;
    TPnDictBox* pnForm;
    TPnDbEdit* pnName;
};

// Creates a labelled control of type T for a column of the master set and
// puts it into the grid at (row, column).
template <typename T>
T* AddField(TfmChild* child, QGridLayout* grid, int row, int column, const QString& field,
            int rowSpan = 1);
