#include "uRpt.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "TClientDataSet.h"
#include "TDisplayFormat.h"
#include "TReportDocument.h"
#include "TReportPreview.h"
#include "uDmMain.h"
#include "uLibProc.h"
#include "uMessages.h"

namespace {

// The page: A4 with 10 mm margins, in pixels at 96 per inch.
constexpr int kMargin = 38;
constexpr int kHeaderHeight = 64;
constexpr int kStripTop = 44;
constexpr int kLineHeight = 16;

}  // namespace

const QColor TfmRpt::MoneyGreen(192, 220, 192);
const QColor TfmRpt::InactiveBorder(212, 208, 200);
const QString TfmRpt::MoneyMask = QStringLiteral("#,###,##0.00");

TfmRpt::TfmRpt(const QString& caption, const QString& title, QWidget* parent) : QDialog(parent) {
    setWindowTitle(caption);
    SetStandardFont(this);
    BuildDateRange();
    BuildButtons();
    BuildLayout();
    ConnectControls();
    BuildWorkData();
    BuildReport(title);
}

void TfmRpt::BuildDateRange() {
    cb1 = new QComboBox(this);
    cb1->setObjectName(QStringLiteral("cb1"));
    cb1->addItems({QStringLiteral("Select Date Range"), QStringLiteral("Today"),
                   QStringLiteral("This Month"), QStringLiteral("This Quarter"),
                   QStringLiteral("This Year"), QStringLiteral("Last Month"),
                   QStringLiteral("Last Year")});
    cb1->setAccessibleName(QStringLiteral("Select Date Range"));
    // Dates are typed here as in the edit forms' date boxes (short date
    // format with four-digit years, a date that does not exist refused).
    auto date = [this](const char* name) {
        auto* d = new TDbDate(this);
        d->setObjectName(QString::fromLatin1(name));
        d->setDate(TdmMain::Today());
        return d;
    };
    dtFrom = date("dtFrom");
    dtTo = date("dtTo");
    lbFrom = new QLabel(QStringLiteral("From Date"), this);
    lbFrom->setBuddy(dtFrom);
    lbTo = new QLabel(QStringLiteral("To Date"), this);
    lbTo->setBuddy(dtTo);
}

void TfmRpt::BuildButtons() {
    BitBtn1 = new QPushButton(QStringLiteral("Preview"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(QStringLiteral("Close"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn1->setDefault(true);
}

void TfmRpt::BuildLayout() {
    FOptions = new QFormLayout;
    FOptions->addRow(cb1);
    FOptions->addRow(lbFrom, dtFrom);
    FOptions->addRow(lbTo, dtTo);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addStretch(1);
    auto* main = new QHBoxLayout(this);
    main->addLayout(FOptions, 1);
    main->addLayout(buttons);
    setMinimumWidth(400);
}

void TfmRpt::ConnectControls() {
    connect(cb1, &QComboBox::currentIndexChanged, this, [this](int i) { cb1Change(i); });
    connect(BitBtn1, &QPushButton::clicked, this, [this]() {
        // A typed date that does not exist runs no report.
        if (!dtFrom->CheckTyped() || !dtTo->CheckTyped()) return;
        RunGuarded([this]() { BitBtn1Click(); });
    });
    connect(BitBtn2, &QPushButton::clicked, this, [this]() { BitBtn2Click(); });
}

void TfmRpt::BuildWorkData() {
    Work_CDS = new TClientDataSet(this);
    Work_CDS->setObjectName(QStringLiteral("Work_CDS"));
    Work_CDS->SetConnection(&dmMain()->SQLConn_Main);
}

void TfmRpt::BuildReport(const QString& title) {
    QuickRep1.Title = title;
    QuickRep1.Paper = QPageSize::A4;
    QuickRep1.MarginLeft = QuickRep1.MarginTop = QuickRep1.MarginRight = QuickRep1.MarginBottom =
        kMargin;
    QuickRep1.BaseFont = QFont(QStringLiteral("Arial"), 8);
    QuickRep1.DataSet = Work_CDS;
    const int width = ContentWidth();
    BuildPageHeader(width);
    BuildDetailAndSummary();
    BuildPageFooter(width);
}

void TfmRpt::BuildPageHeader(int width) {
    PageHeader = QuickRep1.AddBand(TReportBand::TKind::PageHeader);
    PageHeader->Height = kHeaderHeight;
    QRLabelTitle = PageHeader->Add<TReportText>();
    QRLabelTitle->Kind = TReportText::TKind::System;
    QRLabelTitle->SystemData = TReportText::TSystemData::Title;
    QRLabelTitle->Font = QFont(font().family(), 10);
    QRLabelTitle->AlignCenter = true;
    QRLabelTitle->Geometry = QRect(0, 0, width, 20);
    QRSysDataDate = PageHeader->Add<TReportText>();
    QRSysDataDate->Kind = TReportText::TKind::System;
    QRSysDataDate->SystemData = TReportText::TSystemData::DateTime;
    QRSysDataDate->Text = QStringLiteral("Print Date: ");
    QRSysDataDate->Geometry = QRect(0, 24, width / 2, kLineHeight);
    QRLabelSelection = PageHeader->Add<TReportText>();
    QRLabelSelection->AlignRight = true;
    QRLabelSelection->Geometry = QRect(width / 2, 24, width - width / 2, kLineHeight);
    auto* strip = PageHeader->Add<TReportShape>();
    strip->Color = MoneyGreen;
    strip->Geometry = QRect(0, kStripTop, width, kHeaderHeight - kStripTop - 2);
}

void TfmRpt::BuildDetailAndSummary() {
    Detail = QuickRep1.AddBand(TReportBand::TKind::Detail);
    Detail->Height = kLineHeight;

    Summary = QuickRep1.AddBand(TReportBand::TKind::Summary);
    Summary->Height = kLineHeight + 6;
    Summary->Background = InactiveBorder;
    SummaryCaption = AddLabel(Summary, QStringLiteral("Total"), 2, 150, true);
}

void TfmRpt::BuildPageFooter(int width) {
    PageFooter = QuickRep1.AddBand(TReportBand::TKind::PageFooter);
    PageFooter->Height = 20;
    auto* page = PageFooter->Add<TReportText>();
    page->Kind = TReportText::TKind::System;
    page->SystemData = TReportText::TSystemData::PageNumber;
    page->Text = QString::fromUtf8("Page\xEF\xBC\x9A");  // with a full-width colon
    page->AlignCenter = true;
    page->Geometry = QRect(0, 4, width, kLineHeight);
}

TfmRpt::~TfmRpt() = default;

int TfmRpt::ContentWidth() const {
    return QuickRep1.PageSize().width() - QuickRep1.MarginLeft - QuickRep1.MarginRight;
}

void TfmRpt::AddOption(const QString& caption, QWidget* control) {
    auto* label = new QLabel(caption, this);
    label->setBuddy(control);
    FOptions->addRow(label, control);
}

TReportText* TfmRpt::AddLabel(TReportBand* band, const QString& text, int left, int width,
                              bool bold) {
    auto* t = band->Add<TReportText>();
    t->Text = text;
    t->Geometry = QRect(left, band == PageHeader ? kStripTop + 2 : 3, width, kLineHeight);
    if (bold) {
        t->Font = QuickRep1.BaseFont;
        t->Font.setBold(true);
    }
    return t;
}

TReportText* TfmRpt::AddField(TReportBand* band, const QString& field, int left, int width,
                              bool alignRight, const QString& mask) {
    auto* t = band->Add<TReportText>();
    t->Kind = TReportText::TKind::Field;
    t->DataSet = band->DataSet ? band->DataSet : Work_CDS;
    t->FieldName = field;
    t->AlignRight = alignRight;
    t->Mask = mask;
    t->Geometry = QRect(left, 1, width, kLineHeight - 2);
    return t;
}

TReportText* TfmRpt::AddColumn(const QString& caption, const QString& field, int left, int width,
                               bool alignRight, const QString& mask, bool wrap,
                               TReportText** heading) {
    TReportText* title = AddLabel(PageHeader, caption, left, width);
    title->AlignRight = alignRight;
    if (heading) *heading = title;
    TReportText* value = AddField(Detail, field, left, width, alignRight, mask);
    value->WordWrap = wrap;
    value->AutoSize = !wrap;
    return value;
}

TReportText* TfmRpt::AddTotal(TReportBand* band, const QString& field, int left, int width,
                              bool bold, const QString& mask) {
    auto* t = band->Add<TReportText>();
    t->Kind = TReportText::TKind::Total;
    t->DataSet = Work_CDS;
    t->FieldName = field;
    t->AlignRight = true;
    t->Mask = mask;
    t->Geometry = QRect(left, 3, width, kLineHeight);
    if (bold) {
        t->Font = QuickRep1.BaseFont;
        t->Font.setBold(true);
    }
    return t;
}

void TfmRpt::AddGroup(TReportBand*& header, TReportText*& shows, TReportBand*& footer) {
    header = QuickRep1.AddBand(TReportBand::TKind::GroupHeader);
    header->Height = kLineHeight + 4;
    header->Background = InactiveBorder;
    shows = AddField(header, QString(), 2, ContentWidth() - 4, false);
    shows->Font = QuickRep1.BaseFont;
    shows->Font.setBold(true);
    shows->Geometry.moveTop(3);
    footer = QuickRep1.AddBand(TReportBand::TKind::GroupFooter);
    footer->Height = kLineHeight + 6;
    header->Footer = footer;
}

QVariantMap TfmRpt::DateParams(int pairs) const {
    QVariantMap p;
    for (int i = 0; i < pairs; ++i) {
        p[QStringLiteral("D%1").arg(2 * i + 1)] = dtFrom->date();
        p[QStringLiteral("D%1").arg(2 * i + 2)] = dtTo->date();
    }
    return p;
}

void TfmRpt::OpenWork(const QString& sql, const QVariantMap& params) {
    Work_CDS->Close();
    Work_CDS->CommandText = sql;
    Work_CDS->Params = params;
    Work_CDS->Open();
}

void TfmRpt::cb1Change(int index) {
    if (index < 0) {
        cb1->setCurrentIndex(0);
        return;
    }
    const QDate t = TdmMain::Today();
    const QDate month(t.year(), t.month(), 1);
    const int quarterStart = (t.month() - 1) / 3 * 3 + 1;
    QDate from, to;
    switch (index) {
        case 1:
            from = to = t;
            break;
        case 2:
            from = month;
            to = month.addMonths(1).addDays(-1);
            break;
        case 3:
            from = QDate(t.year(), quarterStart, 1);
            to = from.addMonths(3).addDays(-1);
            break;
        case 4:
            from = QDate(t.year(), 1, 1);
            to = QDate(t.year(), 12, 31);
            break;
        case 5:
            from = month.addMonths(-1);
            to = month.addDays(-1);
            break;
        case 6:
            from = QDate(t.year() - 1, 1, 1);
            to = QDate(t.year() - 1, 12, 31);
            break;
        default:
            return;  // the dates stay as they are
    }
    dtFrom->setDate(from);
    dtTo->setDate(to);
}

void TfmRpt::BitBtn1Click() {
    QRLabelSelection->Enabled = ShowSelection;
    QRLabelSelection->Text = QStringLiteral("Data From %1 To %2")
                                 .arg(TDisplayFormat::FormatDate(dtFrom->date()),
                                      TDisplayFormat::FormatDate(dtTo->date()));
    std::unique_ptr<TReportDocument> doc = QuickRep1.Prepare();
    TReportPreview preview(*doc, QuickRep1.Title, this);
    preview.Exec();
}

void TfmRpt::BitBtn2Click() { reject(); }
