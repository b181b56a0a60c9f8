#include "uDbCheckBox.h"

#include <QScopedValueRollback>

#include "TClientDataSet.h"
#include "uMessages.h"

TDbCheckBox::TDbCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {
    connect(this, &QCheckBox::clicked, this, [this](bool checked) {
        TClientDataSet* ds = FSource ? FSource->DataSet() : nullptr;
        TField* f = ds && ds->Active() && ds->RecNo() >= 0 ? ds->FindField(FDataField) : nullptr;
        if (!FUpdating && f) {
            const QScopedValueRollback<bool> updating(FUpdating, true);
            RunGuarded([&]() { f->SetValue(checked ? ValueChecked : ValueUnchecked); });
        }
        // A refused value, or no row to take it: the box shows what is stored.
        Refresh();
    });
}

void TDbCheckBox::SetDataSource(TDataSource* ds) {
    if (FSource) disconnect(FSource, nullptr, this, nullptr);
    FSource = ds;
    auto refresh = [this]() {
        if (!FUpdating) Refresh();
    };
    connect(ds, &TDataSource::DataChanged, this, refresh);
    connect(ds, &TDataSource::ActiveRowChanged, this, refresh);
    connect(ds, &TDataSource::LayoutChanged, this, refresh);
    connect(ds, &TDataSource::StateChanged, this, refresh);
    Refresh();
}

void TDbCheckBox::SetDataField(const QString& field) {
    FDataField = field;
    if (objectName().isEmpty()) setObjectName("cb" + field);
    Refresh();
}

void TDbCheckBox::Refresh() {
    TClientDataSet* ds = FSource ? FSource->DataSet() : nullptr;
    TField* f = ds && ds->Active() && ds->RecNo() >= 0 ? ds->FindField(FDataField) : nullptr;
    setEnabled(f != nullptr);
    const bool on = f && !f->IsNull() && f->Value() == ValueChecked;
    if (isChecked() != on) setChecked(on);
}
