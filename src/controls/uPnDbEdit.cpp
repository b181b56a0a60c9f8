#include "uPnDbEdit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "TClientDataSet.h"
#include "TDataSource.h"
#include "uDmMain.h"

namespace {
quint64 g_created = 0;
}

TPnDbEdit::TPnDbEdit(QWidget* parent) : QWidget(parent), FOrder(++g_created) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    FLabel = new QLabel(this);
    FMarker = new QLabel(QStringLiteral("*"), this);
    QPalette red = FMarker->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    FMarker->setPalette(red);
    FMarker->hide();
    FEdit = new QLineEdit(this);
    FLabel->setBuddy(FEdit);
    layout->addWidget(FLabel);
    layout->addWidget(FMarker);
    layout->addWidget(FEdit, 1);
    connect(FEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (TField* f = Field()) f->SetValue(text.isEmpty() ? QVariant() : QVariant(text));
    });
}

void TPnDbEdit::SetDataSource(TDataSource* ds) {
    if (FSource) disconnect(FSource, nullptr, this, nullptr);
    FSource = ds;
    if (ds) {
        connect(ds, &TDataSource::DataChanged, this, [this](TField*) { Refresh(); });
        connect(ds, &TDataSource::ActiveRowChanged, this, &TPnDbEdit::Refresh);
        connect(ds, &TDataSource::LayoutChanged, this, &TPnDbEdit::Refresh);
        connect(ds, &TDataSource::StateChanged, this, &TPnDbEdit::Refresh);
    }
    Refresh();
}

void TPnDbEdit::SetDataField(const QString& field) {
    FDataField = field;
    setObjectName("pn" + field);
    Refresh();
}

QString TPnDbEdit::Caption() const { return FLabel->text(); }

void TPnDbEdit::SetCaption(const QString& caption) {
    FLabel->setText(caption);
    FEdit->setAccessibleName(caption);
}

void TPnDbEdit::SetRequired(bool required) {
    FRequired = required;
    FMarker->setVisible(required);
}

void TPnDbEdit::SetReadOnly(bool readOnly) {
    FReadOnly = readOnly;
    FEdit->setReadOnly(readOnly);
}

void TPnDbEdit::LoadMetadata(const QString& table) {
    dmMain()->ForEachRow(
        "SELECT TITLE, REQUIRED, READONLY, CTRLFLAG FROM SYS_OBJECT WHERE OBJECT=" +
            TdmMain::QuotedStr(table) + " AND FIELD=" + TdmMain::QuotedStr(FDataField),
        [this](const TFbQuery& q) {
            SetCaption(q.AsString("TITLE"));
            SetRequired(q.AsInteger("REQUIRED") == 1);
            SetReadOnly(q.AsInteger("READONLY") == 1);
            CtrlFlag = q.AsInteger("CTRLFLAG");
        });
}

TField* TPnDbEdit::Field() const {
    TClientDataSet* ds = FSource ? FSource->DataSet() : nullptr;
    return (ds && ds->Active()) ? ds->FindField(FDataField) : nullptr;
}

QString TPnDbEdit::Text() const { return FEdit->text(); }

void TPnDbEdit::Refresh() {
    TField* f = Field();
    const QString text = f ? f->AsString() : QString();
    if (FEdit->text() != text) FEdit->setText(text);
}
