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
    // Titles stay with their fields when only the rows change.
    std::vector<std::pair<TField*, QString>> titles;
    for (size_t i = 0; i < FColumns.size() && i < FTitles.size(); ++i)
        if (!FTitles[i].isEmpty()) titles.emplace_back(FColumns[i], FTitles[i]);
    FColumns.clear();
    TClientDataSet* ds = FSource ? FSource->DataSet() : nullptr;
    if (ds) {
        for (int i = 0; i < ds->FieldCount(); ++i)
            if (ds->Field(i)->Visible) FColumns.push_back(ds->Field(i));
    }
    FRows = (ds && ds->Active()) ? ds->RecordCount() : 0;
    FTitles.assign(FColumns.size(), QString());
    for (const auto& t : titles)
        for (size_t i = 0; i < FColumns.size(); ++i)
            if (FColumns[i] == t.first) FTitles[i] = t.second;
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
    if (!index.isValid() || !FSource || !FSource->DataSet()) return QVariant();
    TField* f = FColumns[size_t(index.column())];
    if (role == Qt::DisplayRole) {
        ++DataCalls;
        return FSource->DataSet()->DisplayTextAt(index.row(), f);
    }
    if (role == Qt::TextAlignmentRole) {
        const TFbType t = f->DataType;
        if (!f->IsLookup && (t == TFbType::Money || t == TFbType::Float || t == TFbType::Integer ||
                             t == TFbType::Int64))
            return int(Qt::AlignRight | Qt::AlignVCenter);
    }
    return QVariant();
}

QVariant TDbGridModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o == Qt::Horizontal && role == Qt::DisplayRole && section < int(FColumns.size())) {
        const QString& t = FTitles[size_t(section)];
        return t.isEmpty() ? FColumns[size_t(section)]->Caption() : t;
    }
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

bool TDbGridModel::setHeaderData(int section, Qt::Orientation o, const QVariant& value, int role) {
    if (o != Qt::Horizontal || section < 0 || section >= int(FColumns.size()) ||
        (role != Qt::EditRole && role != Qt::DisplayRole))
        return false;
    FTitles[size_t(section)] = value.toString();
    emit headerDataChanged(o, section, section);
    return true;
}
