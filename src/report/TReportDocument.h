#pragma once

#include <QPagedPaintDevice>
#include <QSize>
#include <QString>
#include <memory>
#include <vector>

#include "TReport.h"

class QPainter;
class QPrinter;
class TReportLayout;

// The pages of a prepared report. Pages are laid out on demand, so that the
// first one can be shown before a long report has been read to its end. The
// report and its record sets must stay as they are while the document lives.
class TReportDocument {
public:
    explicit TReportDocument(TReport& report);
    ~TReportDocument();

    QSize PageSize() const;  // pixels at 96 per inch
    QPageLayout::Orientation Orientation() const;

    // Lays out pages until at least count exist or the report has ended.
    void LayoutUntil(int count);
    // Lays out some more (about one master record); false when done.
    bool LayoutStep();
    bool Complete() const;
    // Pages laid out so far; the whole count once Complete().
    int PageCount() const;
    int TotalPages();                    // lays out everything
    const TReportPage& Page(int index);  // lays out up to it; 0-based

    // Paints page index onto the painter, scaled into target (device pixels).
    void Render(int index, QPainter& painter, const QRectF& target);
    // Paints every page onto a printer or PDF writer, one page each, in the
    // page size and orientation of the report; false when the device fails.
    bool Print(QPagedPaintDevice& device);
    // Print on a printer: shifted by the report's printer offset.
    bool PrintOnPrinter(QPrinter& printer);
    bool SaveToPdf(const QString& fileName);

private:
    bool Print(QPagedPaintDevice& device, QPointF offsetMm);
    TReport& FReport;
    std::unique_ptr<TReportLayout> FLayout;
};
