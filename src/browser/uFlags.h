#pragma once

#include <QPixmap>
#include <QStringList>

#include "uDialog.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QToolButton;
class TClientDataSet;
class TDataSource;
class TDbGrid;

// The icons of record flags: fifteen numbered sets (1 "Flags" … 15
// "Calendars") drawn by the program, and the "System" set of the flag menu
// (0 "Clear Flag", 1 "Delete>>>", 2 "New>>>") for any other number.
const QStringList& FlagSetNames();
int FlagSetSize(int imgId);
QPixmap FlagIcon(int imgId, int imgIdx, int size = 16);

// "Setup Flags": a new flag's name and icon.
class TfmFlag : public TfmDialog {
    Q_OBJECT
public:
    explicit TfmFlag(QWidget* parent = nullptr);
    void cbImgChange();
    void ListView1Change();
    void BitBtn1Click();
    void BitBtn2Click() { reject(); }

    QToolButton* ButtonedEdit1Icon;
    QLineEdit* ButtonedEdit1;
    QComboBox* cbImg;
    QListWidget* ListView1;
    int ImgId = -1;
    int ImgIdx = -1;

private:
    int FShownIdx = 0;  // the icon on the edit box's button
};

// "Setup Flags": deleting flags that are not the system's.
class TfmFlagDel : public TfmDialog {
    Q_OBJECT
public:
    TfmFlagDel(const QString& sql, QWidget* parent = nullptr);
    void BitBtn1Click();
    void BitBtn2Click() { accept(); }

    TClientDataSet* FlagDel_CDS;
    TDataSource* FlagDel_DS;
    TDbGrid* DBGrid1;
    bool Deleted = false;
};
