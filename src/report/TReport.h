#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

#include "TMoney.h"

class TClientDataSet;
class TReportBand;
class TReportDocument;

// A banded report over record sets. Lengths are pixels at 96 per inch: the
// unit in which users lay out their templates. The report knows no business
// table: it prints columns of whatever record sets it is given.

// One thing printed at a place in a band.
class TReportElement {
public:
    virtual ~TReportElement() = default;

    QString Name;
    QRect Geometry;       // within the band
    bool Enabled = true;  // false: laid out nowhere, printed nowhere
    int Tag = 0;
    TReportBand* Band() const { return FBand; }

private:
    friend class TReportBand;
    TReportBand* FBand = nullptr;
};

// A text: fixed, a column of a record set, a system value or a running total.
class TReportText : public TReportElement {
public:
    enum class TKind { Label, Field, System, Total };
    enum class TSystemData { Title, Date, Time, DateTime, PageNumber };

    TKind Kind = TKind::Label;
    QString Text;  // Label: the text; System: the leading text before the value
    TClientDataSet* DataSet = nullptr;  // Field and Total
    QString FieldName;                  // Field and Total
    TSystemData SystemData = TSystemData::Title;
    // Total: restarts after each print in a group footer; in the summary band
    // it covers the whole report.
    QFont Font;
    QColor Color = Qt::black;
    bool AlignRight = false;
    bool AlignCenter = false;
    // AutoSize: the element takes the size of its text (a right-aligned one
    // keeps its right edge). WordWrap: it keeps its width and grows downwards,
    // and its band with it.
    bool AutoSize = true;
    bool WordWrap = false;
    QString Mask;  // display mask for numbers (TDisplayFormat) and dates

    // Called just before the element prints, with the text it would print;
    // the hook may replace it.
    std::function<void(TReportText& element, QString& value)> OnPrint;
};

// A filled rectangle (a coloured strip under captions); printed behind every
// text of the page.
class TReportShape : public TReportElement {
public:
    QColor Color;
};

// A picture; printed behind every text of the page.
class TReportImage : public TReportElement {
public:
    QImage Picture;
    bool Stretch = false;  // false: the picture at its own size (96 dpi)
};

class TReportBand {
public:
    enum class TKind {
        PageHeader,
        Title,
        GroupHeader,
        Detail,
        SubDetail,
        GroupFooter,
        Summary,
        PageFooter
    };

    explicit TReportBand(TKind kind) : FKind(kind) {}
    TKind Kind() const { return FKind; }

    int Height = 0;
    bool Enabled = true;
    QColor Background;          // invalid: none
    bool ForceNewPage = false;  // Detail: every record after the first starts a page

    // SubDetail: its rows; printed once per row of DataSet after each master
    // record, once with empty values when there is none (or DataSet is not
    // open). OnLink runs before, so that the program can open the rows of the
    // current master record.
    TClientDataSet* DataSet = nullptr;
    std::function<void()> OnLink;

    // GroupHeader: a new group starts whenever this column of the master set
    // changes (empty: one group for the whole report). Footer: the band that
    // closes the group.
    QString GroupField;
    TReportBand* Footer = nullptr;

    // Called after the band has been laid out on a page.
    std::function<void(TReportBand& band)> AfterPrint;

    template <class T>
    T* Add() {
        auto e = std::make_unique<T>();
        e->FBand = this;
        T* p = e.get();
        FElements.push_back(std::move(e));
        return p;
    }
    void Remove(TReportElement* e);
    const std::vector<std::unique_ptr<TReportElement>>& Elements() const { return FElements; }

private:
    TKind FKind;
    std::vector<std::unique_ptr<TReportElement>> FElements;
};

class TReport {
public:
    TReport();
    ~TReport();

    QString Title;
    QFont BaseFont;  // "Segoe UI" 9 unless set
    // The page: a standard paper, or a custom size in pixels; the orientation
    // swaps width and height of a standard paper.
    QPageSize::PageSizeId Paper = QPageSize::A4;
    bool CustomPaper = false;
    QSize CustomSize;
    QPageLayout::Orientation Orientation = QPageLayout::Portrait;
    int MarginLeft = 0, MarginTop = 0, MarginRight = 0, MarginBottom = 0;
    // Millimetres by which everything moves on a printer's page (right and
    // down when positive): for a printer that feeds paper off its place.
    // Never applied to the screen or to a PDF file.
    QPointF PrinterOffsetMm;
    QSize PageSize() const;  // in pixels, after orientation

    // The master record set: the Detail band prints once per row. None: the
    // report prints one pass of its bands.
    TClientDataSet* DataSet = nullptr;

    TReportBand* AddBand(TReportBand::TKind kind);
    TReportBand* Band(TReportBand::TKind kind) const;  // the first of that kind
    const std::vector<std::unique_ptr<TReportBand>>& Bands() const { return FBands; }

    // Lays the report out. The document fills its pages lazily: page n is
    // laid out when it is first asked for.
    std::unique_ptr<TReportDocument> Prepare();

private:
    std::vector<std::unique_ptr<TReportBand>> FBands;
};

// What a page holds, ready to paint; readable by tests.
struct TPageItem {
    enum class TKind { Text, Image, Fill };
    TKind Kind = TKind::Text;
    QRectF Rect;        // pixels on the page
    QStringList Lines;  // Text: the lines as they are drawn
    QFont Font;
    QColor Color;
    Qt::Alignment Alignment = Qt::AlignLeft;
    QImage Picture;  // Image (implicitly shared)
    const TReportElement* Source = nullptr;
    QString Text() const { return Lines.join('\n'); }
};

struct TReportPage {
    std::vector<TPageItem> Items;
    // Texts of the page in print order, for tests and searching.
    QStringList Texts() const;
};
