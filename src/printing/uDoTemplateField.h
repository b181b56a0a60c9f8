#pragma once

#include <QDialog>
#include <QPoint>

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTabWidget;
class TClientDataSet;
class TDataSource;
class TDbCheckBox;
class TDbRadioGroup;
class TPnDbEdit;

// "Invoice Layout Design": which elements print and in which band, each
// element's properties, and the page. Edits the template window's master row
// and element rows directly; "Ok" writes them, "Cancel" drops them.
class TfmDoTemplateField : public QDialog {
    Q_OBJECT
public:
    TfmDoTemplateField(TDataSource* master, TClientDataSet* fields, QWidget* parent = nullptr);

    // Moves the selected item (the first when none is) of clbFrom to clbTo,
    // and its element from band grpFrom to grpTo, after asking.
    void MoveItem(QListWidget* clbFrom, QListWidget* clbTo, const QString& grpFrom,
                  const QString& grpTo);
    // "Field Property" for the element titled aTitle in band grpName.
    void EditItem(const QString& grpName, const QString& aTitle);
    // The check list of a band ("Header", "Detail", "Footer"); nullptr for others.
    QListWidget* ListOfBand(const QString& band) const;

    QTabWidget* pgSettings;
    QListWidget* clbHeader;
    QListWidget* clbDetail;
    QListWidget* clbFooter;
    QComboBox* cbPaperSize;
    TPnDbEdit* pnPageWidth;
    TPnDbEdit* pnPageHeight;
    TDbRadioGroup* rgOrientation;
    TPnDbEdit* pnHeaderHeight;
    TPnDbEdit* pnFooterHeight;
    TPnDbEdit* pnLineCount;
    TPnDbEdit* pnOffsetX;  // nullptr for a database without the offset columns
    TPnDbEdit* pnOffsetY;
    TPnDbEdit* pnFileName;
    QPushButton* btnBrowse;
    QPushButton* btnClearImage;
    TDbCheckBox* cbPrintImage;
    QPushButton* btnOk;
    QPushButton* btnCancel;

    bool needReload = false;
    bool SaveBtnClicked = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    QWidget* BuildFieldsPage();
    QWidget* BuildPagePage();
    void OkClick();
    void clbDblClick(QListWidget* list, const QPoint& pos);
    // Moves the row of fields to the element titled aTitle in band grpName.
    bool LocateItem(const QString& grpName, const QString& aTitle);
    // The message that refuses the page setting of column field, or empty.
    QString PageValueProblem(const QString& field) const;
    // The page's height in pixels: a standard paper's in the orientation
    // chosen, a "Custom" one's as typed.
    int PageHeightPixels() const;
    // Shows the first refused page setting and puts the cursor into its box.
    bool CheckPageValues();
    void Refuse(TPnDbEdit* pn, const QString& message);
    QString BandOfList(const QListWidget* list) const;
    QListWidget* ListAt(const QPoint& globalPos) const;

    TDataSource* FMasterDS;
    TClientDataSet* FMaster;
    TClientDataSet* FFields;
    // Drag state: the list a drag started in, its band, and where.
    QListWidget* clbDragFrom = nullptr;
    QString clbGrpFrom;
    QPoint FPressPos;
    bool FDragging = false;
    bool FTelling = false;  // a refusal is being shown
};

// "Field Property": position, format, wrapping and alignment of the current
// element row.
class TfmDoTemplateFieldProperty : public QDialog {
    Q_OBJECT
public:
    TfmDoTemplateFieldProperty(TDataSource* fields, const QString& title,
                               QWidget* parent = nullptr);
    QLabel* lbTitle;
    TPnDbEdit* pnLeft;
    TPnDbEdit* pnTop;
    TPnDbEdit* pnFormat;
    TDbCheckBox* cbWordWrap;
    TDbCheckBox* cbRightAdj;
    QPushButton* btnOk;

protected:
    // The row is posted on the way out; a value it refuses keeps the dialog open.
    void done(int r) override;

private:
    TDataSource* FFieldsDS;
};
