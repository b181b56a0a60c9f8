#pragma once

#include <QImage>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <memory>
#include <vector>

#include "TReport.h"
#include "uChild.h"

class QKeyEvent;
class QLabel;
class TSizeHandles;
class QMenu;
class QMouseEvent;
class QToolButton;
class QTreeWidgetItem;
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
    // Asks to save a changed template before another is shown; on Yes a
    // refused save keeps the template shown.
    void TreeView1Change(QTreeWidgetItem* node) override;

    // ---- design: moving and resizing elements on the canvas
    void CreateNodes();
    void PositionNodes(QWidget* AroundControl);
    void SetNodesVisible(bool Visible);
    void ScrollBox1Click();
    // Fonts for the clicked element (forOneFld) or for every element.
    void SetFont(bool forOneFld);
    void N1Click() { SetFont(true); }
    void N2Click() { SetFont(false); }
    // The layout dialog: bands, visibility, element properties, page.
    void btnSetupClick();
    // Save: the page size and every element as the canvas shows it, in one
    // transaction; false when nothing was written (the reason shown).
    bool Child_SaveExecute();
    void SavePageSize();
    void SaveLabels();
    void RefreshLabels();
    // Elements moved, resized or given fonts on the canvas and not saved.
    bool CanvasChanged() const { return FCanvasChanged; }

    // The design element of a template row; nullptr when none.
    QLabel* LabelOfId(int id) const;
    // The eight handles, 0 at the top left and clockwise.
    // The handles (FHandles->Nodes()) around the selected label.
    QList<QWidget*> FNodes;
    QLabel* CurrentNodeControl() const;
    TSizeHandles* FHandles = nullptr;
    QPointer<QLabel> FCurrentLabel;
    bool inReposition = false;
    QPoint oldPos;  // screen coordinates
    bool SaveMaster() override { return Child_SaveExecute(); }
    bool HasPendingEdits() const override;
    void CancelPendingEdits() override;

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
    QToolButton* btnFonts;
    QMenu* PopupFonts;
    QAction* N1;  // Set Fonts for Selected Field
    QAction* N2;  // Set Fonts for All Fields
    QAction* btnSetup;
    QAction* CopySelectedTemplateToNew;
    QAction* DeleteSelectedTemplate1;

protected:
    void Child_CDSAfterOpen() override;
    void Child_DSStateChange() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildCommands();
    void BuildTreeMenu();
    void BuildCanvas();
    void BuildReport();
    void ControlMouseDown(QLabel* label, QMouseEvent* e);
    void ControlMouseMove(QLabel* label, QMouseEvent* e);
    void ControlMouseUp(QLabel* label, QMouseEvent* e);
    // Arrow keys move the element with the handles; Shift+arrow resizes it.
    bool CanvasKeyPress(QKeyEvent* e);
    void SetLabelGeometry(QLabel* label, const QRect& r);
    // Asks "Template in editing mode, save now?" when the template has
    // changes; false when they stay (a refused save).
    bool ResolveTemplateEdits();
    int MasterInt(const char* field) const;
    QString MasterString(const char* field) const;
    void PlaceBands();
    void ClearLabels();
    TReportBand FNoBand;  // holds the elements of rows in no band: never printed
    QImage FPicture;      // the background picture loaded for this template
    int FSavedItemHeight = 0;
    bool FPrinting = false;
    bool FCanvasChanged = false;
    int FShownNodeId = -1;  // the tree node whose template the canvas shows
};
