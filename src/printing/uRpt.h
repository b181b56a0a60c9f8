#pragma once

#include <QColor>
#include <QDialog>
#include <QVariantMap>

#include "TReport.h"
#include "uPnDbDate.h"

class QComboBox;
class QFormLayout;
class QLabel;
class QPushButton;
class TClientDataSet;

// The window of a fixed report: a date range with its presets, the report's
// own choices, and "Preview", which runs the report's statement and shows
// its pages. The report is laid out here: title, print date, selection and
// a strip of column captions on every page, one line per row, a total, and
// the page number.
class TfmRpt : public QDialog {
    Q_OBJECT
public:
    explicit TfmRpt(const QString& caption, const QString& title, QWidget* parent = nullptr);
    ~TfmRpt() override;

    // Applies a date-range preset to the two dates.
    void cb1Change(int index);
    // "Preview": reports open Work_CDS first, then call this.
    virtual void BitBtn1Click();
    void BitBtn2Click();

    QComboBox* cb1;
    QLabel* lbFrom;
    TDbDate* dtFrom;
    QLabel* lbTo;
    TDbDate* dtTo;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    TClientDataSet* Work_CDS;
    TReport QuickRep1;
    TReportBand* PageHeader;
    TReportBand* Detail;
    TReportBand* Summary;
    TReportBand* PageFooter;
    TReportText* QRLabelTitle;
    TReportText* QRSysDataDate;
    TReportText* QRLabelSelection;
    TReportText* SummaryCaption;

    // Colours of the strips.
    static const QColor MoneyGreen;
    static const QColor InactiveBorder;
    static const QString MoneyMask;

protected:
    // Adds a row of the window's own choices under the dates.
    void AddOption(const QString& caption, QWidget* control);
    // A column: its caption in the heading strip (given back in heading) and
    // its value on the detail line; a wide text column wraps within its width.
    TReportText* AddColumn(const QString& caption, const QString& field, int left, int width,
                           bool alignRight, const QString& mask = QString(), bool wrap = false,
                           TReportText** heading = nullptr);
    // A text in band: a column's value, or a total of it (band a group footer
    // or the summary).
    TReportText* AddField(TReportBand* band, const QString& field, int left, int width,
                          bool alignRight, const QString& mask = QString());
    TReportText* AddTotal(TReportBand* band, const QString& field, int left, int width, bool bold,
                          const QString& mask = MoneyMask);
    TReportText* AddLabel(TReportBand* band, const QString& text, int left, int width,
                          bool bold = false);
    // A group header strip showing a column in bold, and its footer.
    void AddGroup(TReportBand*& header, TReportText*& shows, TReportBand*& footer);
    // Reads the report's rows; the dates go into :D1 and :D2 (and more).
    void OpenWork(const QString& sql, const QVariantMap& params);
    QVariantMap DateParams(int pairs = 1) const;
    // The width the bands have between the margins.
    int ContentWidth() const;

    bool ShowSelection = true;

private:
    void BuildDateRange();
    void BuildButtons();
    void BuildLayout();
    void ConnectControls();
    void BuildWorkData();
    void BuildReport(const QString& title);
    void BuildPageHeader(int width);
    void BuildDetailAndSummary();
    void BuildPageFooter(int width);

    QFormLayout* FOptions;
};
