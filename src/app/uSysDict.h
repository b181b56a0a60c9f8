#pragma once

#include <QDialog>
#include <functional>

#include "TClientDataSet.h"

class QLineEdit;
class QPushButton;
class TDataSource;
class TDbGrid;

// The data dictionary: the suggested values of the dictionary drop-downs.
class TfmSysDict : public QDialog {
    Q_OBJECT
public:
    explicit TfmSysDict(QWidget* parent = nullptr);
    // Closes and reopens the dictionaries, then their values.
    void OpenSets();
    // True refuses newN (empty, or already a value of this dictionary).
    bool FoundName(const QString& newN);
    void ModifyClick();
    void NewClick();
    void DeleteClick();

    TClientDataSet* Dict_CDS;
    TDataSource* Dict_DS;
    TClientDataSet* Val_CDS;
    TDataSource* Val_DS;
    TDbGrid* gridDict;
    TDbGrid* gridVal;
    QLineEdit* Edit1;
    QPushButton* btnModify;
    QPushButton* btnNew;
    QPushButton* btnDelete;
    QPushButton* btnClose;

private:
    // Runs write (set, post, apply). When the column or the database refuses
    // it, the message is shown and the grid shows the stored values again, on
    // row current, while the edit box keeps the typed text to be put right.
    bool WriteKeepingText(const QString& typed, TBookmark current,
                          const std::function<void()>& write);
};
