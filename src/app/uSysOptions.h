#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class TClientDataSet;
class TDataSource;
class TDbCheckBox;
class TDbEditGrid;
class TPnBase;
class TPnDbEdit;
class TPnDbMemo;

// The options window: the invoice numbering pattern, the company details
// printed on documents (address 0) and the tax rates. "Save" writes the three
// in one transaction; closing with changes not saved asks first.
class TfmSysOptions : public QDialog {
    Q_OBJECT
public:
    explicit TfmSysOptions(QWidget* parent = nullptr);

    enum TPage { pgGeneral = 0, pgCompany = 1, pgTaxRates = 2 };
    // Selects the tree entry at index, which shows its page.
    void SelectPage(int index);
    int PageIndex() const;

    // Writes the changes of the three sets, company first, then the tax
    // rates, then the numbering, in one transaction. A refusal (by a column
    // or by the database) is shown, writes nothing, and keeps every edit.
    bool Save();
    // Whether anything typed is not saved yet.
    bool HasPendingEdits() const;

    // Closing (Close, the close box, Esc) asks about unsaved changes first.
    void reject() override;

    QTreeWidget* tvOptions;
    QStackedWidget* pcOptions;
    QPushButton* btnSave;
    QPushButton* btnClose;

    // General
    TClientDataSet* SysTableNo_CDS;
    TDataSource* SysTableNo_DS;
    QLabel* lbPattern;
    TPnDbEdit* pnPrefix0;
    TDbCheckBox* cbPrefix0Date;
    TPnDbEdit* pnDigit;
    QPlainTextEdit* memoExamples;

    // Company
    TClientDataSet* SoDoTemplateSet_CDS;
    TDataSource* SoDoTemplateSet_DS;
    QLabel* lbCompanyNote;
    QComboBox* cbSoDoIdx;
    TPnDbEdit* pnName;
    TPnDbMemo* pnAddress;
    TPnDbMemo* pnRemarks;

    // Tax Rates
    TClientDataSet* Site_CDS;
    TDataSource* Site_DS;
    TDbEditGrid* gridTax;
    QLabel* lbTaxNote;
    QLabel* lbTaxNote2;

private:
    QWidget* BuildGeneralPage();
    QWidget* BuildCompanyPage();
    QWidget* BuildTaxPage();
    void PageChanged();
    // Reopens the company set on the address chosen (always 0: the choice is hidden).
    void LoadAddress();
    void OpenTaxRates();
    // Saves the company set alone, as reloading the address asks.
    bool SaveCompany();
    bool WriteSets(const QList<TClientDataSet*>& sets);
    // Ends the editing of each set so that its row can be written; an
    // untouched new row is left out.
    void PostSets(const QList<TClientDataSet*>& sets);
    void DiscardAll();
    // The caption a labelled control shows when the field metadata gives none.
    static void DefaultCaption(TPnBase* pn, const QString& caption);
};
