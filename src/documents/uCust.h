#pragma once

#include <QGridLayout>

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

// Creates a labelled control of type T for a column of the master set (or of
// ds) and puts it into the grid at (row, column).
template <typename T>
T* AddField(TfmChild* child, QGridLayout* grid, int row, int column, const QString& field,
            int rowSpan = 1, TDataSource* ds = nullptr) {
    auto* pn = new T(grid->parentWidget());
    pn->SetDataField(field);
    pn->SetDataSource(ds ? ds : child->Child_DS);
    grid->addWidget(pn, row, column, rowSpan, 1);
    return pn;
}

// Loads every labelled control of a window (metadata, captions, lists).
void LoadAllControls(QWidget* w);

// The shared set-up of the browsers of the business tables: caption, layout
// mode 3, folder tree, the statement the controls find their table in.
void ConfigureBusinessBrowser(TfmChild* w, const QString& name, const QString& caption,
                              const QString& table, const QString& nameField,
                              const QString& filterField);
