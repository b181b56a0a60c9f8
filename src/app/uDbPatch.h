#pragma once

#include "uDialog.h"

class QPlainTextEdit;
class TClientDataSet;
class TDataSource;
class TDbGrid;

// "Upgrade": the commands of the upgrade database newer than the main
// database's version, run one by one with a log of each.
class TfmDbPatch : public TfmDialog {
    Q_OBJECT
public:
    explicit TfmDbPatch(QWidget* parent = nullptr);
    // Reads the version and the pending commands; false when there is
    // nothing to do (no version, or no newer batch).
    bool Prepare();
    void BitBtn1Click();  // "Execute"
    void BitBtn2Click() { accept(); }

    TClientDataSet* Batch_Item_CDS;
    TDataSource* Batch_Item_DS;
    TClientDataSet* SYS_CDS;
    TDbGrid* DBGrid1;
    QPlainTextEdit* memoLog;
    int Failures = 0;
};
