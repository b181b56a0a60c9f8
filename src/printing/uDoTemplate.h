#pragma once

#include <QImage>
#include <QList>
#include <memory>
#include <vector>

#include "TReport.h"
#include "uChild.h"

class QLabel;
class QScrollArea;
class TReportDocument;

// The print templates: a tree of templates, the page of the selected one
// with its three bands, background picture and one element per template
// row, and the printing of invoices through a template.
class TfmDoTemplate : public TfmChild, public ITemplatePrinter {
    Q_OBJECT
public:
    explicit TfmDoTemplate(QWidget* parent = nullptr);
    ~TfmDoTemplate() override;

    // ---- loading a template
    void LoadTemplate(int TId);
    void SetPageSize();
    void SetImage();
    void CreateLabels();

    // ---- printing
    // Opens the data and shows the preview; withOrder prints the invoices of
    // OrderInStr, otherwise one page of sender data.
    void PreviewTemplate(bool withOrder);
    void btnPreviewClick();
    void ToggleDesignPreviewMode(bool SetPreviewMode);
    // The value hook of an element: system values and postal-code spacing.
    void QRDBTextOnPrint(TReportText& sender, QString& Value);
    static QString PutSpacingIntoCaption(const QString& Cap, int Spc);
    // The page counter within the current invoice.
    void QRBandHeaderAfterPrint();

    // What PreviewTemplate shows, laid out and left in the print state until
    // EndPrint: for the benchmarks and for printing without the window.
    std::unique_ptr<TReportDocument> BeginPrint(bool withOrder);
    void EndPrint();

    // ---- ITemplatePrinter
    void SetOrderInStr(const QString& ids) override { OrderInStr = ids; }
    void PrintWithTemplate(int templateId) override;

    // ---- the template tree: New and Copy copy a template, Delete removes one
    void CopySelectedTemplate();
    void DeleteSelectedTemplate();

    // ---- state
    int FCurrentTemplateId = 0;
    QList<QLabel*> FLabels;
    std::vector<TReportText*> FQRDbTexts;
    QString FFlagCDSSQL;
    QString FInvCDSSQL;
    QString FItemCDSSQL;
    QString OrderInStr;
    int CurrInvID = -9999;
    int PageCount = 0;

    // ---- components
    TClientDataSet* Field_CDS;  // the elements of the loaded template (editable)
    TClientDataSet* Flag_CDS;
    TClientDataSet* Tran_CDS;
    TClientDataSet* Query_Detail;
    TReport QuickRep1;
    TReportBand* QRBandHeader;
    TReportBand* QRBandMaster;
    TReportBand* QRSubDetail;
    TReportBand* QRBandFooter;
    TReportImage* QRImage1;  // the background picture
    QScrollArea* ScrollBox1;
    QWidget* PageCanvas;
    QWidget* HeaderBand;
    QWidget* DetailBand;
    QWidget* FooterBand;
    QLabel* ImageHeader;
    QLabel* ImageFooter;
    QAction* btnPreview;
    QAction* CopySelectedTemplateToNew;
    QAction* DeleteSelectedTemplate1;

protected:
    void Child_CDSAfterOpen() override;

private:
    int MasterInt(const char* field) const;
    QString MasterString(const char* field) const;
    void PlaceBands();
    void ClearLabels();
    TReportBand FNoBand;  // holds the elements of rows in no band: never printed
    QImage FPicture;      // the background picture loaded for this template
    int FSavedItemHeight = 0;
    bool FPrinting = false;
};
