#include "uPnDbDate.h"

#include <QLabel>

#include "TClientDataSet.h"

TDbDate::TDbDate(QWidget* parent) : QDateEdit(parent) {
    setCalendarPopup(true);
    setMinimumDate(QDate(1753, 1, 1));
    setDisplayFormat(QLocale::system().dateFormat(QLocale::ShortFormat));
    resize(100, height());
    connect(this, &QDateEdit::dateChanged, this, [this](const QDate& d) {
        if (FUpdating) return;
        TField* f = Field();
        if (!f) return;
        FUpdating = true;
        try {
            // Whole days only.
            f->SetValue(f->DataType == TFbType::TimeStamp ? QVariant(QDateTime(d, QTime(0, 0)))
                                                          : QVariant(d));
        } catch (...) {
            FUpdating = false;
            throw;
        }
        FUpdating = false;
    });
}

void TDbDate::SetDataSource(TDataSource* ds) {
    if (FSource) disconnect(FSource, nullptr, this, nullptr);
    FSource = ds;
    if (!ds) return;
    auto refresh = [this]() {
        if (!FUpdating) Refresh();
    };
    connect(ds, &TDataSource::DataChanged, this, refresh);
    connect(ds, &TDataSource::ActiveRowChanged, this, refresh);
    connect(ds, &TDataSource::LayoutChanged, this, refresh);
}

TField* TDbDate::Field() const {
    TClientDataSet* ds = FSource ? FSource->DataSet() : nullptr;
    return (ds && ds->Active()) ? ds->FindField(FDataField) : nullptr;
}

void TDbDate::Refresh() {
    TField* f = Field();
    const QVariant v = f ? f->Value() : QVariant();
    QDate d = v.userType() == QMetaType::QDateTime ? v.toDateTime().date() : v.toDate();
    if (!d.isValid()) d = ZeroDate();
    FUpdating = true;
    setDate(d);
    FUpdating = false;
}

TPnDbDate::TPnDbDate(QWidget* parent) : TPnBase(parent) {
    FDbDate = new TDbDate(this);
    FDbDate->setObjectName(QStringLiteral("FDbDate"));
    FLabelCaption->setBuddy(FDbDate);
    setFocusProxy(FDbDate);
    resize(120, 0);
    ApplyLayout();
}

void TPnDbDate::SetReadOnly(bool readOnly) {
    TPnBase::SetReadOnly(readOnly);
    FDbDate->setEnabled(!readOnly);
}

QString TPnDbDate::Text() const { return FDbDate->text(); }
QWidget* TPnDbDate::Editor() const { return FDbDate; }
void TPnDbDate::ApplyLayout() { LayoutEditor(FDbDate->sizeHint().height(), true); }
