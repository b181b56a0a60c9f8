#pragma once

#include <QUrl>
#include <functional>

#include "uDialog.h"

class QLineEdit;
class QRadioButton;
class QToolButton;
class TClientDataSet;
class TDbGrid;

// "Data Export": the marked rows of a browser's grid, or all its rows, into
// a new spreadsheet file (.xlsx).
class TfmExport : public TfmDialog {
    Q_OBJECT
public:
    explicit TfmExport(QWidget* parent = nullptr);
    void BitBtn1Click();  // "Execute"
    void BitBtn2Click() { accept(); }
    void SpeedButton1Click();

    QString eTableName;
    TClientDataSet* eCDS = nullptr;
    TDbGrid* eDbGrid = nullptr;

    QLineEdit* Edit1;
    QToolButton* SpeedButton1;
    QRadioButton* rbSelected;  // "Only export selected records"
    QRadioButton* rbAll;       // "Export all records under selected folder"

    // The sheet name a table gets: at most 31 characters, none of []:*?/\.
    static QString SheetName(const QString& tableName);
    // How a written file is opened (the desktop's application unless replaced).
    static std::function<void(const QUrl&)>& FileOpener();

private:
    // Writes the workbook; false with the reason when it cannot.
    bool WriteWorkbook(const QString& file, QString& reason) const;
};
