#pragma once

#include "uChild.h"

class TPnDbEdit;

// Customers (AR_ACCT): a record browser with a folder tree.
class TfmCust : public TfmChild {
    Q_OBJECT
public:
    explicit TfmCust(QWidget* parent = nullptr);
    TPnDbEdit* pnNickName;
    TPnDbEdit* pnName;
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
    TPnDbEdit* pnName;
};

// Lays out labelled edits for fields of a table in a group box, top to bottom.
TPnDbEdit* AddFieldEdit(TfmChild* child, QWidget* box, const QString& table, const QString& field);
