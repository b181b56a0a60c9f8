#include "uDbRadioGroup.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QScopedValueRollback>

#include "TClientDataSet.h"
#include "uMessages.h"

TDbRadioGroup::TDbRadioGroup(const QString& title, const QStringList& items,
                             const QVariantList& values, QWidget* parent)
    : QGroupBox(title, parent), FValues(values) {
    FGroup = new QButtonGroup(this);
    auto* l = new QHBoxLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        FGroup->addButton(b, i);
        l->addWidget(b);
    }
    l->addStretch(1);
    connect(FGroup, &QButtonGroup::idClicked, this, [this](int id) {
        if (FUpdating || !FSource || !FSource->DataSet() || !FSource->DataSet()->Active()) return;
        TField* f = FSource->DataSet()->FindField(FDataField);
        if (!f) return;
        {
            const QScopedValueRollback<bool> updating(FUpdating, true);
            RunGuarded([&]() { f->SetValue(FValues.value(id)); });
        }
        // A refused choice: the group shows the stored one again.
        Refresh();
    });
}

void TDbRadioGroup::SetDataSource(TDataSource* ds) {
    FSource = ds;
    auto refresh = [this]() {
        if (!FUpdating) Refresh();
    };
    connect(ds, &TDataSource::DataChanged, this, refresh);
    connect(ds, &TDataSource::ActiveRowChanged, this, refresh);
    connect(ds, &TDataSource::LayoutChanged, this, refresh);
}

int TDbRadioGroup::ItemIndex() const { return FGroup->checkedId(); }

void TDbRadioGroup::SetItemIndex(int index) {
    if (QAbstractButton* b = FGroup->button(index)) b->click();
}

void TDbRadioGroup::Refresh() {
    TClientDataSet* ds = FSource ? FSource->DataSet() : nullptr;
    TField* f = (ds && ds->Active()) ? ds->FindField(FDataField) : nullptr;
    const int index = f && !f->IsNull() ? FValues.indexOf(QVariant(f->AsInteger())) : -1;
    FGroup->setExclusive(false);
    for (QAbstractButton* b : FGroup->buttons()) b->setChecked(FGroup->id(b) == index);
    FGroup->setExclusive(true);
}
