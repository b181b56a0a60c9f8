#include "TReportDocument.h"

#include <QDate>
#include <QDateTime>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QTextLayout>
#include <cmath>

#include "TClientDataSet.h"
#include "TDisplayFormat.h"

namespace {

// Texts are measured at the unit of the page, 96 per inch, whatever they
// are painted on later.
QPaintDevice* MeasureDevice() {
    static QImage image = [] {
        QImage i(1, 1, QImage::Format_ARGB32);
        i.setDotsPerMeterX(3780);
        i.setDotsPerMeterY(3780);
        return i;
    }();
    return &image;
}

// A date mask in the classic letters (d, m, y; "nn" minutes) in Qt's.
QString DateMask(const QString& mask) {
    QString out;
    for (int i = 0; i < mask.size(); ++i) {
        const QChar c = mask[i];
        if (c == 'm' || c == 'M')
            out += 'M';
        else if (c == 'n' && i + 1 < mask.size() && mask[i + 1] == 'n') {
            out += QStringLiteral("mm");
            ++i;
        } else
            out += c;
    }
    return out;
}

QString FormatValue(const QVariant& v, const QString& mask, const TField* f) {
    if (!v.isValid() || v.isNull()) return QString();
    const int t = v.userType();
    const QString m = mask.isEmpty() && f ? f->DisplayFormat : mask;
    if (t == qMetaTypeId<TMoney>()) {
        QString text = TDisplayFormat::FormatMoney(m, v.value<TMoney>());
        // Without a mask a decimal prints in its shortest exact form (a
        // quantity of 20 as "20", not "20.0000").
        if (m.isEmpty() && text.contains('.')) {
            while (text.endsWith('0')) text.chop(1);
            if (text.endsWith('.')) text.chop(1);
        }
        return text;
    }
    if (t == QMetaType::Double || t == QMetaType::Float)
        return TDisplayFormat::FormatFloat(m, v.toDouble());
    if (t == QMetaType::Int || t == QMetaType::LongLong)
        return TDisplayFormat::FormatInteger(m, v.toLongLong());
    if (t == QMetaType::QDate)
        return mask.isEmpty() ? TDisplayFormat::FormatDate(v.toDate())
                              : v.toDate().toString(DateMask(mask));
    if (t == QMetaType::QDateTime)
        return mask.isEmpty() ? v.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm"))
                              : v.toDateTime().toString(DateMask(mask));
    return v.toString();
}

// A running total of one element.
struct TTotal {
    TMoney Money;
    qint64 Int = 0;
    double Float = 0;
    int Type = 0;  // 0 none yet, 1 money, 2 integer, 3 float
    void Add(const QVariant& v) {
        if (!v.isValid() || v.isNull()) return;
        const int t = v.userType();
        if (t == qMetaTypeId<TMoney>()) {
            Money = Money + v.value<TMoney>();
            Type = 1;
        } else if (t == QMetaType::Int || t == QMetaType::LongLong) {
            Int += v.toLongLong();
            if (Type == 0) Type = 2;
        } else {
            Float += v.toDouble();
            Type = 3;
        }
    }
    QVariant Value() const {
        switch (Type) {
            case 1:
                return QVariant::fromValue(Money);
            case 2:
                return Int;
            case 3:
                return Float;
            default:
                return 0;
        }
    }
};

}  // namespace

// The layout: one master record a step, so that pages come as they are asked for.
class TReportLayout {
public:
    explicit TReportLayout(TReport& r) : R(r), FPage(r.PageSize()) {
        for (const auto& b : R.Bands()) {
            if (b->Kind() == TReportBand::TKind::GroupHeader) FGroups.push_back(b.get());
            for (const auto& e : b->Elements())
                if (auto* t = dynamic_cast<TReportText*>(e.get());
                    t && t->Kind == TReportText::TKind::Total)
                    FTotalElements.push_back(t);
        }
        FGroupValues.resize(FGroups.size());
    }

    std::vector<TReportPage> Pages;
    bool Done = false;
    // Pages finished: all but the one being filled, until the end.
    int FinishedPages() const {
        return Done ? int(Pages.size()) : std::max(0, int(Pages.size()) - 1);
    }

    bool Step() {
        if (Done) return false;
        TClientDataSet* ds = R.DataSet;
        if (!FStarted) {
            FStarted = true;
            // The last record is known, for the summary and the group footers,
            // only once every row is read.
            ReadEveryRow(ds);
            FHasRows = ds && ds->Active() && !ds->IsEmpty();
            if (FHasRows) ds->First();
            NewPage();
            if (auto* title = R.Band(TReportBand::TKind::Title)) PrintBand(*title);
            if (!ds) {
                // No master set: one pass of the bands.
                PrintRecord();
                Finish();
                return false;
            }
        }
        if (!FHasRows || ds->Eof()) {
            Finish();
            return false;
        }
        // Group headers: where the group's column changes.
        for (size_t g = 0; g < FGroups.size(); ++g) {
            const QVariant v = GroupValue(*FGroups[g], ds->RecNo());
            if (FFirstRecord || v != FGroupValues[g]) {
                for (size_t inner = g; inner < FGroups.size(); ++inner) {
                    FGroupValues[inner] = GroupValue(*FGroups[inner], ds->RecNo());
                    // A group header keeps with the first line of its group.
                    const TReportBand* detail = R.Band(TReportBand::TKind::Detail);
                    if (FGroups[inner]->Enabled)
                        PrintBand(*FGroups[inner], detail && detail->Enabled ? detail->Height : 0);
                }
                break;
            }
        }
        FFirstRecord = false;
        PrintRecord();
        // Group footers while this record is still current, so that they
        // show its group's values.
        const int next = ds->RecNo() + 1;
        const bool last = next >= ds->RecordCount();
        size_t closeFrom = FGroups.size();
        for (size_t g = 0; g < FGroups.size(); ++g)
            if (last || GroupValue(*FGroups[g], next) != FGroupValues[g]) {
                closeFrom = g;
                break;
            }
        for (size_t g = FGroups.size(); g-- > closeFrom;)
            if (TReportBand* footer = FGroups[g]->Footer) PrintBand(*footer);
        // A record that starts a page: this page is closed while its own
        // record is current (its footer shows its values), the next page
        // opened on the next one.
        if (last) {
            // The summary and the last footer still see the last record.
            Finish();
            return false;
        }
        TReportBand* detail = R.Band(TReportBand::TKind::Detail);
        if (detail && detail->ForceNewPage) {
            ClosePage();
            ds->Next();
            NewPage();
        } else {
            ds->Next();
        }
        return true;
    }

private:
    TReport& R;
    QSize FPage;
    bool FStarted = false;
    bool FHasRows = false;
    bool FFirstRecord = true;
    bool FPageOpen = false;
    double FY = 0;
    std::vector<TReportBand*> FGroups;
    std::vector<QVariant> FGroupValues;
    std::vector<TReportText*> FTotalElements;
    QHash<const TReportText*, TTotal> FTotals;

    // A report prints every row of its sets: those not read yet are read
    // first, and a set whose rows could not all be read fails the report
    // rather than print part of it.
    static void ReadEveryRow(TClientDataSet* ds) {
        if (ds && ds->Active() && !ds->AllFetched()) ds->FetchRest();
    }

    QVariant GroupValue(const TReportBand& band, int row) const {
        if (band.GroupField.isEmpty() || !R.DataSet) return QVariant();
        const TField* f = R.DataSet->FindField(band.GroupField);
        return f ? R.DataSet->ValueAt(row, f) : QVariant();
    }

    double FooterTop() const {
        const TReportBand* footer = R.Band(TReportBand::TKind::PageFooter);
        const int h = footer && footer->Enabled ? footer->Height : 0;
        return FPage.height() - R.MarginBottom - h;
    }

    void NewPage() {
        Pages.emplace_back();
        FPageOpen = true;
        FY = R.MarginTop;
        if (auto* header = R.Band(TReportBand::TKind::PageHeader)) Place(*header);
    }

    void ClosePage() {
        if (!FPageOpen) return;
        FPageOpen = false;
        if (auto* footer = R.Band(TReportBand::TKind::PageFooter)) {
            FY = FooterTop();
            Place(*footer);
        }
    }

    void Finish() {
        if (Done) return;
        if (auto* summary = R.Band(TReportBand::TKind::Summary)) PrintBand(*summary);
        ClosePage();
        Done = true;
    }

    void Accumulate(TClientDataSet* ds) {
        for (TReportText* t : FTotalElements) {
            if (t->DataSet != ds || !ds || !ds->Active() || ds->IsEmpty()) continue;
            if (const TField* f = ds->FindField(t->FieldName)) FTotals[t].Add(f->Value());
        }
    }

    void PrintRecord() {
        if (auto* detail = R.Band(TReportBand::TKind::Detail)) PrintBand(*detail);
        Accumulate(R.DataSet);
        for (const auto& b : R.Bands()) {
            if (b->Kind() != TReportBand::TKind::SubDetail || !b->Enabled) continue;
            if (b->OnLink) b->OnLink();
            TClientDataSet* sub = b->DataSet;
            ReadEveryRow(sub);
            if (!sub || !sub->Active() || sub->IsEmpty()) {
                PrintBand(*b);
                continue;
            }
            for (sub->First(); !sub->Eof(); sub->Next()) {
                PrintBand(*b);
                Accumulate(sub);
            }
        }
    }

    // A band in the flow of the page: on the next page when it does not fit.
    // keepWith: the height of what must follow on the same page.
    void PrintBand(TReportBand& band, int keepWith = 0) {
        if (!band.Enabled) return;
        std::vector<TPageItem> items;
        double h = Measure(band, items);
        if (FY + h + keepWith > FooterTop() && FY > R.MarginTop + HeaderHeight()) {
            ClosePage();
            NewPage();
            items.clear();
            h = Measure(band, items);  // values may depend on the page (page numbers)
        }
        Emit(band, items, h);
    }

    int HeaderHeight() const {
        const TReportBand* header = R.Band(TReportBand::TKind::PageHeader);
        return header && header->Enabled ? header->Height : 0;
    }

    // Header and footer: at their place on the page.
    void Place(TReportBand& band) {
        if (!band.Enabled) return;
        std::vector<TPageItem> items;
        const double h = Measure(band, items);
        Emit(band, items, h);
    }

    void Emit(TReportBand& band, std::vector<TPageItem>& items, double h) {
        TReportPage& page = Pages.back();
        const double x0 = R.MarginLeft;
        if (band.Background.isValid() && h > 0) {
            TPageItem fill;
            fill.Kind = TPageItem::TKind::Fill;
            fill.Rect = QRectF(x0, FY, FPage.width() - R.MarginLeft - R.MarginRight, h);
            fill.Color = band.Background;
            page.Items.insert(page.Items.begin() + FirstTextIndex(page), fill);
        }
        for (TPageItem& i : items) {
            i.Rect.translate(x0, FY);
            if (i.Kind != TPageItem::TKind::Text)
                page.Items.insert(page.Items.begin() + FirstTextIndex(page), std::move(i));
            else
                page.Items.push_back(std::move(i));
        }
        FY += h;
        if (band.AfterPrint) band.AfterPrint(band);
        // Totals in a group footer restart for the next group.
        if (band.Kind() == TReportBand::TKind::GroupFooter)
            for (const auto& e : band.Elements())
                if (auto* t = dynamic_cast<TReportText*>(e.get())) FTotals.remove(t);
    }

    // Pictures and fills go before every text of the page.
    static size_t FirstTextIndex(const TReportPage& page) {
        size_t i = 0;
        while (i < page.Items.size() && page.Items[i].Kind != TPageItem::TKind::Text) ++i;
        return i;
    }

    QString TextOf(TReportText& t) {
        QString value;
        switch (t.Kind) {
            case TReportText::TKind::Label:
                value = t.Text;
                break;
            case TReportText::TKind::Field:
                if (t.DataSet && t.DataSet->Active() && !t.DataSet->IsEmpty())
                    if (const TField* f = t.DataSet->FindField(t.FieldName))
                        value = FormatValue(f->Value(), t.Mask, f);
                break;
            case TReportText::TKind::System: {
                QString v;
                switch (t.SystemData) {
                    case TReportText::TSystemData::Title:
                        v = R.Title;
                        break;
                    case TReportText::TSystemData::Date:
                        v = TDisplayFormat::FormatDate(QDate::currentDate());
                        break;
                    case TReportText::TSystemData::Time:
                        v = QTime::currentTime().toString(QStringLiteral("hh:mm"));
                        break;
                    case TReportText::TSystemData::DateTime:
                        v = TDisplayFormat::FormatDate(QDate::currentDate()) + ' ' +
                            QTime::currentTime().toString(QStringLiteral("hh:mm"));
                        break;
                    case TReportText::TSystemData::PageNumber:
                        v = QString::number(Pages.size());
                        break;
                }
                value = t.Text + v;
                break;
            }
            case TReportText::TKind::Total:
                value = FormatValue(FTotals.value(&t).Value(), t.Mask, nullptr);
                break;
        }
        if (t.OnPrint) t.OnPrint(t, value);
        return value;
    }

    // The items of a band relative to its top left, and its height.
    double Measure(TReportBand& band, std::vector<TPageItem>& items) {
        double h = band.Height;
        for (const auto& e : band.Elements()) {
            if (!e->Enabled) continue;
            if (auto* img = dynamic_cast<TReportImage*>(e.get())) {
                if (img->Picture.isNull()) continue;
                TPageItem i;
                i.Kind = TPageItem::TKind::Image;
                i.Picture = img->Picture;
                i.Source = img;
                const QSize s = img->Stretch ? img->Geometry.size() : img->Picture.size();
                i.Rect = QRectF(img->Geometry.topLeft(), s);
                items.push_back(std::move(i));
                continue;
            }
            if (auto* shape = dynamic_cast<TReportShape*>(e.get())) {
                TPageItem i;
                i.Kind = TPageItem::TKind::Fill;
                i.Color = shape->Color;
                i.Source = shape;
                i.Rect = QRectF(shape->Geometry);
                items.push_back(std::move(i));
                continue;
            }
            auto* t = dynamic_cast<TReportText*>(e.get());
            if (!t) continue;
            TPageItem i;
            i.Kind = TPageItem::TKind::Text;
            i.Source = t;
            i.Font = t->Font.resolveMask() == 0 ? R.BaseFont : t->Font;
            i.Font.setHintingPreference(QFont::PreferNoHinting);
            i.Color = t->Color;
            i.Alignment = t->AlignRight    ? Qt::AlignRight
                          : t->AlignCenter ? Qt::AlignHCenter
                                           : Qt::AlignLeft;
            const QString text = TextOf(*t);
            const QFontMetricsF fm(i.Font, MeasureDevice());
            const QRect g = t->Geometry;
            if (t->WordWrap) {
                i.Lines = Wrap(text, i.Font, std::max(1, g.width()));
                const double th = i.Lines.size() * fm.lineSpacing();
                i.Rect = QRectF(g.x(), g.y(), g.width(), std::max<double>(g.height(), th));
                // A stretched element makes its band taller.
                h = std::max(h, i.Rect.bottom());
            } else {
                i.Lines = text.isEmpty() ? QStringList() : text.split('\n');
                if (t->AutoSize) {
                    double w = 0;
                    for (const QString& l : i.Lines) w = std::max(w, fm.horizontalAdvance(l));
                    const double th = std::max<qsizetype>(1, i.Lines.size()) * fm.lineSpacing();
                    double x = g.x();
                    if (t->AlignRight)
                        x = g.x() + g.width() - w;
                    else if (t->AlignCenter)
                        x = g.x() + (g.width() - w) / 2;
                    i.Rect = QRectF(x, g.y(), w, th);
                } else {
                    i.Rect = QRectF(g);
                }
            }
            if (i.Lines.isEmpty()) continue;  // nothing to print
            items.push_back(std::move(i));
        }
        return h;
    }

    static QStringList Wrap(const QString& text, const QFont& font, int width) {
        QStringList lines;
        for (const QString& para : text.split('\n')) {
            if (para.isEmpty()) {
                lines << QString();
                continue;
            }
            QTextLayout layout(para, font, MeasureDevice());
            QTextOption opt;
            opt.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            layout.setTextOption(opt);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(width);
                lines << para.mid(line.textStart(), line.textLength()).trimmed();
            }
            layout.endLayout();
        }
        while (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
        return lines;
    }
};

TReportDocument::TReportDocument(TReport& report)
    : FReport(report), FLayout(std::make_unique<TReportLayout>(report)) {}

TReportDocument::~TReportDocument() = default;

QSize TReportDocument::PageSize() const { return FReport.PageSize(); }

QPageLayout::Orientation TReportDocument::Orientation() const {
    const QSize s = PageSize();
    return s.width() > s.height() ? QPageLayout::Landscape : QPageLayout::Portrait;
}

void TReportDocument::LayoutUntil(int count) {
    while (FLayout->FinishedPages() < count && FLayout->Step()) {
    }
}

bool TReportDocument::LayoutStep() { return FLayout->Step(); }

bool TReportDocument::Complete() const { return FLayout->Done; }

int TReportDocument::PageCount() const { return FLayout->FinishedPages(); }

int TReportDocument::TotalPages() {
    while (FLayout->Step()) {
    }
    return int(FLayout->Pages.size());
}

const TReportPage& TReportDocument::Page(int index) {
    LayoutUntil(index + 1);
    return FLayout->Pages.at(size_t(index));
}

void TReportDocument::Render(int index, QPainter& painter, const QRectF& target) {
    const TReportPage& page = Page(index);
    const QSize size = PageSize();
    const double scale = target.width() / size.width();
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(scale, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // The painter is already scaled from page pixels (96 per inch) to the
    // device: a point size must not grow with the device's resolution too.
    const double dpi = painter.device() ? painter.device()->logicalDpiY() : 96;
    for (const TPageItem& i : page.Items) {
        switch (i.Kind) {
            case TPageItem::TKind::Fill:
                painter.fillRect(i.Rect, i.Color);
                break;
            case TPageItem::TKind::Image:
                painter.drawImage(i.Rect, i.Picture);
                break;
            case TPageItem::TKind::Text: {
                QFont f = i.Font;
                if (f.pointSizeF() > 0) f.setPointSizeF(f.pointSizeF() * 96.0 / dpi);
                painter.setFont(f);
                painter.setPen(i.Color);
                const QFontMetricsF fm(i.Font, MeasureDevice());
                double y = i.Rect.top() + fm.ascent();
                for (const QString& line : i.Lines) {
                    double x = i.Rect.left();
                    const double w = fm.horizontalAdvance(line);
                    if (i.Alignment & Qt::AlignRight)
                        x = i.Rect.right() - w;
                    else if (i.Alignment & Qt::AlignHCenter)
                        x = i.Rect.left() + (i.Rect.width() - w) / 2;
                    painter.drawText(QPointF(x, y), line);
                    y += fm.lineSpacing();
                }
                break;
            }
        }
    }
    painter.restore();
}

bool TReportDocument::Print(QPagedPaintDevice& device) { return Print(device, QPointF()); }

bool TReportDocument::PrintOnPrinter(QPrinter& printer) {
    return Print(printer, FReport.PrinterOffsetMm);
}

bool TReportDocument::Print(QPagedPaintDevice& device, QPointF offsetMm) {
    const QSize size = PageSize();
    const bool landscape = size.width() > size.height();
    const QSizeF portraitPt(std::min(size.width(), size.height()) * 72.0 / 96.0,
                            std::max(size.width(), size.height()) * 72.0 / 96.0);
    // A standard paper by its name, unless Qt defines it wider than high
    // (Ledger): then by its size, so that the orientation means what it says.
    QPageSize pageSize(FReport.Paper);
    const QSizeF named = pageSize.size(QPageSize::Point);
    if (FReport.CustomPaper || named.width() > named.height())
        pageSize = QPageSize(portraitPt, QPageSize::Point, QString(), QPageSize::ExactMatch);
    device.setPageLayout(QPageLayout(pageSize,
                                     landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0)));
    QPainter painter;
    if (!painter.begin(&device)) return false;
    const int pages = TotalPages();
    for (int i = 0; i < pages; ++i) {
        if (i > 0 && !device.newPage()) return false;
        const QRectF target(offsetMm.x() / 25.4 * device.logicalDpiX(),
                            offsetMm.y() / 25.4 * device.logicalDpiY(), device.width(),
                            device.height());
        Render(i, painter,
               QRectF(target.topLeft(),
                      QSizeF(target.width(), target.width() * size.height() / size.width())));
    }
    return painter.end();
}

bool TReportDocument::SaveToPdf(const QString& fileName) {
    QPdfWriter writer(fileName);
    writer.setResolution(600);
    writer.setTitle(FReport.Title);
    writer.setCreator(QStringLiteral("Tallyvo"));
    return Print(writer);
}
