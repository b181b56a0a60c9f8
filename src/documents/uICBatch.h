#pragma once

#include "uChild.h"

class TPnDbEdit;
class TPnFkey;

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
