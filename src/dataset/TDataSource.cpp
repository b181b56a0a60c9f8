#include "TDataSource.h"

#include "TClientDataSet.h"

TDataSource::~TDataSource() {
    if (FDataSet) FDataSet->DetachDataSource(this);
}

void TDataSource::SetDataSet(TClientDataSet* ds) {
    if (FDataSet == ds) return;
    if (FDataSet) FDataSet->DetachDataSource(this);
    FDataSet = ds;
    if (ds) ds->AttachDataSource(this);
    emit LayoutChanged();
    emit StateChanged();
}

bool TDataSource::Editing() const {
    return FDataSet &&
           (FDataSet->State() == TDataSetState::Edit || FDataSet->State() == TDataSetState::Insert);
}

void TDataSource::DataSetDestroyed() {
    FDataSet = nullptr;
    emit LayoutChanged();
}
