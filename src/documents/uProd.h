#pragma once

#include "uChild.h"

class TPnDbEdit;
class TPnDictBox;

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
