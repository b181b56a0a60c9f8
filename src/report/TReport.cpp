#include "TReport.h"

#include <algorithm>

#include "TReportDocument.h"

void TReportBand::Remove(TReportElement* e) {
    FElements.erase(
        std::remove_if(FElements.begin(), FElements.end(),
                       [e](const std::unique_ptr<TReportElement>& p) { return p.get() == e; }),
        FElements.end());
}

TReport::TReport() : BaseFont(QStringLiteral("Segoe UI"), 9) {}

TReport::~TReport() = default;

QSize TReport::PageSize() const {
    if (CustomPaper) return CustomSize;
    // From millimetres: Qt's own pixel size goes through whole points and
    // makes A4 793 pixels wide instead of 794.
    const QSizeF mm = QPageSize(Paper).size(QPageSize::Millimeter);
    QSize s(qRound(mm.width() * 96 / 25.4), qRound(mm.height() * 96 / 25.4));
    if (Orientation == QPageLayout::Landscape) s.transpose();
    return s;
}

TReportBand* TReport::AddBand(TReportBand::TKind kind) {
    FBands.push_back(std::make_unique<TReportBand>(kind));
    return FBands.back().get();
}

TReportBand* TReport::Band(TReportBand::TKind kind) const {
    for (const auto& b : FBands)
        if (b->Kind() == kind) return b.get();
    return nullptr;
}

std::unique_ptr<TReportDocument> TReport::Prepare() {
    return std::make_unique<TReportDocument>(*this);
}

QStringList TReportPage::Texts() const {
    QStringList texts;
    for (const TPageItem& i : Items)
        if (i.Kind == TPageItem::TKind::Text) texts << i.Text();
    return texts;
}
