#include "TDbGridModel.h"

#include <algorithm>

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
    connect(source, &TDataSource::RowsAppended, this, [this](int first, int last) {
        if (first != FRows) {  // not where this model ends: count again
            Reset();
            return;
        }
        beginInsertRows(QModelIndex(), first, last);
        FRows = last + 1;
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
    // Titles stay with their columns, known by name: the fields themselves
    // may have been freed and made anew (a table that gained a column).
    std::vector<std::pair<QString, QString>> titles;
    for (size_t i = 0; i < FColumnNames.size() && i < FTitles.size(); ++i)
        if (!FTitles[i].isEmpty()) titles.emplace_back(FColumnNames[i], FTitles[i]);
    FColumns.clear();
    FColumnNames.clear();
    TClientDataSet* ds = FSource ? FSource->DataSet() : nullptr;
    if (ds) {
        for (int i = 0; i < ds->FieldCount(); ++i)
            if (ds->Field(i)->Visible) {
                FColumns.push_back(ds->Field(i));
                FColumnNames.push_back(ds->Field(i)->FieldName);
            }
    }
    FRows = (ds && ds->Active()) ? ds->RecordCount() : 0;
    FTitles.assign(FColumns.size(), QString());
    for (const auto& t : titles)
        for (size_t i = 0; i < FColumnNames.size(); ++i)
            if (FColumnNames[i] == t.first) FTitles[i] = t.second;
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

bool TDbGridModel::canFetchMore(const QModelIndex& parent) const {
    const TClientDataSet* ds = FSource ? FSource->DataSet() : nullptr;
    return !parent.isValid() && ds && ds->Active() && !ds->AllFetched();
}

void TDbGridModel::fetchMore(const QModelIndex& parent) {
    // The grid scrolled to the last row read: the next packet.
    TClientDataSet* ds = FSource ? FSource->DataSet() : nullptr;
    if (!parent.isValid() && ds && ds->Active()) ds->FetchMore(std::max(ds->PacketRecords, 1));
}

int TDbGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : FRows; }

int TDbGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(FColumns.size());
}

QVariant TDbGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !FSource || !FSource->DataSet()) return QVariant();
    TClientDataSet* ds = FSource->DataSet();
    TField* f = FColumns[size_t(index.column())];
    // In a grid typed into, a value the column refused stays on screen as
    // typed, to be put right.
    const bool refused = Editable && f->Refused() && index.row() == ds->RecNo();
    const auto picture =
        FPictures.isEmpty() ? FPictures.cend() : FPictures.constFind(f->FieldName.toUpper());
    if (picture != FPictures.cend() && !refused &&
        (role == Qt::DisplayRole || role == Qt::DecorationRole)) {
        const QVariant v = ds->ValueAt(index.row(), f);
        const bool none = !v.isValid() || v.isNull();
        if (role == Qt::DisplayRole) return none ? QVariant() : QVariant(QString());
        if (none) return QVariant();
        const QPixmap p = (*picture)(v);
        return p.isNull() ? QVariant() : QVariant(p);
    }
    if (role == Qt::DisplayRole) {
        ++DataCalls;
        return refused ? f->RefusedText() : ds->DisplayTextAt(index.row(), f);
    }
    if (role == Qt::EditRole) {
        if (refused) return f->RefusedText();
        // The plain value, as it is typed: no display format.
        const QVariant v = ds->ValueAt(index.row(), f);
        if (!v.isValid() || v.isNull()) return QString();
        if (v.userType() == qMetaTypeId<TMoney>()) return v.value<TMoney>().ToString();
        return v.toString();
    }
    if (role == Qt::ForegroundRole && refused) return QColor(Qt::red);
    if (role == Qt::BackgroundRole) {
        const auto c = FColors.constFind(f->FieldName.toUpper());
        if (c != FColors.constEnd()) return *c;
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

Qt::ItemFlags TDbGridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags fl = QAbstractTableModel::flags(index);
    const TField* f = index.isValid() ? FieldOfColumn(index.column()) : nullptr;
    if (Editable && f && !f->IsLookup && !f->ReadOnly) fl |= Qt::ItemIsEditable;
    return fl;
}

bool TDbGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    TClientDataSet* ds = FSource ? FSource->DataSet() : nullptr;
    TField* f = index.isValid() ? FieldOfColumn(index.column()) : nullptr;
    if (!Editable || role != Qt::EditRole || !ds || !f || !(flags(index) & Qt::ItemIsEditable))
        return false;
    // Only the current row is edited; the grid keeps its cursor on it.
    if (index.row() != ds->RecNo()) return false;
    const QString text = value.toString();
    // Unchanged text starts no edit.
    if (!f->Refused() && text == data(index, Qt::EditRole).toString()) return false;
    try {
        f->SetValue(text.isEmpty() ? QVariant() : QVariant(text));
    } catch (const EDataSetError& e) {
        emit dataChanged(index, index);
        emit ValueRefused(e.Message());
        return false;
    } catch (const EAbort&) {
        return false;
    } catch (const std::exception& e) {
        // Nothing may leave through the view's editing machinery.
        emit ValueRefused(QString::fromUtf8(e.what()));
        return false;
    }
    return true;
}

void TDbGridModel::SetColumnPicture(const QString& fieldName,
                                    const std::function<QPixmap(const QVariant&)>& picture) {
    FPictures.insert(fieldName.toUpper(), picture);
    if (FRows > 0 && !FColumns.empty())
        emit dataChanged(index(0, 0), index(FRows - 1, int(FColumns.size()) - 1));
}

void TDbGridModel::SetColumnColor(const QString& fieldName, const QColor& color) {
    FColors.insert(fieldName.toUpper(), color);
    if (FRows > 0 && !FColumns.empty())
        emit dataChanged(index(0, 0), index(FRows - 1, int(FColumns.size()) - 1));
}
