#pragma once

#include "uWizard.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class TClientDataSet;

// The wizard that creates one user-defined field: its name and caption, its
// data type, the type's attributes, whether it shows in the grid and prints,
// and then the column itself.
class TfmWizardUdf : public TfmWizard {
    Q_OBJECT
public:
    explicit TfmWizardUdf(QWidget* parent = nullptr);

    QString FWizardTbName;            // the table that gets the column
    QString FWizardTbDesc;            // its description, in template element titles
    QString FWizardDropDownDesc;      // likewise, in value-list names
    bool FWizardNeedRefresh = false;  // a field was created
    TClientDataSet* Udf_CDS;          // the new field's SYS_OBJECT row

    // Starts a new field on sheet sheetNo whose field area ends at hCeiling:
    // its SYS_OBJECT row, saved only when the field is created.
    void NewField(int sheetNo, int hCeiling);
    bool UdfFieldValidate(const QString& fldName, QString& Err);
    void cbTableChange();
    void btnNextClick() override;

    // Page 1
    QLineEdit* edFieldName;
    QLineEdit* edCaption;
    // Page 2: one choice per data type, in type order.
    QList<QRadioButton*> rbTypes;
    // Page 3
    QLabel* lbAttrTitle;
    QStackedWidget* pgAttr;  // text, numeric, lookup and other attributes
    QSpinBox* edTextSize;
    QSpinBox* edNumSize;
    QSpinBox* edNumDecimal;
    QLineEdit* edFormat;
    QLineEdit* edDefault;
    QComboBox* cbTable;
    QComboBox* cbLookupField;
    QSpinBox* edTabOrder;
    QCheckBox* cbRequired;
    QLabel* lbRequiredNote;
    // Page 4
    QCheckBox* cbVisible;
    QWidget* pnPrint;
    QCheckBox* cbNeedPrint;
    QLineEdit* edBand;
    QLineEdit* edDataTable;
    QLineEdit* edDataSet;

    static QString TypeChoice(int udfType);

private:
    void BuildDataSet();
    void BuildNamePage();
    void BuildTypePage();
    void BuildAttributesPage();
    void BuildTextAttributes(const QString& sizeNote);
    void BuildNumberAttributes(const QString& sizeNote);
    void BuildLookupAttributes();
    void BuildGridAndPrintPage();
    void BuildDonePage();
    int ChosenType() const;
    bool CheckNamePage();
    void PrepareAttributes();
    bool CheckAttributes();
    void CreateField();
    void SetRow(const QString& field, const QVariant& value);
    void Advance();
};
