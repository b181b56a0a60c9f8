#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QHash>
#include <QPixmap>
#include <QPointer>
#include <functional>
#include <vector>

#include "TDataSource.h"

class TField;

// A table model over a record set: its visible columns in order, captions,
// display texts (formats, lookups). Reads rows in place, never copies them,
// and tells the view only what changed.
class TDbGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TDbGridModel(TDataSource* source, QObject* parent = nullptr);

    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    // Column titles can differ from the captions (sort arrows, saved layouts).
    bool setHeaderData(int section, Qt::Orientation o, const QVariant& value,
                       int role = Qt::EditRole) override;

    // Cells are typed into only when the grid asks for it: data columns that
    // are not read-only take the text into the current row, editing it.
    bool Editable = false;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    // A column drawn on a background of its own (a key typed by the user, say).
    void SetColumnColor(const QString& fieldName, const QColor& color);
    // A column drawn as a picture of its value instead of the value (a
    // flag): a non-null value shows no text, and the picture when there is one.
    void SetColumnPicture(const QString& fieldName,
                          const std::function<QPixmap(const QVariant&)>& picture);

    TField* FieldOfColumn(int column) const;
    int ColumnOfField(const TField* f) const;
    // Rebuild the column list after fields changed visibility or order.
    void ResetColumns();

signals:
    // The column refused what was typed into a cell (message as the column
    // words it); nothing was stored and the cell shows the typed text.
    void ValueRefused(const QString& message);

public:
    // How many cell texts data() was asked for: only visible rows should be.
    mutable long long DataCalls = 0;

private:
    void Reset();
    void OnDataChanged(TField* f);

    QPointer<TDataSource> FSource;
    std::vector<TField*> FColumns;
    std::vector<QString> FColumnNames;  // the field name of each column
    std::vector<QString> FTitles;       // empty: the field's caption
    int FRows = 0;
    QHash<QString, QColor> FColors;                                     // by field name, upper case
    QHash<QString, std::function<QPixmap(const QVariant&)>> FPictures;  // likewise
};
