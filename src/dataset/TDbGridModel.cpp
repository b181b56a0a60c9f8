#include "TDbGridModel.h"

#include "TClientDataSet.h"
#include "TDataSource.h"

TDbGridModel::TDbGridModel(TDataSource* source, QObject* parent)
    : QAbstractTableModel(parent), FSource(source) {
    connect(source, &TDataSource::LayoutChanged, this, &TDbGridModel::Reset);
    connect(source, &TDataSource::DataChanged, this, &TDbGridModel::OnDataChanged);
    connect(source, &TDataSource::RowInserted, this, [this](int row) {
        beginInsertRows(QModelIndex(), row, row);
        ++FRows;
        endInsertRows();
    });
    connect(source, &TDataSource::RowRemoved, this, [this](int row) {
        if (row >= FRows) return;
        beginRemoveRows(QModelIndex(), row, row);
        --FRows;
        endRemoveRows();
    });
    Reset();
}

void TDbGridModel::ResetColumns() { Reset(); }

void TDbGridModel::Reset() {
    beginResetModel();
    FColumns.clear();
    TClientDataSet* ds = FSource ? FSource->DataSet() : nullptr;
    if (ds) {
        for (int i = 0; i < ds->FieldCount(); ++i)
            if (ds->Field(i)->Visible) FColumns.push_back(ds->Field(i));
    }
    FRows = (ds && ds->Active()) ? ds->RecordCount() : 0;
    endResetModel();
}

void TDbGridModel::OnDataChanged(TField* f) {
    TClientDataSet* ds = FSource ? FSource->DataSet() : nullptr;
    if (!ds || ds->RecNo() < 0 || FColumns.empty()) return;
    const int row = ds->RecNo();
    if (row >= FRows) return;
    if (f) {
        // The changed cell, and the lookup columns that show it.
        for (int c = 0; c < int(FColumns.size()); ++c)
            if (FColumns[size_t(c)] == f ||
                (FColumns[size_t(c)]->IsLookup &&
                 FColumns[size_t(c)]->KeyFields.compare(f->FieldName, Qt::CaseInsensitive) == 0))
                emit dataChanged(index(row, c), index(row, c));
        return;
    }
    emit dataChanged(index(row, 0), index(row, int(FColumns.size()) - 1));
}

int TDbGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : FRows; }

int TDbGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(FColumns.size());
}

QVariant TDbGridModel::data(const QModelIndex& index, int role) const {
    ++DataCalls;
    if (!index.isValid() || !FSource || !FSource->DataSet()) return QVariant();
    TField* f = FColumns[size_t(index.column())];
    if (role == Qt::DisplayRole) return FSource->DataSet()->DisplayTextAt(index.row(), f);
    if (role == Qt::TextAlignmentRole) {
        const TFbType t = f->DataType;
        if (!f->IsLookup && (t == TFbType::Money || t == TFbType::Float || t == TFbType::Integer ||
                             t == TFbType::Int64))
            return int(Qt::AlignRight | Qt::AlignVCenter);
    }
    return QVariant();
}

QVariant TDbGridModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section < int(FColumns.size()))
        return FColumns[size_t(section)]->Caption();
    return QAbstractTableModel::headerData(section, o, role);
}

TField* TDbGridModel::FieldOfColumn(int column) const {
    return (column < 0 || column >= int(FColumns.size())) ? nullptr : FColumns[size_t(column)];
}

int TDbGridModel::ColumnOfField(const TField* f) const {
    for (int i = 0; i < int(FColumns.size()); ++i)
        if (FColumns[size_t(i)] == f) return i;
    return -1;
}
